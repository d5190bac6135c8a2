#!/usr/bin/env bash
# Photographs the main window with a few sources for the software centre, on a private X display
# with a throw-away settings folder and picture folders (needs xvfb, xdotool, imagemagick, dbus).
#   scripts/screenshot.sh [PROGRAM] [OUTPUT]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/app/vornk-wallpaper-changer}")
output=$(realpath -m "${2:-data/screenshots/main-window.png}")

# A fixed folder, so that the paths in the picture stay the same from one run to the next.
work=/tmp/vornk-shot
source scripts/private-session.sh
trap 'stop_private_session; rm -rf "$work"' EXIT
rm -rf "$work"

pictures="$work/Pictures"
mkdir -p "$pictures/Holidays/2025" "$pictures/Wallpapers"
for picture in Holidays/beach Holidays/2025/mountains Wallpapers/forest lake; do
    convert -size 64x48 gradient:skyblue-seagreen "$pictures/$picture.jpg"
done

settings="$work/config/Vornk Software/Vornk Wallpaper Changer"
mkdir -p "$settings"
# An existing settings.info means no first run, so nothing is written beside the settings.
printf 'onload_change false\ntimer_change true\nchange_interval 1800\n' >"$settings/settings.info"
printf 'Normal' >"$settings/current_algorithm.txt"
{
    echo 'sources'
    echo '{'
    for source in "1 Holidays" "0 Wallpapers" "2 lake.jpg"; do
        printf '    module\n    {\n        path %s\n        type %s\n    }\n' \
            "$pictures/${source#* }" "${source%% *}"
    done
    echo '}'
} >"$settings/sources.info"

# No tray host, so the window stays on screen.
start_private_display "$work"
start_program XDG_CONFIG_HOME="$work/config" dbus-run-session -- "$program" 2>/dev/null
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vornk Wallpaper Changer$' | head -1)
xdotool windowsize "$window" 640 440
sleep 1
import -window "$window" "PNG24:$output"
echo "wrote $output"
