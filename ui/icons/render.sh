#!/usr/bin/env bash
# Renders the PNG icons compiled into the program from their SVG sources (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"

render() {
    rsvg-convert --width "$2" --height "$2" --output "$1.png" "$1.svg"
}

render main 48
for name in exit help undo redo options show add remove_item remove_all; do
    render "$name" 32
done
