#!/bin/bash
# Fetches real photographs and artwork from Debian 12 packages (wallpapers,
# the sample pictures of image-processing libraries, game and planetarium art)
# and, unless told not to, makes the near-duplicate variants signature_quality
# measures.
#   bench/signature/fetch_photos.sh [DATA_DIR] [--no-variants]   (default: bench/data)
# Layout made: DATA_DIR/originals/NAME.png (at most 1600 px wide) and
# DATA_DIR/variants/NAME/<variant>.<ext>. Nothing here is committed.
# JOBS=n runs n conversions at once (default 1).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
variants=1
args=()
for a in "$@"; do
  if [ "$a" = --no-variants ]; then variants=0; else args+=("$a"); fi
done
data=${args[0]:-$here/../data}
mkdir -p "$data/debs" "$data/extract" "$data/originals" "$data/variants"
data=$(cd "$data" && pwd)

packages=(mate-backgrounds ukui-wallpapers python3-skimage plasma-workspace-wallpapers opencv-doc
  wesnoth-1.16-data stellarium-data tuxpaint-stamps-default)
cd "$data/debs"
for p in "${packages[@]}"; do
  ls "${p}"_*.deb >/dev/null 2>&1 || apt-get download "$p"
  [ -d "$data/extract/$p" ] || dpkg -x "$(ls "${p}"_*.deb | head -1)" "$data/extract/$p"
done
x=$data/extract

