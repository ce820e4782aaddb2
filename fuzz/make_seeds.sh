#!/usr/bin/env bash
# Writes the fuzz target's seed corpus: one small file of every accepted type
# (and the common variants of each: palette, alpha, 16-bit, compressions).
# Needs ImageMagick's convert and python3; the seeds are committed, so this
# runs only when they should change.
set -euo pipefail
out=${1:-"$(dirname "$0")/seeds"}
mkdir -p "$out"
src=(-size 16x12 gradient:red-blue -fill white -draw "rectangle 2,2 6,6")
c() { convert "${src[@]}" "$@"; }

c -quality 80 "$out/baseline.jpg"
c -interlace JPEG "$out/progressive.jpe"
c -colorspace CMYK "$out/cmyk.jpg"
c "$out/bmp3.bmp"
c BMP2:"$out/bmp2.bmp"
c -colors 16 -compress RLE BMP3:"$out/rle4.rle"
c -colors 200 -compress RLE BMP3:"$out/rle8.bmp"
c -alpha set -channel A -fx 0.5 BMP:"$out/bmp4_alpha.dib"
c -colors 8 "$out/palette.gif"
c -colors 8 GIF87:"$out/gif87.gif"
c "$out/rgb.png"
c -colors 5 PNG8:"$out/palette.png"
c -alpha set -channel A -fx 0.5 PNG32:"$out/alpha.png"
c -colorspace Gray -depth 16 PNG:"$out/grey16.png"
c "$out/rgb.pcx"
c -colors 16 "$out/palette.pcx"
c DCX:"$out/pages.pcx"
c "$out/rgb.tga"
c -compress RLE "$out/rle.tga"
c -colors 16 -type Palette "$out/palette.vda"
c -compress LZW "$out/lzw.tif"
c -compress Zip -depth 16 "$out/zip16.tif"
c -compress JPEG "$out/jpeg.tif"
c -define tiff:tile-geometry=16x16 "$out/tiled.tif"
c -colorspace CMYK "$out/cmyk.tif"
c -monochrome -compress Group4 "$out/g4.tif"
c PICT:"$out/pict.pic"

python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]

# Utah raster (RLE): 4 x 2 pixels, three 8-bit planes, no background.
rle = struct.pack('<HhhHHBBBBB', 0xCC52, 0, 0, 4, 2, 0x02, 3, 8, 0, 0)
for row in range(2):
    for plane in range(3):
        rle += bytes([0x02, plane, 0x05, 3]) + bytes((plane * 60 + row * 40 + i * 20) % 256 for i in range(4))
    rle += bytes([0x01, 1])
rle += bytes([0x07, 0])
open(f'{out}/utah.rle', 'wb').write(rle)

# Placeable Windows metafile, 100 x 100 units, red rectangle on its window.
def rec(function, *params):
    return struct.pack('<IH', 3 + len(params), function) + b''.join(struct.pack('<h', p) for p in params)
body = rec(0x020B, 0, 0) + rec(0x020C, 100, 100) + rec(0x02FC, 0, 0x00FF, 0, 0) \
    + rec(0x012D, 0) + rec(0x041B, 100, 100, 0, 0) + rec(0x0000)
header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(body)) // 2, 1, 7, 0)
placeable = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 100, 100, 96, 0)
checksum = 0
for i in range(0, 20, 2):
    checksum ^= struct.unpack_from('<H', placeable, i)[0]
open(f'{out}/red.wmf', 'wb').write(placeable + struct.pack('<H', checksum) + header + body)

# WordPerfect graphic (level 1): 16 x 8 one-bit bitmap, left half white.
def wrec(kind, data):
    return bytes([kind, len(data)]) + data
rows = bytes.fromhex('02FF00') * 8
wpg = bytes.fromhex('FF575043') + struct.pack('<I', 16) + bytes.fromhex('01160100') + struct.pack('<HH', 0, 0)
wpg += wrec(0x0F, bytes.fromhex('0100') + struct.pack('<HH', 16, 8))
wpg += wrec(0x0E, struct.pack('<HH', 0, 2) + bytes.fromhex('000000FFFFFF'))
wpg += wrec(0x0B, struct.pack('<HHHHH', 16, 8, 1, 75, 75) + rows)
wpg += wrec(0x10, b'')
open(f'{out}/half.wpg', 'wb').write(wpg)
PY
ls -l "$out"
