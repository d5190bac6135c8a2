#!/usr/bin/env bash
# Change latency, event-loop stall and memory of a 6000x4000 JPEG change on a private X server,
# against hsetroot and feh (bench/ChangeBench.cpp): for smooth photos (large soft areas, which
# decode fast) and for detailed ones (fine grain everywhere, whose decoding is mostly the
# reading of the compressed data). Then the same on the screen split into two monitors side by
# side, with the same picture on both (hsetroot and feh fill each monitor too) and with a picture
# of its own on each.
#   bench/change-latency.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=$(realpath "${1:-build}")
runs=${2:-7}
display_fixture=$(dirname "$0")/../tests/support/display-fixture.sh
work=$(mktemp -d)
trap '"$display_fixture" stop "$work/x"; rm -rf "$work"' EXIT

echo "Making four 6000x4000 photos..."
convert -size 1500x1000 plasma:red-blue -resize 6000x4000! -quality 92 "$work/smooth-a.jpg"
convert -size 1500x1000 plasma:green-yellow -resize 6000x4000! -quality 92 "$work/smooth-b.jpg"
python3 "$(dirname "$0")/make-photo.py" 6000 4000 ppm /dev/stdout |
    cjpeg -quality 92 >"$work/detailed-a.jpg"
convert "$work/detailed-a.jpg" -negate -quality 92 "$work/detailed-b.jpg"
mkdir -p "$work/settings"

"$display_fixture" start "$work/x"
DISPLAY=$(cat "$work/x/display")
export DISPLAY
# A plain X11 session: the root-window backend, whatever the caller's desktop is.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY SWAYSOCK
for kind in smooth detailed; do
    echo "== $kind photos"
    VORNK_IMAGE_CONVERTER=$build/app/vornk-image-converter \
        "$build/bench/change_bench" "$work/$kind-a.jpg" "$work/$kind-b.jpg" "$work/settings" "$runs"
done

xrandr --setmonitor left 640/170x800/210+0+0 screen >/dev/null
xrandr --setmonitor right 640/170x800/210+640+0 none >/dev/null
for kind in smooth detailed; do
    convert "$work/$kind-a.jpg" -flop -quality 92 "$work/$kind-c.jpg"
    convert "$work/$kind-b.jpg" -flop -quality 92 "$work/$kind-d.jpg"
    echo "== $kind photos, two monitors, the same picture on both"
    VORNK_IMAGE_CONVERTER=$build/app/vornk-image-converter \
        "$build/bench/change_bench" "$work/$kind-a.jpg" "$work/$kind-b.jpg" "$work/settings" "$runs"
    echo "== $kind photos, two monitors, a picture on each"
    VORNK_IMAGE_CONVERTER=$build/app/vornk-image-converter \
        "$build/bench/change_bench" "$work/$kind-a.jpg" "$work/$kind-b.jpg" "$work/settings" \
        "$runs" "$work/$kind-c.jpg" "$work/$kind-d.jpg"
done
