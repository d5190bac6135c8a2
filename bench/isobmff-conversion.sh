#!/usr/bin/env bash
# Conversion time and peak memory of a 12-megapixel HEIC and a 24-megapixel AVIF photo (8 and 10
# bits) through the converter (the photo at descriptor 3, the bitmap at 4, no screen size), beside
# the codecs' own command-line decoders writing PNG, in the same run: the median of RUNS each
# (default 5).
# Usage: bench/isobmff-conversion.sh [BUILD_FOLDER] [RUNS]
#        (needs imagemagick, libheif-examples and libavif-bin)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
converter=$build/app/vornk-image-converter
photos=$build/bench-photos
mkdir -p "$photos"

# Plasma, enlarged: smooth areas and soft edges as in a photo, compressing as one does.
make_photo() {  # OUTPUT WIDTH HEIGHT
    [ -e "$1" ] || nice convert -seed 7 -size 1500x1000 plasma: -resize "$2x$3!" PNG24:"$1"
}
make_photo "$photos/12-megapixels.png" 4000 3000
make_photo "$photos/24-megapixels.png" 6000 4000
[ -e "$photos/12-megapixels.heic" ] ||
    nice heif-enc -q 80 "$photos/12-megapixels.png" -o "$photos/12-megapixels.heic" >/dev/null
[ -e "$photos/24-megapixels.avif" ] ||
    nice avifenc -j all "$photos/24-megapixels.png" "$photos/24-megapixels.avif" >/dev/null
[ -e "$photos/24-megapixels-10bit.avif" ] ||
    nice avifenc -j all -d 10 "$photos/24-megapixels.png" "$photos/24-megapixels-10bit.avif" \
        >/dev/null

# "SECONDS PEAK_KB" of one run of the command.
measure() {
    /usr/bin/time -f '%e %M' -o "$photos/time.txt" "$@" >/dev/null 2>&1 ||
        echo "failed: $*" >&2
    cat "$photos/time.txt"
}

median() {  # the middle one of the numbers on standard input
    sort -n | awk '{ value[NR] = $1 } END { print value[int((NR + 1) / 2)] }'
}

# The median seconds and peak memory (MB) of `runs` runs.
median_of_runs() {
    local results
    results=$(for _ in $(seq "$runs"); do measure "$@"; done)
    printf '%8.2f %10d\n' "$(cut -d' ' -f1 <<<"$results" | median)" \
        "$(($(cut -d' ' -f2 <<<"$results" | median) / 1024))"
}

# As the program starts it: exec leaves the converter alone in the measured process.
# shellcheck disable=SC2016 # expanded by that shell
ours=(sh -c 'exec "$1" "$(basename "$2")" 3<"$2" 4>"$3"' sh "$converter")

printf '%-22s %-14s %8s %10s\n' photo decoder seconds "peak MB"
heic=$photos/12-megapixels.heic
avif=$photos/24-megapixels.avif
printf '%-22s %-14s %s\n' "$(basename "$heic")" converter \
    "$(median_of_runs "${ours[@]}" "$heic" "$photos/out.bmp")"
printf '%-22s %-14s %s\n' "$(basename "$heic")" heif-convert \
    "$(median_of_runs heif-convert "$heic" "$photos/out.png")"
printf '%-22s %-14s %s\n' "$(basename "$avif")" converter \
    "$(median_of_runs "${ours[@]}" "$avif" "$photos/out.bmp")"
printf '%-22s %-14s %s\n' "$(basename "$avif")" avifdec \
    "$(median_of_runs avifdec "$avif" "$photos/out.png")"
printf '%-22s %-14s %s\n' "$(basename "$avif")" "avifdec -j all" \
    "$(median_of_runs avifdec -j all "$avif" "$photos/out.png")"
deep=$photos/24-megapixels-10bit.avif
printf '%-22s %-14s %s\n' "$(basename "$deep")" converter \
    "$(median_of_runs "${ours[@]}" "$deep" "$photos/out.bmp")"
printf '%-22s %-14s %s\n' "$(basename "$deep")" avifdec \
    "$(median_of_runs avifdec "$deep" "$photos/out.png")"
rm -f "$photos/out.bmp" "$photos/out.png" "$photos/time.txt"
