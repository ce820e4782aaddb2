#!/bin/bash
# Gathering speed of two builds side by side in one run, against the decode
# floor: whole-process `vexa-cli gather` on a fresh data directory, all
# threads and one thread, and the serial `djpeg -scale 1/8` loop over the same
# files. Pairs alternate the order of the runs; the table shows medians and
# their ratios (wall times of one run swing with the machine's other load,
# ratios of runs side by side much less).
#   bench/gather/sidebyside.sh OLD_CLI NEW_CLI [PAIRS]
# Sets (made once with ImageMagick into bench/data/gather-sbs, not committed):
#   LARGE=60 photographs of 4000 x 3000, SMALL=2000 of 640 x 480.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
old=${1:?old vexa-cli}
new=${2:?new vexa-cli}
pairs=${3:-5}
sets=$root/bench/data/gather-sbs
command -v djpeg >/dev/null || { echo "djpeg missing (apt-get install libjpeg-turbo-progs)" >&2; exit 1; }
command -v convert >/dev/null || { echo "convert missing (apt-get install imagemagick)" >&2; exit 1; }

make_set() {  # dir count geometry
    local dir=$1 count=$2 geometry=$3 base=$1-base.png
    mkdir -p "$dir"
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -ge "$count" ] && return
    # Outside the set: only the JPEGs are gathered.
    [ -f "$base" ] || convert -size "$geometry" -seed 5 plasma:fractal \
        -attenuate 0.3 +noise gaussian "$base"
    for ((i = 0; i < count; i++)); do
        echo "$((i * 37 % 400))|$((80 + i % 40))|$((82 + i % 15))|$dir/p$(printf %05d $i).jpg"
    done | xargs -P "$(nproc)" -d '\n' -I{} bash -c '
        IFS="|" read -r roll mod quality out <<< "{}"
        [ -f "$out" ] || convert "'"$base"'" -roll +${roll}+0 -modulate 100,$mod \
            -quality $quality "$out"'
}
echo "making the sets (once)..." >&2
make_set "$sets/large" "${LARGE:-60}" 4000x3000
make_set "$sets/small" "${SMALL:-2000}" 640x480

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
gather() {  # cli set threads
    local dir rc=0
    dir=$(mktemp -d)
    "$1" --data "$dir" collection add Bench >/dev/null
    "$1" --data "$dir" dir add Bench "$sets/$2" >/dev/null
    "$1" --data "$dir" gather Bench --threads "$3" >/dev/null || rc=$?
    rm -rf "$dir"
    return $rc
}
djpeg_loop() { for f in "$sets/$1"/p*.jpg; do djpeg -scale 1/8 "$f" >/dev/null; done; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "cores: $(nproc)   pairs: $pairs   load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %5s | %8s %8s %8s %8s | %9s %9s %9s %9s\n' set files "old all" "new all" "new 1t" "djpeg" \
    "old/djpeg" "new/djpeg" "1t/all" "new/old"
for set in large small; do
    n=$(find "$sets/$set" -name 'p*.jpg' | wc -l)
    : >/tmp/sbs.$$.old; : >/tmp/sbs.$$.new; : >/tmp/sbs.$$.one; : >/tmp/sbs.$$.djpeg
    for ((p = 0; p < pairs; p++)); do
        if ((p % 2 == 0)); then
            seconds gather "$old" "$set" 0 >>/tmp/sbs.$$.old
            seconds gather "$new" "$set" 0 >>/tmp/sbs.$$.new
            seconds djpeg_loop "$set" >>/tmp/sbs.$$.djpeg
            seconds gather "$new" "$set" 1 >>/tmp/sbs.$$.one
        else
            seconds gather "$new" "$set" 1 >>/tmp/sbs.$$.one
            seconds djpeg_loop "$set" >>/tmp/sbs.$$.djpeg
            seconds gather "$new" "$set" 0 >>/tmp/sbs.$$.new
            seconds gather "$old" "$set" 0 >>/tmp/sbs.$$.old
        fi
    done
    o=$(median </tmp/sbs.$$.old); w=$(median </tmp/sbs.$$.new)
    t=$(median </tmp/sbs.$$.one); d=$(median </tmp/sbs.$$.djpeg)
    printf '%-6s %5d | %7.2fs %7.2fs %7.2fs %7.2fs | %8.2fx %8.2fx %8.2fx %8.2fx\n' "$set" "$n" \
        "$o" "$w" "$t" "$d" "$(echo "$o / $d" | bc -l)" "$(echo "$w / $d" | bc -l)" \
        "$(echo "$t / $w" | bc -l)" "$(echo "$w / $o" | bc -l)"
done
rm -f /tmp/sbs.$$.*
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
