#!/usr/bin/env bash
# Start-up time, idle memory and idle CPU of the program with a saved library of 100,000 images in
# 1,000 folders, on a private X server with a tray host.
#   bench/startup.sh [BUILD_DIR] [IDLE_SECONDS]
set -euo pipefail

build=${1:-build}
idle_seconds=${2:-60}
program=$(realpath "$build/app/vornk-wallpaper-changer")
display_fixture=$(dirname "$0")/../tests/support/display-fixture.sh
work=$(mktemp -d)
trap '"$display_fixture" stop "$work/x"; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

echo "Generating 100,000 files in 1,000 folders..."
library="$work/library"
for folder in $(seq -w 0 999); do
    mkdir -p "$library/$folder"
    (cd "$library/$folder" && touch $(printf 'image%03d.jpg ' $(seq 0 99)))
done

settings="$work/config/Vornk Software/Vornk Wallpaper Changer"
mkdir -p "$settings" "$work/runtime"
chmod 700 "$work/runtime"
printf 'sources\n{\n    module\n    {\n        path %s\n        type 1\n    }\n}\n' "$library" \
    >"$settings/sources.info"
printf 'onload_change false\ntimer_change true\nchange_interval 1800\n' >"$settings/settings.info"

"$display_fixture" start "$work/x" --tray
DISPLAY=$(cat "$work/x/display")
export DISPLAY

milliseconds() { date +%s%3N; }

sync
start=$(milliseconds)
find "$library" -type f >/dev/null
find_ms=$(($(milliseconds) - start))

# The hidden main window gets its native window just before the event loop starts.
start=$(milliseconds)
HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime "$program" 2>/dev/null &
pid=$!
until xdotool search --all --pid "$pid" --name '^Vornk Wallpaper Changer$' >/dev/null 2>&1; do
    sleep 0.01
done
startup_ms=$(($(milliseconds) - start))

sleep 3
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
ticks_before=$(cpu_ticks)
sleep "$idle_seconds"
ticks_after=$(cpu_ticks)
rss_kb=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
kill "$pid"

hz=$(getconf CLK_TCK)
echo "find over the tree:           ${find_ms} ms"
echo "start-up to the event loop:   ${startup_ms} ms ($((startup_ms - find_ms)) ms beyond find)"
echo "idle resident memory:         $((rss_kb / 1024)) MB"
awk -v t=$((ticks_after - ticks_before)) -v hz="$hz" -v s="$idle_seconds" \
    'BEGIN { printf "idle CPU over %d s:           %.3f%%\n", s, 100 * t / hz / s }'
