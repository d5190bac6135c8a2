#!/usr/bin/env bash
# Time and peak memory of converting a 24-megapixel JPEG XL photo: our converter (as the program
# starts it, without a screen size: decode and write the bitmap) against libjxl's own djxl
# writing a PPM, in the same run. Medians of RUNS (default 5) of /usr/bin/time's seconds and
# peak resident kilobytes.
# Usage: bench/jpeg-xl-conversion.sh BUILD_FOLDER [RUNS]   (needs imagemagick and libjxl-tools)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
converter=$build/app/vornk-image-converter
photos=$build/bench-photos
mkdir -p "$photos"
photo=$photos/24-megapixels.jxl
if [ ! -e "$photo" ]; then
    nice convert -seed 7 -size 1500x1000 plasma: -resize '6000x4000!' "$photos/24-megapixels.png"
    nice cjxl --quiet "$photos/24-megapixels.png" "$photo"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure() {  # LABEL COMMAND...  (the command's own output goes to /dev/null)
    local label=$1 times
    shift
    times=$(mktemp)
    for _ in $(seq "$runs"); do
        /usr/bin/time -f '%e %M' -a -o "$times" "$@" >/dev/null 2>&1
    done
    printf '%-10s %10s %14s\n' "$label" "$(cut -d' ' -f1 "$times" | median)" \
        "$(cut -d' ' -f2 "$times" | median)"
    rm -f "$times"
}

printf '%-10s %10s %14s\n' "" "seconds" "peak RSS kB"
# shellcheck disable=SC2016  # the inner shell expands them
measure converter sh -c '"$0" photo.jxl 3<"$1" 4>"$2"' "$converter" "$photo" "$photos/out.bmp"
measure djxl djxl "$photo" "$photos/out.ppm"
rm -f "$photos/out.bmp" "$photos/out.ppm"
