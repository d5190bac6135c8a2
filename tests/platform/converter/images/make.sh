#!/usr/bin/env bash
# Makes the pictures of the decoding test again (needs python3, imagemagick, libimage-exiftool-perl,
# libheif-examples, libavif-bin, webp, libjxl-tools, ghostscript and a C compiler with
# libjpeg62-turbo-dev). Every file shows one of the reference pictures: four-colours.png (BMP and
# TGA; primaries.png and unset-black.png for a few of them) or quadrants.png (the others), but for
# the pictures tagged with a colour profile, which show their own "-in-srgb.png"
# (quadrants-p3-in-srgb.png for the Display P3 HEIF and AVIF files).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 make_images.py .
for reference in four-colours primaries unset-black; do
    convert "$reference.ppm" -strip "$reference.png"
    rm "$reference.ppm"
done
convert four-colours.png -crop 1x1+0+0 +repage -strip one-pixel.png

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

# HEIF and AVIF, from heif-enc (libheif-examples) and avifenc (libavif-bin). heif-enc misreads
# palette PNG files: it is given 24-bit (and 48-bit) copies.
convert quadrants.png PNG24:"$work/quadrants.png"
convert quadrants.png -depth 16 PNG48:"$work/quadrants-16bit.png"
heif_lossless=(-L -p chroma=444 --matrix_coefficients=0)
heif-enc "${heif_lossless[@]}" "$work/quadrants.png" -o quadrants.heic
heif-enc -q 90 -b 10 "$work/quadrants-16bit.png" -o quadrants-10bit.heic
# heif-enc writes no rotation, mirroring or colour description: heif_transform.py adds them.
python3 heif_transform.py quadrants.heic display-p3.heic nclx=12,13,0 Each file holds the
# picture turned the other way, as the JPEG orientations do; "irot" turns anticlockwise, "imir"
# mode 0 swaps top and bottom, mode 1 left and right.
convert "$work/quadrants.png" -rotate 90 PNG24:"$work/irot-1.png"
heif-enc "${heif_lossless[@]}" "$work/irot-1.png" -o "$work/irot-1.heic"
python3 heif_transform.py "$work/irot-1.heic" irot-1.heic irot=1
convert "$work/quadrants.png" -flip -rotate -90 PNG24:"$work/irot-3-imir-0.png"
heif-enc -q 90 -p chroma=420 "$work/irot-3-imir-0.png" -o "$work/irot-3-imir-0.heic"
python3 heif_transform.py "$work/irot-3-imir-0.heic" irot-3-imir-0.heic irot=3 imir=0
convert "$work/quadrants-16bit.png" -flop PNG48:"$work/imir-1-10bit.png"
heif-enc -q 90 -b 10 "$work/imir-1-10bit.png" -o "$work/imir-1-10bit.heic"
python3 heif_transform.py "$work/imir-1-10bit.heic" imir-1-10bit.heic imir=1

avifenc -l quadrants.png quadrants.avif
avifenc -d 10 --min 0 --max 4 quadrants.png quadrants-10bit.avif
avifenc -l -d 10 --cicp 12/13/0 quadrants.png display-p3.avif
convert quadrants.png -flop -rotate 90 "$work/irot-1-imir-1.png"
avifenc -l --irot 1 --imir 1 "$work/irot-1-imir-1.png" irot-1-imir-1.avif
convert quadrants.png -negate "$work/negated.png"
avifenc -l quadrants.png "$work/negated.png" animated.avif
# Taller than the strips the converter converts at a time, with 4:2:0 chroma shared across them.
convert -seed 5 -size 40x150 plasma: "$work/tall.png"
avifenc -d 8 -y 420 --min 10 --max 20 "$work/tall.png" tall-420.avif

# A Display P3 ICC profile, as phones embed, from Little CMS.
cat >"$work/p3-profile.c" <<'C'
#include <lcms2.h>
int main(int argc, char** argv) {
    cmsCIExyY white = {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(NULL, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    return argc == 2 && cmsSaveProfileToFile(profile, argv[1]) ? 0 : 1;
}
C
cc -o "$work/p3-profile" "$work/p3-profile.c" -llcms2
"$work/p3-profile" "$work/p3.icc"
# The first profile ImageMagick is given is assigned, not converted to: heif-enc takes it along.
convert quadrants.png -profile "$work/p3.icc" PNG24:"$work/quadrants-p3.png"
heif-enc "${heif_lossless[@]}" "$work/quadrants-p3.png" -o display-p3-icc.heic
avifenc -l --icc "$work/p3.icc" quadrants.png display-p3-icc.avif

# What the Display P3 files show, in sRGB: the same code values read as Display P3 (D65, the
# sRGB curve), through the published linear P3-to-sRGB matrix, clipped.
convert quadrants.png -depth 8 rgb:- | python3 -c '
import sys
def linear(v):
    v /= 255
    return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
def encoded(v):
    v = min(max(v, 0.0), 1.0)
    return round(255 * (12.92 * v if v <= 0.0031308 else 1.055 * v ** (1 / 2.4) - 0.055))
m = ((1.2249401, -0.2249404, 0.0), (-0.0420569, 1.0420571, 0.0), (-0.0196376, -0.0786361, 1.0982735))
data = sys.stdin.buffer.read()
out = bytearray()
for i in range(0, len(data), 3):
    rgb = [linear(c) for c in data[i:i + 3]]
    out += bytes(encoded(sum(m[r][c] * rgb[c] for c in range(3))) for r in range(3))
sys.stdout.buffer.write(out)' | convert -size 32x32 -depth 8 rgb:- -strip quadrants-p3-in-srgb.png

# Tagged with ICC profiles (make_tagged.py), each shown by what ImageMagick's Little CMS makes of
# it in sRGB; the JPEG files hold the TIFF's colours. make_tagged.py works out the 16-bit ramps'
# references itself.
jpeg quadrants.png "$work/untagged.jpg"
python3 make_tagged.py "$work" "$work/untagged.jpg"
mv "$work"/adobe-rgb.jpg "$work"/adobe-rgb-split.jpg "$work"/adobe-rgb.tiff "$work"/display-p3.png \
    "$work"/adobe-rgb-table.png "$work"/gradient-16bit*.png .
for tagged in adobe-rgb.tiff display-p3.png; do
    convert "$tagged" -profile "$work/srgb.icc" -strip "${tagged%.*}-in-srgb.png"
done

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
