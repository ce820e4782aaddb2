#!/bin/bash
# Makes the everyday edits the perceptual harness measures, from the
# originals fetch_photos.sh made, and the hard negatives: non-overlapping
# tiles of each original (flat ones left out), different pictures that share
# palette and style. Beside the edits: JPEGs whose pixels are stored turned,
# with the EXIF orientation tag a camera writes (3, 6, 8), that look like the
# original on screen.
#   bench/signature/perceptual_edits.sh [DATA_DIR]      (default: bench/data)
# Layout made: DATA_DIR/edits/NAME/<edit>.<ext>, DATA_DIR/tiles/NAME_<n>.png.
# JOBS=n works on n originals at once (default 1).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
data=$(cd "${1:-$here/../data}" && pwd)
mkdir -p "$data/edits" "$data/tiles"

# The JPEG $2 with an EXIF block holding only orientation tag $1, right after
# the start-of-image marker as a camera writes it (big-endian TIFF header,
# one IFD entry: tag 0x0112, SHORT, count 1).
with_orientation() {
  printf '\xff\xd8\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08'
  printf '\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00'"\\x0$1"'\x00\x00\x00\x00\x00\x00'
  tail -c +3 "$2"
}

edit_one() {
  local orig=$1
  local name dir h pt
  name=$(basename "${orig%.png}")
  dir=$DATA/edits/$name
  [ -f "$dir/exif8.jpg" ] && return 0
  mkdir -p "$dir"
  h=$(identify -format '%h' "$orig")
  pt=$((h / 18 * 3 / 4))
  nice convert "$orig" -resize 50% "$dir/resize50.jpg"
  nice convert "$orig" -resize 25% "$dir/resize25.jpg"
  nice convert "$orig" -resize 160x160 "$dir/thumb160.jpg"
  nice convert "$orig" -quality 15 "$dir/quality15.jpg"
  nice convert "$orig" "$dir/format.tif"
  nice convert "$orig" "$dir/format.gif"
  nice convert "$orig" "$dir/format.bmp"
  nice convert "$orig" -quality 92 "$dir/format.jpg"
  nice convert "$orig" -colorspace Gray "$dir/grey.jpg"
  nice convert "$orig" -modulate 92 "$dir/bright92.jpg"
  nice convert "$orig" -modulate 108 "$dir/bright108.jpg"
  nice convert "$orig" -brightness-contrast 0x15 "$dir/contrast+15.jpg"
  nice convert "$orig" -brightness-contrast 0x-15 "$dir/contrast-15.jpg"
  nice convert "$orig" -modulate 100,130 "$dir/saturation130.jpg"
  nice convert "$orig" -modulate 100,70 "$dir/saturation70.jpg"
  nice convert "$orig" -font DejaVu-Sans -pointsize "$pt" -fill white -undercolor '#00000080' \
    -gravity southeast -annotate +10+6 'Summer holiday 2026' "$dir/caption.jpg"
  nice convert "$orig" -gravity center -crop 90%x90%+0+0 +repage "$dir/crop90.jpg"
  nice convert "$orig" -rotate 90 "$dir/rotate90.jpg"
  nice convert "$orig" -rotate 180 "$dir/rotate180.jpg"
  nice convert "$orig" -rotate 270 "$dir/rotate270.jpg"
  nice convert "$orig" -flop "$dir/flop.jpg"
  # Stored turned so that the tag turns them back: 3 half a turn, 6 a
  # quarter clockwise, 8 a quarter anticlockwise.
  with_orientation 3 "$dir/rotate180.jpg" >"$dir/exif3.jpg"
  with_orientation 6 "$dir/rotate270.jpg" >"$dir/exif6.jpg"
  with_orientation 8 "$dir/rotate90.jpg" >"$dir/exif8.jpg"
  # Hard negatives: a 3 x 3 grid of tiles, flat ones (sky, walls) left out.
  nice convert "$orig" -crop 3x3@ +repage +adjoin "$DATA/tiles/${name}_%d.png"
  local tile sd
  for tile in "$DATA/tiles/${name}"_*.png; do
    sd=$(identify -format '%[fx:standard_deviation]' "$tile")
    if awk "BEGIN{exit !($sd < 0.06)}"; then rm -f "$tile"; fi
  done
}

export DATA=$data
export -f with_orientation edit_one
ls "$data"/originals/*.png | xargs -P "${JOBS:-1}" -n 1 bash -c 'edit_one "$0"'
