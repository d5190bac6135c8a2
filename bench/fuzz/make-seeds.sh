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
