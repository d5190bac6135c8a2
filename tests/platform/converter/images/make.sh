#!/usr/bin/env bash
# Makes the pictures of the decoding test again (needs python3, imagemagick, libimage-exiftool-perl,
# a C compiler with libjpeg62-turbo-dev, webp, libjxl-tools and ghostscript). Every file shows one
# of two reference pictures: four-colours.png (BMP and TGA) or quadrants.png (the others).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 make_images.py .
convert four-colours.ppm -strip four-colours.png
convert four-colours.png -crop 1x1+0+0 +repage -strip one-pixel.png
rm four-colours.ppm

# Four 16x16 blocks, so that JPEG blocks never straddle two colours: any turn or mirror shows.
convert -size 16x16 xc:'rgb(220,40,40)' xc:'rgb(40,200,60)' +append \
    \( -size 16x16 xc:'rgb(40,70,220)' xc:'rgb(240,220,60)' +append \) -append -strip quadrants.png
# jpeg IN OUT [OPTIONS...]
jpeg() { convert "$1" "${@:3}" -quality 95 -sampling-factor 1x1 -strip "$2"; }

# Each orientation's file holds the picture turned the other way, so that it shows upright.
inverse=("" "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate -90" "-transverse" "-rotate 90")
for orientation in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086
    jpeg quadrants.png "orientation-$orientation.jpg" ${inverse[$orientation]}
    exiftool -q -overwrite_original -n -Orientation="$orientation" "orientation-$orientation.jpg"
done

jpeg quadrants.png cmyk.jpg -colorspace CMYK
convert quadrants.png -strip -type TrueColor -define quantum:format=floating-point -depth 32 \
    -compress zip float32.tiff
convert quadrants.png -strip -rotate -90 -orient RightTop -compress zip orientation-6.tiff

# ImageMagick writes no YCCK JPEG: libjpeg does, from the CMYK pixels.
cat >"$work/ycck.c" <<'C'
#include <stdio.h>
#include <jpeglib.h>
int main(void) {
    static unsigned char cmyk[32 * 32 * 4];
    if (fread(cmyk, 1, sizeof cmyk, stdin) != sizeof cmyk) return 1;
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, stdout);
    c.image_width = 32;
    c.image_height = 32;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_YCCK);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row; c.next_scanline < 32;) {
        row = cmyk + c.next_scanline * 32 * 4;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    return 0;
}
C
cc -o "$work/ycck" "$work/ycck.c" -ljpeg
# Adobe's inverted CMYK, as Photoshop writes it and as readers expect in an Adobe marker.
convert quadrants.png -colorspace CMYK -negate -depth 8 cmyk:- | "$work/ycck" >ycck.jpg

# WebP and JPEG XL, by the formats' own encoders (needs webp, libjxl-tools and ghostscript's ICC
# profiles). Transparent parts keep their colours (-exact): the decoders drop transparency.
convert quadrants.png \( -size 32x32 xc:white -fill black -draw 'rectangle 0,0 15,15' \
    -fill gray50 -draw 'rectangle 16,16 31,31' \) -alpha off -compose CopyOpacity -composite \
    "$work/transparent.png"
convert quadrants.png -flip "$work/flipped.png"
# The quadrants' colours in Adobe RGB, tagged so: shown right only once converted back to sRGB.
icc=/usr/share/color/icc/ghostscript
convert quadrants.png -profile "$icc/srgb.icc" -profile "$icc/a98.icc" "$work/adobe-rgb.png"

cwebp -quiet -lossless quadrants.png -o lossless.webp
cwebp -quiet -lossless -exact "$work/transparent.png" -o transparent.webp
img2webp -lossless quadrants.png -d 500 "$work/flipped.png" -o animated.webp >/dev/null
cwebp -quiet -lossless -metadata icc "$work/adobe-rgb.png" -o adobe-rgb.webp
for orientation in 2 3 4 5 6 7 8; do
    cwebp -quiet -lossless -metadata exif "orientation-$orientation.jpg" -o "orientation-$orientation.webp"
done

cjxl --quiet -d 0 quadrants.png lossless.jxl
cjxl --quiet -d 0.1 quadrants.png lossy.jxl
convert quadrants.png -depth 16 -define png:exclude-chunk=gAMA,cHRM PNG48:"$work/sixteen-bit.png"
cjxl --quiet -d 0 "$work/sixteen-bit.png" sixteen-bit.jxl
cjxl --quiet -d 0 "$work/adobe-rgb.png" adobe-rgb-lossless.jxl
cjxl --quiet -d 0.1 "$work/adobe-rgb.png" adobe-rgb-lossy.jxl
# JPEG files become JPEG XL without loss, their EXIF orientation in the codestream's header.
cjxl --quiet orientation-5.jpg orientation-5.jxl
cjxl --quiet orientation-6.jpg orientation-6.jxl
