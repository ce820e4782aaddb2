#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a folder above its own in
# the order below, or of a folder the order does not name (a strict order
# means the folder include graph has no cycle), and when a feature includes
# the concrete main window instead of ui/featurehost.h.
#   usage: scripts/check-folder-order.sh [source root, default: the repo's src]
set -uo pipefail
src="${1:-$(dirname "$0")/../src}"

# Bottom to top: each folder may include only itself and folders before it.
order=(base signature db controls ui gather narration review collections monitor cli app)

declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [[ -z "${rank[$folder]+set}" ]]; then
        echo "src/$folder: folder missing from the order in $0"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")
        [[ "$target" == "$folder" ]] && continue
        if [[ -z "${rank[$target]+set}" ]]; then
            echo "${file#"$src"/}:$line: includes unknown folder '$target'"
            status=1
        elif ((rank[$target] > rank[$folder])); then
            echo "${file#"$src"/}:$line: $folder includes $target, which sits above it"
            status=1
        elif [[ "$text" == '#include "ui/mainwindow.h"' && "$folder" != app ]]; then
            echo "${file#"$src"/}:$line: only the program's assembly includes the main window"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" \
        --include='*.h' --include='*.cpp' | sed -E 's/^([^:]+):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*/\1:\2:#include /')
done
exit $status
