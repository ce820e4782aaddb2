#!/usr/bin/env bash
# The installed package at work: vexa-cli from PREFIX/bin (default /usr/bin)
# prints its version, then gathers and narrates a few pictures made here, for
# a user whose home is a temporary directory.
#   bash scripts/check-package.sh [PREFIX]
set -euo pipefail
prefix=${1:-/usr}
cli=$prefix/bin/vexa-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
unset XDG_DATA_HOME XDG_CACHE_HOME
mkdir -p "$HOME" "$work/pictures"

"$cli" --version
# Three pictures, two of them the same picture at other sizes.
convert -size 120x90 gradient:red-blue "$work/pictures/a.png"
convert "$work/pictures/a.png" -resize 60x45 "$work/pictures/a-small.jpg"
convert "$work/pictures/a.png" -resize 240x180 "$work/pictures/a-large.png"
convert -size 120x90 plasma:fractal -seed 7 "$work/pictures/b.png" 2>/dev/null \
  || convert -size 120x90 xc:green "$work/pictures/b.png"

"$cli" collection add Pictures
"$cli" dir add Pictures "$work/pictures"
gathered=$("$cli" gather Pictures)
echo "$gathered"
case $gathered in
  *"stored 4"*) ;;
  *) echo "check-package: gather did not store the 4 pictures" >&2; exit 1 ;;
esac
"$cli" narrate Pictures
[ -s "$HOME/.local/share/vexa/vexa/VEXA.MDB" ] \
  || { echo "check-package: no database in the per-user data directory" >&2; exit 1; }
echo "check-package: the installed vexa-cli works"
