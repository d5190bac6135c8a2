#!/usr/bin/env bash
# Peak memory of the converter for a 100- and a 250-megapixel photo on each decoder path: JPEG
# and PNG (DevIL), CMYK JPEG (Qt only, DevIL cannot show it). The converter runs as the program
# starts it (the photo at descriptor 3, the bitmap at 4), scaling for a 1920x1080 screen, under
# its own memory limit.
# Usage: bench/converter-memory.sh BUILD_FOLDER    (needs cjpeg and libjpeg's headers)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
converter=$build/app/vornk-image-converter
photos=$build/bench-photos
mkdir -p "$photos"

make_photos() {  # NAME WIDTH HEIGHT
    local name=$1 width=$2 height=$3
    [ -e "$photos/$name.jpg" ] || nice python3 "$here/make-photo.py" "$width" "$height" ppm /dev/stdout |
        nice cjpeg -quality 90 >"$photos/$name.jpg"
    [ -e "$photos/$name.png" ] || nice python3 "$here/make-photo.py" "$width" "$height" png "$photos/$name.png"
    [ -e "$photos/$name-cmyk.jpg" ] || nice python3 "$here/make-photo.py" "$width" "$height" ppm /dev/stdout |
        nice "$photos/make-cmyk-jpeg" >"$photos/$name-cmyk.jpg"
}

c++ -O2 -std=c++20 "$here/MakeCmykJpeg.cpp" -ljpeg -o "$photos/make-cmyk-jpeg"
make_photos 100-megapixels 12000 8400
make_photos 250-megapixels 19365 12910

printf '%-28s %6s %12s %8s\n' photo exit "peak RSS MB" seconds
for photo in "$photos"/*.jpg "$photos"/*.png; do
    report=$(mktemp)
    set +e
    /usr/bin/time -v "$converter" "$(basename "$photo")" 1920 1080 3<"$photo" 4>"$photos/out.bmp" \
        >/dev/null 2>"$report"
    status=$?
    set -e
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$report")
    seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$report")
    printf '%-28s %6s %12s %8s\n' "$(basename "$photo")" "$status" "$((peak / 1024))" "$seconds"
    grep '^vornk-image-converter:' "$report" || true
    rm -f "$report" "$photos/out.bmp"
done
