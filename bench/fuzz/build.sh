#!/usr/bin/env bash
# Builds the converter's fuzz target with Debian's clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into
# BUILD_FOLDER (default build-fuzz/). Not part of the normal build or of CI. Needs clang and
# libclang-rt-dev besides the project's own packages.
#
# Only our code is instrumented: DevIL, Qt, libwebp and libjxl come from Debian as they are, so libFuzzer's
# coverage guidance sees the decoders only through the paths of our code (which decoder, which
# layout check); crashes and allocations inside them are still caught.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build-fuzz}
mkdir -p "$out"
sources=(
    bench/fuzz/ConverterFuzzer.cpp
    bench/fuzz/EscapeRunMutator.cpp
    platform/linux/converter/BitmapFile.cpp
    platform/linux/converter/DevilImage.cpp
    platform/linux/converter/ImageDecoder.cpp
    platform/linux/converter/ImageFormat.cpp
    platform/linux/converter/QtImageDecoder.cpp
    platform/linux/converter/RgbImage.cpp
    platform/linux/converter/TruncationCheck.cpp
    platform/linux/converter/UprightPicture.cpp
    platform/linux/converter/bmp/BitmapDecoder.cpp
    platform/linux/converter/checks/TiffLayout.cpp
    platform/linux/converter/colour/CodePointColourConverter.cpp
    platform/linux/converter/colour/ColourProfile.cpp
    platform/linux/converter/colour/EmbeddedIccProfile.cpp
    platform/linux/converter/colour/JpegIccProfile.cpp
    platform/linux/converter/colour/MatrixShaperToSrgb.cpp
    platform/linux/converter/colour/PngIccProfile.cpp
    platform/linux/converter/colour/SrgbConverter.cpp
    platform/linux/converter/colour/TiffIccProfile.cpp
    platform/linux/converter/formats/ExifOrientation.cpp
    platform/linux/converter/formats/JpegXlDecoder.cpp
    platform/linux/converter/formats/WebpDecoder.cpp
    platform/linux/converter/isobmff/AvifDecoder.cpp
    platform/linux/converter/isobmff/HeifDecoder.cpp
    platform/linux/converter/isobmff/PictureOrientation.cpp
    platform/linux/converter/isobmff/PrimaryItemOrientation.cpp
    platform/linux/converter/jpeg/JpegDecompression.cpp
    platform/linux/converter/jpeg/JpegOrientation.cpp
    platform/linux/converter/jpeg/JpegSegments.cpp
    platform/linux/converter/jpeg/PlainJpeg.cpp
    platform/linux/converter/jpeg/UprightJpeg.cpp
    platform/linux/converter/reduced/EntropyBits.cpp
    platform/linux/converter/reduced/HuffmanTable.cpp
    platform/linux/converter/reduced/ReducedJpeg.cpp
    platform/linux/converter/reduced/TwoCoreJpegDecoder.cpp
    platform/linux/converter/tga/TargaDecoder.cpp
)
cd "$root"
# shellcheck disable=SC2046
nice clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined \
    -I"$root" $(pkg-config --cflags Qt6Gui lcms2 libheif libavif libwebp libjxl) "${sources[@]}" \
    $(pkg-config --libs Qt6Gui lcms2 zlib libheif libavif libwebp libwebpdemux libjxl libjxl_threads) \
    -lIL -ljpeg -o "$out/converter_fuzzer"
echo "$out/converter_fuzzer"
