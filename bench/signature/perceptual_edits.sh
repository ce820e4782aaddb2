#!/bin/bash
# Makes the everyday edits the perceptual harness measures, from the
# originals fetch_photos.sh made, and the hard negatives: non-overlapping
# tiles of each original (flat ones left out), different pictures that share
# palette and style.
#   bench/signature/perceptual_edits.sh [DATA_DIR]      (default: bench/data)
# Layout made: DATA_DIR/edits/NAME/<edit>.<ext>, DATA_DIR/tiles/NAME_<n>.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
data=$(cd "${1:-$here/../data}" && pwd)
mkdir -p "$data/edits" "$data/tiles"
for orig in "$data"/originals/*.png; do
  name=$(basename "${orig%.png}")
  dir="$data/edits/$name"
  [ -f "$dir/flop.jpg" ] && continue
  mkdir -p "$dir"
  h=$(identify -format '%h' "$orig")
  pt=$((h / 18 * 3 / 4))
  convert "$orig" -resize 50% "$dir/resize50.jpg"
  convert "$orig" -resize 25% "$dir/resize25.jpg"
  convert "$orig" -resize 160x160 "$dir/thumb160.jpg"
  convert "$orig" -quality 15 "$dir/quality15.jpg"
  convert "$orig" "$dir/format.tif"
  convert "$orig" "$dir/format.gif"
  convert "$orig" "$dir/format.bmp"
  convert "$orig" -quality 92 "$dir/format.jpg"
  convert "$orig" -colorspace Gray "$dir/grey.jpg"
  convert "$orig" -modulate 92 "$dir/bright92.jpg"
  convert "$orig" -modulate 108 "$dir/bright108.jpg"
  convert "$orig" -brightness-contrast 0x15 "$dir/contrast+15.jpg"
  convert "$orig" -brightness-contrast 0x-15 "$dir/contrast-15.jpg"
  convert "$orig" -modulate 100,130 "$dir/saturation130.jpg"
  convert "$orig" -modulate 100,70 "$dir/saturation70.jpg"
  convert "$orig" -font DejaVu-Sans -pointsize "$pt" -fill white -undercolor '#00000080' \
    -gravity southeast -annotate +10+6 'Summer holiday 2026' "$dir/caption.jpg"
  convert "$orig" -gravity center -crop 90%x90%+0+0 +repage "$dir/crop90.jpg"
  convert "$orig" -rotate 90 "$dir/rotate90.jpg"
  convert "$orig" -rotate 180 "$dir/rotate180.jpg"
  convert "$orig" -rotate 270 "$dir/rotate270.jpg"
  convert "$orig" -flop "$dir/flop.jpg"
  # Hard negatives: a 3 x 3 grid of tiles, flat ones (sky, walls) left out.
  convert "$orig" -crop 3x3@ +repage +adjoin "$data/tiles/${name}_%d.png"
  for tile in "$data/tiles/${name}"_*.png; do
    sd=$(identify -format '%[fx:standard_deviation]' "$tile")
    if awk "BEGIN{exit !($sd < 0.06)}"; then rm -f "$tile"; fi
  done
done
