#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: every file a
# desktop, man and bash look for, valid desktop and AppStream files, and the
# installed programs running from it with the per-user data directory even
# though the prefix is writable.
#   bash scripts/check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

id=nl.vexa.VexaII
fail=0
expect() {
  if [ ! -s "$prefix/$1" ]; then
    echo "missing: $1"
    fail=1
  fi
}
expect bin/vexa
expect bin/vexa-cli
expect share/vexa/TPL_VEXA.MDB
expect share/applications/$id.desktop
expect share/metainfo/$id.metainfo.xml
expect share/icons/hicolor/scalable/apps/$id.svg
for size in 16 24 32 48 64 128 256; do
  expect share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" ]; then
    # Bytes 16..23 of a PNG are its width and height, big-endian.
    dims=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | tr -s ' ')
    want=" 0 0 $((size >> 8)) $((size & 255)) 0 0 $((size >> 8)) $((size & 255))"
    [ "$dims" = "$want" ] || { echo "icon ${size}x${size} is $dims"; fail=1; }
  fi
done
expect share/man/man1/vexa.1.gz
expect share/man/man1/vexa-cli.1.gz
expect share/bash-completion/completions/vexa-cli
[ -x "$prefix/bin/vexa" ] && [ -x "$prefix/bin/vexa-cli" ] || { echo "programs not executable"; fail=1; }

# The man page of vexa-cli documents the exit statuses.
gzip -dc "$prefix/share/man/man1/vexa-cli.1.gz" | grep -q '^\.SH EXIT STATUS' \
  || { echo "vexa-cli(1) has no EXIT STATUS"; fail=1; }
bash -n "$prefix/share/bash-completion/completions/vexa-cli" || fail=1

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail=1
else
  echo "desktop-file-validate not installed: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
    || { appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"; fail=1; }
else
  echo "appstreamcli not installed: metainfo not validated"
fi

version=$("$prefix/bin/vexa-cli" --version)
case $version in
  "vexa-cli (VEXA II) "[0-9]*) ;;
  *) echo "vexa-cli --version printed: $version"; fail=1 ;;
esac

# A user's first command from the installed tree: the database goes into the
# per-user data directory, made from the installed template, never into bin/.
home=$work/home
mkdir -p "$home"
env -u XDG_DATA_HOME HOME="$home" "$prefix/bin/vexa-cli" collection add Holiday >/dev/null
[ -s "$home/.local/share/vexa/vexa/VEXA.MDB" ] || { echo "no per-user VEXA.MDB"; fail=1; }
[ ! -e "$prefix/bin/VEXA.MDB" ] || { echo "the installed program wrote into bin/"; fail=1; }
listed=$(env -u XDG_DATA_HOME HOME="$home" "$prefix/bin/vexa-cli" collection list)
[ "$listed" = Holiday ] || { echo "collection list printed: $listed"; fail=1; }

exit $fail
