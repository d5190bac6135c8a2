#!/usr/bin/env bash
# Start-up of the converter on small pictures with its lockdown and without: the committed
# sources with the plugin loading and the lockdown taken out are built beside, then both run
# under hyperfine, through the same shell that hands them their descriptors.
#   bench/converter-startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=$(realpath "${1:-build}")
runs=${2:-50}
source=$(realpath "$(dirname "$0")/..")
confined=$build/app/vornk-image-converter
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "Building the converter without its lockdown..."
converter=$work/src/platform/linux/converter
mkdir -p "$work/src"
git -C "$source" archive HEAD | tar -x -C "$work/src" -f -
sed -i '/^    LoadImagePlugins();$/d' "$converter/AllFormatsConverterMain.cpp"
sed -i '/^    if (!LockDown(/,/^    }$/d' "$converter/ImageConversion.cpp"
if grep -q '^    LoadImagePlugins();' "$converter/AllFormatsConverterMain.cpp" ||
    grep -q 'LockDown(' "$converter/ImageConversion.cpp"; then
    echo "the lockdown could not be taken out of $converter" >&2
    exit 1
fi
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_FLAGS=-Wno-unused-function >/dev/null
nice cmake --build "$work/build" -j2 --target vornk-image-converter >/dev/null
unconfined=$work/build/app/vornk-image-converter

# A JPEG is converted by the first stage alone; a PNG goes on to the second, which loads Qt's
# image plugins only where it is locked down.
for picture in small.png small.jpg; do
    convert -size 64x48 gradient:red-blue "$work/$picture"
    run() {
        echo "sh -c 'exec $1 $picture 3<$work/$picture 4>$work/$2.bmp'"
    }
    hyperfine -N --warmup 3 --runs "$runs" \
        -n "$picture without lockdown" "$(run "$unconfined" without)" \
        -n "$picture with lockdown" "$(run "$confined" with)"
    cmp "$work/without.bmp" "$work/with.bmp"
done
