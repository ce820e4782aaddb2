#!/bin/bash
# Peak resident memory of vexa-cli gather over large pictures, two builds side
# by side in one run (an older build against this one), at 1, 2 and 8
# threads and the default. Prints one table: peak RSS (from /usr/bin/time -v),
# load errors and wall time. The pictures land in bench/data/ (not committed).
#   bench/gather/memory.sh BEFORE_BUILD_DIR [AFTER_BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
before=${1:?usage: memory.sh BEFORE_BUILD_DIR [AFTER_BUILD_DIR]}
after=${2:-$root/build}
set_dir=$root/bench/data/gather-memory
for build in "$before" "$after"; do
    [ -x "$build/bin/vexa-cli" ] || { echo "vexa-cli not built at $build" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "convert missing (apt-get install imagemagick)" >&2; exit 1; }

# Four 48-megapixel pictures (8-bit PNG and zip TIFF) and one of 100
# megapixels, each in a few flat blocks so they are quick to make.
make_picture() {  # name geometry seed
    local out=$set_dir/$1 geometry=$2 seed=$3
    [ -f "$out" ] && return
    local w=${geometry%x*} h=${geometry#*x}
    convert -size "$geometry" "xc:rgb($((seed * 53 % 256)),40,200)" \
        -fill "rgb($((seed * 91 % 256)),90,250)" -draw "rectangle $((w / 5)) $((h / 4)) $((w / 2)) $((h / 2))" \
        -fill "rgb(250,$((seed * 37 % 256)),20)" -draw "rectangle $((w * 3 / 5)) $((h / 2)) $((w - 9)) $((h - 9))" \
        -depth 8 -compress zip "$out"
}
mkdir -p "$set_dir"
echo "making the pictures (once)..." >&2
make_picture a48.png 8000x6000 1
make_picture b48.tif 8000x6000 2
make_picture c48.png 8000x6000 3
make_picture d48.tif 8000x6000 4
make_picture e100.png 10000x10000 5

measure() {  # build threads -> "rss_mb errors seconds"
    local build=$1 threads=$2 dir out
    dir=$(mktemp -d)
    "$build/bin/vexa-cli" --data "$dir" collection add Bench >/dev/null
    "$build/bin/vexa-cli" --data "$dir" dir add Bench "$set_dir" >/dev/null
    local args=(gather Bench)
    [ "$threads" != default ] && args+=(--threads "$threads")
    /usr/bin/time -v -o "$dir/time" "$build/bin/vexa-cli" --data "$dir" "${args[@]}" \
        >"$dir/out" 2>"$dir/err" || true
    out=$(cat "$dir/time")
    local rss secs errors
    rss=$(grep 'Maximum resident' <<<"$out" | awk '{print int($NF / 1024)}')
    secs=$(grep 'Elapsed (wall' <<<"$out" | awk '{print $NF}')
    errors=$(grep -o 'errors [0-9]*' "$dir/out" | awk '{print $2}')
    rm -rf "$dir"
    echo "${rss:-?} ${errors:-?} ${secs:-?}"
}

echo "| threads | before: peak RSS MB | after: peak RSS MB | after / before | before: load errors | after: load errors | before: wall | after: wall |"
echo "|---|---|---|---|---|---|---|---|"
for threads in 1 2 8 default; do
    read -r brss berr bsec < <(measure "$before" "$threads")
    read -r arss aerr asec < <(measure "$after" "$threads")
    ratio=$(awk -v a="$arss" -v b="$brss" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "?" }')
    echo "| $threads | $brss | $arss | $ratio | $berr | $aerr | $bsec | $asec |"
done
