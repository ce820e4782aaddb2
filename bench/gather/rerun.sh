#!/bin/bash
# The second gather of an unchanged tree, and of the tree with 100 files
# changed, side by side with another build in one run (alternated pairs,
# medians): verification and skipping are the whole cost.
#   bench/gather/rerun.sh OLD_BUILD_BIN NEW_BUILD_BIN [FILES] [PAIRS]
# OLD_BUILD_BIN, NEW_BUILD_BIN: directories holding vexa-cli (and TPL_VEXA.MDB).
# The tree (FILES tiny images in directories of 1,000) is made under
# ${TMPDIR:-/tmp} and removed at the end.
set -euo pipefail
old=$1/vexa-cli
new=$2/vexa-cli
files=${3:-100000}
pairs=${4:-3}
[ -x "$old" ] && [ -x "$new" ] || { echo "usage: $0 OLD_BIN NEW_BIN [FILES] [PAIRS]" >&2; exit 2; }
command -v convert >/dev/null || { echo "convert missing (apt-get install imagemagick)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree

# 64 tiny pictures, written under 100,000 names by one process (a convert
# per file would take longer than the benchmark).
mkdir -p "$work/kinds"
for ((k = 0; k < 64; k++)); do
    convert -size 16x12 "xc:rgb($((k * 4)),$((255 - k * 4)),$((k * 2)))" \
        -fill white -draw "rectangle 0,0 $((k % 16)),$((k % 12))" "$work/kinds/k$k.png"
done
python3 - "$work/kinds" "$tree" "$files" <<'PY'
import os, sys
kinds, tree, files = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = [open(os.path.join(kinds, f"k{k}.png"), "rb").read() for k in range(64)]
for i in range(files):
    d = os.path.join(tree, f"d{i // 1000:03d}")
    if i % 1000 == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"p{i:06d}.png"), "wb") as f:
        f.write(data[i % 64])
PY

seconds() {  # command... -> wall seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
prepare() {  # cli datadir
    "$1" --data "$2" collection add Bench >/dev/null
    "$1" --data "$2" dir add --tree Bench "$tree" >/dev/null
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Rewrites 100 files with another picture (new size and time), a different
# hundred each call.
changed=0
change100() {
    python3 - "$work/kinds" "$tree" "$files" "$changed" <<'PY'
import os, sys
kinds, tree, files, start = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
data = [open(os.path.join(kinds, f"k{k}.png"), "rb").read() for k in range(64)]
step = max(files // 100, 1)
for n in range(100):
    i = (start + n * step) % files
    with open(os.path.join(tree, f"d{i // 1000:03d}", f"p{i:06d}.png"), "wb") as f:
        f.write(data[(i + 1 + start) % 64] + b"\0" * (1 + start % 7))
PY
    changed=$((changed + 1))
}

mkdir -p "$work/old" "$work/new"
cp "$1"/TPL_VEXA.MDB "$work/old/" 2>/dev/null || true
cp "$2"/TPL_VEXA.MDB "$work/new/" 2>/dev/null || true
prepare "$old" "$work/old"
prepare "$new" "$work/new"
echo "first gathers of $files files (once each)..." >&2
first_old=$(seconds "$old" --data "$work/old" gather Bench)
first_new=$(seconds "$new" --data "$work/new" gather Bench)
echo "cores: $(nproc)   load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'first gather: old %.1f s, new %.1f s\n' "$first_old" "$first_new"
: >"$work/u_old"; : >"$work/u_new"; : >"$work/c_old"; : >"$work/c_new"
for ((p = 0; p < pairs; p++)); do
    seconds "$old" --data "$work/old" gather Bench >>"$work/u_old"
    seconds "$new" --data "$work/new" gather Bench >>"$work/u_new"
    change100
    seconds "$old" --data "$work/old" gather Bench >>"$work/c_old"
    seconds "$new" --data "$work/new" gather Bench >>"$work/c_new"
done
for kind in u c; do
    o=$(median <"$work/${kind}_old"); n=$(median <"$work/${kind}_new")
    label=$([ $kind = u ] && echo "unchanged" || echo "100 changed")
    printf '%-12s old %6.2f s  new %6.2f s  old/new %5.2fx   (old: %s; new: %s)\n' "$label" "$o" "$n" \
        "$(echo "$o / $n" | bc -l)" "$(tr '\n' ' ' <"$work/${kind}_old")" "$(tr '\n' ' ' <"$work/${kind}_new")"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
