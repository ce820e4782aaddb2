#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   bash scripts/build.sh run    install what is missing, build, start vexa
#   bash scripts/build.sh test   install what is missing, build, run every test
#   bash scripts/build.sh install   ... build, make the Debian package and install it
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libsqlite3-dev sqlite3 libjpeg62-turbo-dev
  libmagick++-6.q16-dev libmagickcore-6.q16-6-extra imagemagick
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-turbo-progs fonts-dejavu-core xvfb xauth clang-format
  qt6-translations-l10n
  desktop-file-utils appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir"

case "${1:-run}" in
  run)
    exec "$build_dir/bin/vexa"
    ;;
  test)
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"
    ;;
  install)
    (cd "$build_dir" && cpack -G DEB)
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    # apt-get takes a local package by a path with a slash in it.
    deb=$(ls "$build_dir"/vexa_*.deb)
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "$(realpath "$deb")"
    ;;
  *)
    echo "usage: bash scripts/build.sh run|test|install" >&2
    exit 2
    ;;
esac
