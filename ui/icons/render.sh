#!/usr/bin/env bash
# Renders the PNG icons compiled into the program, and the menu and launcher icons that
# data/CMakeLists.txt installs, from their SVG sources (needs librsvg2-bin). The PNGs are checked
# in, so that neither the build nor the package needs the renderer.
set -euo pipefail
cd "$(dirname "$0")"

render() {
    rsvg-convert --width "$2" --height "$2" --output "$1.png" "$1.svg"
}

render main 48
for name in exit help undo redo options show add remove_item remove_all; do
    render "$name" 32
done

for size in 16 22 24 32 48 64 128 256; do
    folder="../../data/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$folder"
    rsvg-convert --width "$size" --height "$size" --output "$folder/vornk-wallpaper-changer.png" \
        main.svg
done
