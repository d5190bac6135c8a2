#!/usr/bin/env bash
# Keeps the Windows platform layer from rotting on this Linux machine: cross-compiles every
# Windows source with mingw-w64 (warnings as errors), then builds a console test program from
# the pieces that need neither Qt, DevIL nor Boost.Filesystem and runs it under Wine in a
# throw-away prefix, against Wine's real registry and window manager.
#
#   windows-check.sh BUILD_DIR QT_VERSION WINDOW_CLASS
#
# QT_VERSION and WINDOW_CLASS are those of the Qt the program is built with (tests/windows
# passes them). The window checks need an X display: the file named by VORNK_DISPLAY_FILE (the
# CTest "display" fixture) holds its name, otherwise DISPLAY is used.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 BUILD_DIR QT_VERSION WINDOW_CLASS" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
qt_version=$2
window_class=$3
cxx=x86_64-w64-mingw32-g++-posix
gtest=/usr/src/googletest/googletest

# Sources that use DevIL, Boost.Filesystem or Qt (or need the core that does): Debian has no
# Windows build of any of them, so they are compiled but never linked here.
compile_only=(platform/windows/BitmapConversion.cpp platform/windows/WindowsCore.cpp
    platform/Core.cpp platform/FileReplacement.cpp platform/worker/ListingWorker.cpp
    platform/worker/WorkerThread.cpp)
# Shared sources that the Windows build compiles as well.
shared=(model/WideString.cpp platform/Core.cpp platform/FileReplacement.cpp
    platform/ImageExtensions.cpp platform/ProgramAutorun.cpp platform/remote/RemoteRequest.cpp
    platform/worker/ListingWorker.cpp platform/worker/WorkerThread.cpp sources/WallpaperEntry.cpp)

mkdir -p "$build/include" "$build/obj"
build=$(cd "$build" && pwd)
# Only these two trees of the host's headers: /usr/include itself would mix in glibc's.
ln -sfn /usr/include/boost "$build/include/boost"
ln -sfn /usr/include/IL "$build/include/IL"

flags=(-std=c++20 -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
    -Wsuggest-override -Werror -I"$root" -isystem "$build/include" -isystem "$gtest/include"
    -DUNICODE -D_UNICODE -DNOMINMAX -DWIN32_LEAN_AND_MEAN
    "-DVORNK_QT_WINDOW_CLASS=\"$window_class\"" "-DVORNK_TEST_QT_VERSION=\"$qt_version\"")

object_of() { echo "$build/obj/${1//\//_}.o"; }

compile() {
    echo "compile $1"
    "$cxx" "${flags[@]}" -c "$root/$1" -o "$(object_of "$1")"
}

cd "$root"
layer=(platform/windows/*.cpp)
tests=(tests/windows/*.cpp)
sources=("${layer[@]}" "${shared[@]}" "${tests[@]}")
# Two compilers at a time (three while GoogleTest, built once, compiles): the machine is shared.
failed=0
gtest_object=$build/obj/gtest-all.o
gtest_job=
if [[ ! -f $gtest_object ]]; then
    echo "compile gtest-all.cc"
    "$cxx" -std=c++20 -O1 -isystem "$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" \
        -o "$gtest_object.tmp" &
    gtest_job=$!
fi
running=()
for source in "${sources[@]}"; do
    compile "$source" &
    running+=($!)
    if ((${#running[@]} == 2)); then
        for pid in "${running[@]}"; do wait "$pid" || failed=1; done
        running=()
    fi
done
for pid in "${running[@]}" $gtest_job; do wait "$pid" || failed=1; done
if ((failed)); then
    echo "windows-check: the Windows sources do not compile" >&2
    exit 1
fi
[[ -z $gtest_job ]] || mv "$gtest_object.tmp" "$gtest_object"

objects=()
for source in "${sources[@]}"; do
    [[ " ${compile_only[*]} " == *" $source "* ]] || objects+=("$(object_of "$source")")
done
program=$build/windows-wine-checks.exe
echo "link $(basename "$program")"
# Static, or Wine cannot start it for want of the MinGW runtime DLLs.
"$cxx" -static -o "$program" "${objects[@]}" "$gtest_object" \
    -ladvapi32 -lcomctl32 -lshell32 -lshlwapi -luser32

if [[ -n ${VORNK_DISPLAY_FILE:-} && -s $VORNK_DISPLAY_FILE ]]; then
    DISPLAY=$(cat "$VORNK_DISPLAY_FILE")
    export DISPLAY
fi

prefix=$(mktemp -d "$build/wineprefix.XXXXXX")
deep=$build/deep
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix" "$deep"
}
trap cleanup EXIT
# No Mono or Gecko installers in the new prefix; UTF-8 file names whatever the caller's locale.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

windows_path() { echo "Z:${1//\//\\}"; }

# Runs the program as it lies at $1; the rest are gtest arguments.
run() {
    local at=$1
    shift
    VORNK_EXPECTED_PROGRAM=$(windows_path "$at") wine "$at" "$@"
}

# A copy at a path of exactly $1 UTF-16 units, through a folder whose name is not ASCII (its
# 12 units: "Zürich-東京-𝄞", the last one a surrogate pair), the rest ASCII.
copy_at_length() {
    local name=${program##*/}
    local path="$deep/Zürich-東京-𝄞"
    local units=$((2 + ${#deep} + 1 + 12))
    local remaining=$(($1 - units - 1 - ${#name}))
    while ((remaining > 1)); do
        local segment=$((remaining - 1 > 200 ? 200 : remaining - 1))
        ((remaining - segment - 1 != 1)) || segment=$((segment - 1))
        path+=/$(head -c "$segment" /dev/zero | tr '\0' 'd')
        remaining=$((remaining - segment - 1))
    done
    mkdir -p "$path"
    cp "$program" "$path/"
    echo "$path/$name"
}

status=0
run "$program" || status=1
# The quoted path just fills the autorun read buffer; then a path longer than MAX_PATH.
for length in 254 300; do
    echo "program path of $length characters:"
    run "$(copy_at_length "$length")" --gtest_filter='WindowsProgramAutorunTest.*' || status=1
done
exit $status
