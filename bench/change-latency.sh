#!/usr/bin/env bash
# Change latency, event-loop stall and memory of a 6000x4000 JPEG change on a private X server,
# against hsetroot and feh (bench/ChangeBench.cpp).
#   bench/change-latency.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=$(realpath "${1:-build}")
runs=${2:-7}
display_fixture=$(dirname "$0")/../tests/support/display-fixture.sh
work=$(mktemp -d)
trap '"$display_fixture" stop "$work/x"; rm -rf "$work"' EXIT

echo "Making two 6000x4000 photos..."
convert -size 1500x1000 plasma:red-blue -resize 6000x4000! -quality 92 "$work/a.jpg"
convert -size 1500x1000 plasma:green-yellow -resize 6000x4000! -quality 92 "$work/b.jpg"
mkdir -p "$work/settings"

"$display_fixture" start "$work/x"
DISPLAY=$(cat "$work/x/display")
export DISPLAY
# A plain X11 session: the root-window backend, whatever the caller's desktop is.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY SWAYSOCK
VORNK_IMAGE_CONVERTER=$build/app/vornk-image-converter \
    "$build/bench/change_bench" "$work/a.jpg" "$work/b.jpg" "$work/settings" "$runs"
