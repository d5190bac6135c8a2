#!/usr/bin/env bash
# Makes the seed corpus again from the decoding test's pictures: each seed is one extension's
# number (0 jpg, 1 jpeg, 2 jpe, 3 png, 4 tiff, 5 tif, 6 tga, 7 bmp, 8 webp,
# 9 avif, 10 heic, 11 heif, 12 jxl) followed by a valid file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images=$here/../../tests/platform/converter/images
seeds=$here/seeds
rm -rf "$seeds"
mkdir -p "$seeds"

seed() {  # NUMBER FILE
    { printf "\\x$(printf %02x "$1")"; cat "$2"; } >"$seeds/$1-$(basename "$2")"
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert "$images/quadrants.png" -depth 8 -compress lzw "$work/lzw.tif"
convert "$images/quadrants.png" -interlace line -quality 80 "$work/progressive.jpg"
convert "$images/four-colours.png" -compress RLE "$work/rle.tga"
cwebp -quiet -q 80 "$images/quadrants.png" -o "$work/lossy.webp"

seed 0 "$images/orientation-6.jpg"
seed 1 "$images/cmyk.jpg"
seed 2 "$work/progressive.jpg"
seed 3 "$images/four-colours.png"
seed 3 "$images/quadrants.png"
seed 4 "$images/float32.tiff"
seed 5 "$work/lzw.tif"
seed 6 "$images/colour-mapped.tga"
seed 6 "$images/origin-top-right.tga"
seed 6 "$work/rle.tga"
seed 7 "$images/header-v5-masks.bmp"
seed 7 "$images/rle-4bit.bmp"
seed 7 "$images/rle-8bit.bmp"
seed 7 "$images/bitfields-16.bmp"
seed 7 "$images/header-v3-alpha.bmp"
seed 7 "$images/alpha-bitfields.bmp"
seed 7 "$images/bitfields-1bit.bmp"
seed 7 "$images/os2-core.bmp"
seed 7 "$images/palette-4bit-past-end.bmp"
seed 7 "$images/rle-8bit-skips.bmp"
seed 7 "$images/rle-24bit-skips.bmp"
seed 6 "$images/colour-mapped-rle-first-entry.tga"
seed 6 "$images/colour-map-16bit.tga"
seed 6 "$images/truecolour-rle-unused-map.tga"
seed 10 "$images/quadrants.heic"
seed 10 "$images/quadrants-10bit.heic"
seed 10 "$images/irot-3-imir-0.heic"
seed 9 "$images/quadrants.avif"
seed 9 "$images/animated.avif"
seed 9 "$images/irot-1-imir-1.avif"
seed 9 "$images/display-p3.avif"
# Tagged with ICC profiles: the profile readers and the conversion to sRGB.
seed 0 "$images/adobe-rgb-split.jpg"
seed 3 "$images/display-p3.png"
seed 3 "$images/gradient-16bit-p3.png"
seed 4 "$images/adobe-rgb.tiff"
seed 8 "$images/orientation-6.webp"
seed 8 "$images/transparent.webp"
seed 8 "$images/animated.webp"
seed 8 "$images/adobe-rgb.webp"
seed 8 "$work/lossy.webp"
seed 12 "$images/lossless.jxl"
seed 12 "$images/lossy.jxl"
seed 12 "$images/sixteen-bit.jxl"
seed 12 "$images/adobe-rgb-lossless.jxl"
seed 12 "$images/orientation-6.jxl"
