#!/bin/bash
# Fetches real photographs from Debian wallpaper and sample-data packages and
# makes the near-duplicate variants the quality harness measures.
#   bench/signature/fetch_photos.sh [DATA_DIR]     (default: bench/data)
# Layout made: DATA_DIR/originals/NAME.png (at most 1600 px wide) and
# DATA_DIR/variants/NAME/<variant>.<ext>. Nothing here is committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
data=${1:-$here/../data}
mkdir -p "$data/debs" "$data/extract" "$data/originals" "$data/variants"
data=$(cd "$data" && pwd)

packages=(mate-backgrounds gnome-backgrounds ukui-wallpapers python3-skimage)
cd "$data/debs"
for p in "${packages[@]}"; do
  ls "${p}"_*.deb >/dev/null 2>&1 || apt-get download "$p"
done
for deb in *.deb; do dpkg -x "$deb" "$data/extract"; done

# Photographs and rendered wallpapers of at least 256 x 256 pixels; the
# scikit-image test folders hold shifted copies of one picture, so they stay out.
mapfile -t sources < <(find "$data/extract" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) \
  -size +30k -not -path '*/tests/*' | sort)
for src in "${sources[@]}"; do
  name=$(basename "${src%.*}" | tr -c 'A-Za-z0-9_\n-' '_')
  out="$data/originals/$name.png"
  [ -f "$out" ] && continue
  # Elephants_3840x2160 and the like are the same picture at another size:
  # a true duplicate, not a different photograph.
  [[ "$name" =~ _[0-9]+x[0-9]+$ ]] && continue
  dims=$(identify -format '%w %h' "$src[0]" 2>/dev/null || echo "0 0")
  read -r w h <<<"$dims"
  if [ "$w" -ge 256 ] && [ "$h" -ge 256 ]; then
    # Flatten transparency onto white, drop to 8-bit sRGB, keep at most 1600 px.
    convert "$src[0]" -background white -alpha remove -alpha off -colorspace sRGB -depth 8 \
      -resize '1600x1600>' "$out"
    # Transparent overlays flatten to a blank page; they are not photographs.
    sd=$(identify -format '%[fx:standard_deviation]' "$out")
    if awk "BEGIN{exit !($sd < 0.02)}"; then rm -f "$out"; fi
  fi
done

for orig in "$data"/originals/*.png; do
  name=$(basename "${orig%.png}")
  dir="$data/variants/$name"
  [ -f "$dir/blur.png" ] && continue
  mkdir -p "$dir"
  convert "$orig" -resize 50% "$dir/half.png"
  convert "$orig" -resize 25% "$dir/quarter.png"
  convert "$orig" -quality 90 "$dir/q90.jpg"
  convert "$orig" -quality 70 "$dir/q70.jpg"
  convert "$orig" -quality 50 "$dir/q50.jpg"
  convert "$orig" "$dir/format.bmp"
  convert "$orig" -compress lzw "$dir/format.tif"
  convert "$orig" "$dir/format.gif"
  cp "$orig" "$dir/format.png"
  convert "$orig" -evaluate multiply 1.03 "$dir/bright3.png"
  convert "$orig" -evaluate multiply 1.02 "$dir/bright2.png"
  convert "$orig" -evaluate multiply 0.97 "$dir/dark3.png"
  convert "$orig" -evaluate multiply 0.98 "$dir/dark2.png"
  convert "$orig" -blur 0x1 "$dir/blur.png"
done
echo "$(ls "$data"/originals | wc -l) originals in $data/originals, variants in $data/variants"