# Lines "NAME PATH", one per distinct picture. Every package has its own rule:
# what is a picture there, and which files are the same picture again (a
# second resolution, the other frame of a stereo pair or video, a retouched
# copy) and so stay out.
list_sources() {
  # Wallpapers and scikit-image samples; the scikit-image test folders hold
  # shifted copies of one picture, and Elephants_3840x2160 and the like are
  # the same picture at another size.
  find "$x/mate-backgrounds" "$x/ukui-wallpapers" "$x/python3-skimage" -type f \
    \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) -size +30k -not -path '*/tests/*' |
    sort | while read -r src; do
      name=$(basename "${src%.*}" | tr -c 'A-Za-z0-9_\n-' '_')
      [[ "$name" =~ _[0-9]+x[0-9]+$ ]] || echo "$name $src"
    done
  # KDE Plasma: one picture a wallpaper, its largest file; the dark
  # variants are the same drawing recoloured.
  for dir in "$x/plasma-workspace-wallpapers"/usr/share/wallpapers/*/contents/images; do
    wall=$(basename "$(dirname "$(dirname "$dir")")")
    echo "plasma_$wall $(ls -S "$dir"/* | head -1)"
  done
  # OpenCV's sample photographs; of stereo pairs, video frames, viewpoint
  # series and retouched copies only the first (aloeR, basketball2, aero3,
  # graf3, leuvenB, rubberwhale2, Blender_Suzanne2, ela_modified, text_motion
  # stay out), and no calibration boards, masks, charts or logos.
  local cv=$x/opencv-doc/usr/share/doc/opencv-doc/examples
  for f in Blender_Suzanne1.jpg HappyFish.jpg aero1.jpg aloeL.jpg apple.jpg baboon.jpg \
    basketball1.png blox.jpg board.jpg box_in_scene.png building.jpg butterfly.jpg cards.png \
    chicky_512.png ela_original.jpg fruits.jpg graf1.png home.jpg leuvenA.jpg \
    licenseplate_motion.jpg messi5.jpg orange.jpg pca_test1.jpg smarties.png squirrel_cls.jpg \
    starry_night.jpg stuff.jpg sudoku.png text_defocus.jpg; do
    echo "opencv_${f%.*} $cv/data/$f"
  done
  for f in "$cv"/text/scenetext0[1-6].jpg; do echo "opencv_$(basename "${f%.*}") $f"; done
  # Wesnoth: the story paintings (without the copies with the humans
  # removed or another sun) and every eighth character portrait.
  local wes=$x/wesnoth-1.16-data/usr/share/games/wesnoth/1.16/data/core/images
  for f in "$wes"/story/*.jpg; do
    case $f in *_nohumans.jpg | *_sun.jpg) continue ;; esac
    echo "wesnoth_$(basename "${f%.*}") $f"
  done
  find "$wes/portraits" -name '*.png' -size +40k | sort | awk 'NR % 8 == 1' | while read -r f; do
    rel=${f#"$wes/portraits/"}
    echo "wesnoth_portrait_$(echo "${rel%.png}" | tr -c 'A-Za-z0-9_\n-' '_') $f"
  done
  # Stellarium: every fifteenth deep-sky photograph.
  ls "$x/stellarium-data/usr/share/stellarium/nebulae/default/"*.png | sort | awk 'NR % 15 == 1' |
    while read -r f; do echo "nebula_$(basename "${f%.png}") $f"; done
  # Tux Paint stamps: every fourth photograph or drawing of an animal, plant,
  # food, vehicle, building.
  find "$x/tuxpaint-stamps-default" -name '*.png' -size +40k -not -name '*mirror*' | sort |
    awk 'NR % 4 == 1' | while read -r f; do
      echo "tuxpaint_$(basename "${f%.png}" | tr -c 'A-Za-z0-9_\n-' '_') $f"
    done
}

make_original() {
  local name=$1 src=$2
  local out=$DATA/originals/$name.png
  [ -f "$out" ] && return 0
  local w h
  read -r w h < <(identify -format '%w %h\n' "$src[0]" 2>/dev/null || echo "0 0")
  [ "$w" -ge 256 ] && [ "$h" -ge 256 ] || return 0
  # Flatten transparency onto white, drop to 8-bit sRGB, keep at most 1600 px.
  nice convert "$src[0]" -background white -alpha remove -alpha off -colorspace sRGB -depth 8 \
    -resize '1600x1600>' "$out.tmp.png"
  # Transparent overlays flatten to a blank page; they are not pictures.
  local sd
  sd=$(identify -format '%[fx:standard_deviation]' "$out.tmp.png")
  if awk "BEGIN{exit !($sd < 0.02)}"; then rm -f "$out.tmp.png"; else mv "$out.tmp.png" "$out"; fi
}

make_variants() {
  local orig=$1
  local name dir
  name=$(basename "${orig%.png}")
  dir=$DATA/variants/$name
  [ -f "$dir/blur.png" ] && return 0
  mkdir -p "$dir"
  nice convert "$orig" -resize 50% "$dir/half.png"
  nice convert "$orig" -resize 25% "$dir/quarter.png"
  nice convert "$orig" -quality 90 "$dir/q90.jpg"
  nice convert "$orig" -quality 70 "$dir/q70.jpg"
  nice convert "$orig" -quality 50 "$dir/q50.jpg"
  nice convert "$orig" "$dir/format.bmp"
  nice convert "$orig" -compress lzw "$dir/format.tif"
  nice convert "$orig" "$dir/format.gif"
  cp "$orig" "$dir/format.png"
  nice convert "$orig" -evaluate multiply 1.03 "$dir/bright3.png"
  nice convert "$orig" -evaluate multiply 1.02 "$dir/bright2.png"
  nice convert "$orig" -evaluate multiply 0.97 "$dir/dark3.png"
  nice convert "$orig" -evaluate multiply 0.98 "$dir/dark2.png"
  nice convert "$orig" -blur 0x1 "$dir/blur.png"
}

export DATA=$data
export -f make_original make_variants
list_sources | xargs -P "${JOBS:-1}" -L 1 bash -c 'make_original "$0" "$1"'
if [ "$variants" = 1 ]; then
  ls "$data"/originals/*.png | xargs -P "${JOBS:-1}" -n 1 bash -c 'make_variants "$0"'
fi
echo "$(ls "$data"/originals | wc -l) originals in $data/originals"
