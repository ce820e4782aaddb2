#!/bin/bash
# Gathering speed side by side in one run: vexa-cli gather with one thread and
# with all threads, and djpeg -scale 1/8 (the decode floor) over the same files.
# Sets: ~200 photographs of 12 megapixels made from Debian's wallpaper
# packages, and 2,000 small ones. Everything lands in bench/data/ (not committed).
#   bench/gather/run.sh [BUILD_DIR]     (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/vexa-cli
data=$root/bench/data
debs=$data/debs
extract=$data/extract
sets=$data/gather
[ -x "$cli" ] || { echo "vexa-cli not built at $cli" >&2; exit 1; }
command -v djpeg >/dev/null || { echo "djpeg missing (apt-get install libjpeg-turbo-progs)" >&2; exit 1; }
command -v convert >/dev/null || { echo "convert missing (apt-get install imagemagick)" >&2; exit 1; }

# Sources: wallpapers from Debian packages, fetched once.
mkdir -p "$debs" "$extract"
if ! ls "$debs"/*.deb >/dev/null 2>&1; then
    (cd "$debs" && apt-get download gnome-backgrounds mate-backgrounds ukui-wallpapers lomiri-wallpapers)
fi
if ! find "$extract" -iname '*.jpg' | grep -q .; then
    for deb in "$debs"/*backgrounds*.deb "$debs"/*wallpapers*.deb; do dpkg -x "$deb" "$extract"; done
fi
mapfile -t sources < <(find "$extract" \( -iname '*.jpg' -o -iname '*.png' \) -size +300k | sort)
[ ${#sources[@]} -gt 0 ] || { echo "no wallpapers found in $extract" >&2; exit 1; }

make_set() {  # dir count geometry quality
    local dir=$1 count=$2 geometry=$3 quality=$4
    mkdir -p "$dir"
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -ge "$count" ] && return
    for ((i = 0; i < count; i++)); do
        local src=${sources[i % ${#sources[@]}]}
        local flip=""; (( (i / ${#sources[@]}) % 2 )) && flip="-flop"
        echo "$src|$flip|$((85 + i % 30))|$dir/p$(printf %05d $i).jpg"
    done | xargs -P "$(nproc)" -d '\n' -I{} bash -c '
        IFS="|" read -r src flip mod out <<< "{}"
        [ -f "$out" ] || convert "$src" -resize '"$geometry"'! $flip -modulate 100,$mod -quality '"$quality"' "$out"'
}
echo "making the sets (once)..." >&2
make_set "$sets/large" "${LARGE:-200}" 4000x3000 90
make_set "$sets/small" "${SMALL:-2000}" 640x480 85

run_gather() {  # set threads -> seconds
    local set=$1 threads=$2 dir
    dir=$(mktemp -d)
    "$cli" --data "$dir" collection add Bench >/dev/null
    "$cli" --data "$dir" dir add Bench "$sets/$set" >/dev/null
    local start end
    start=$(date +%s.%N)
    "$cli" --data "$dir" gather Bench --threads "$threads" >/dev/null
    end=$(date +%s.%N)
    rm -rf "$dir"
    echo "$end - $start" | bc -l
}
run_djpeg() {  # set -> seconds for one core
    local start end
    start=$(date +%s.%N)
    for f in "$sets/$1"/*.jpg; do djpeg -scale 1/8 "$f" >/dev/null; done
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

cores=$(nproc)
echo "cores: $cores   load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %6s | %12s %12s %12s | %8s %14s\n' set files "1 thread/s" "$cores threads/s" "djpeg1/8 /s" "speedup" "1 thr vs djpeg"
for set in large small; do
    n=$(find "$sets/$set" -name '*.jpg' | wc -l)
    t1=$(run_gather "$set" 1)
    tn=$(run_gather "$set" 0)
    td=$(run_djpeg "$set")
    printf '%-8s %6d | %12.1f %12.1f %12.1f | %7.2fx %13.2fx\n' "$set" "$n" \
        "$(echo "$n / $t1" | bc -l)" "$(echo "$n / $tn" | bc -l)" "$(echo "$n / $td" | bc -l)" \
        "$(echo "$t1 / $tn" | bc -l)" "$(echo "$t1 / $td" | bc -l)"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
