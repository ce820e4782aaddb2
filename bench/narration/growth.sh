#!/bin/bash
# Whole narrations of a kept 100,000-row and a kept 1,000,000-row database,
# an old and a new build of narration_bench alternated, medians of ROUNDS,
# and the growth from 100,000 to 1,000,000 for each.
#
#   NARRATION_BENCH_KEEP=1 narration_bench --sizes 100000 --cases 5:0 --reference-max 0
#   NARRATION_BENCH_KEEP=1 narration_bench --sizes 1000000 --cases 5:0 --reference-max 0
#   (each leaves its database in a directory /tmp/narration_bench-XXXXXX)
#   growth.sh DIR100K DIR1M OLD/narration_bench NEW/narration_bench "1:8 2:12 1:24" 3
#
# Each run starts from the flags another narration would leave.
set -euo pipefail
small=$1 large=$2 old=$3 new=$4 cases=$5 rounds=${6:-3}
median() { tr ' ' '\n' | grep . | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
for c in $cases; do
    method=${c%:*} slider=${c#*:}
    declare -A ms=()
    for _ in $(seq "$rounds"); do
        for size in small large; do
            dir=$small
            [ "$size" = large ] && dir=$large
            for build in old new; do
                program=$old
                [ "$build" = new ] && program=$new
                sqlite3 "$dir/VEXA.MDB" "UPDATE FileData SET Processed = (ID % 7 = 3)"
                sync
                ms[$build$size]="${ms[$build$size]:-} $("$program" --run "$dir" "$method" "$slider" | cut -d' ' -f1)"
            done
        done
    done
    o1=$(echo "${ms[oldsmall]}" | median) o2=$(echo "${ms[oldlarge]}" | median)
    n1=$(echo "${ms[newsmall]}" | median) n2=$(echo "${ms[newlarge]}" | median)
    printf '%s  old: %s ms, %s ms, %.1fx   new: %s ms, %s ms, %.1fx\n' "$c" "$o1" "$o2" \
        "$(echo "$o2 / $o1" | bc -l)" "$n1" "$n2" "$(echo "$n2 / $n1" | bc -l)"
    unset ms
done
