#!/usr/bin/env bash
# Time from `--exit` to the end of the program while it converts a large picture, and whether
# its converter outlives it; on a private X server with a tray host and a private session bus.
#   bench/exit-during-change.sh PICTURE [BUILD_DIR] [RUNS]
# A 12000x8400 JPEG, which ImageMagick's default resource limits will not make in one piece: a
# 1500x1050 `convert plasma:` PPM repeated 8x8 into one PPM, then `cjpeg -quality 90`.
set -euo pipefail

picture=$(realpath "$1")
build=${2:-build}
runs=${3:-3}
program=$(realpath "$build/app/vornk-wallpaper-changer")
display_fixture=$(realpath "$(dirname "$0")/../tests/support/display-fixture.sh")
work=$(mktemp -d)
bus=
trap '"$display_fixture" stop "$work/x"; [[ -z $bus ]] || kill "$bus"; rm -rf "$work"' EXIT

mkdir -p "$work/pictures"
ln -s "$picture" "$work/pictures/picture.jpg"

settings="$work/config/Vornk Software/Vornk Wallpaper Changer"
mkdir -p "$settings" "$work/runtime"
chmod 700 "$work/runtime"
printf 'sources\n{\n    module\n    {\n        path %s\n        type 0\n    }\n}\n' \
    "$work/pictures" >"$settings/sources.info"
printf 'onload_change false\ntimer_change false\nchange_interval 1800\n' >"$settings/settings.info"

"$display_fixture" start "$work/x" --tray
export DISPLAY=$(cat "$work/x/display") HOME=$work XDG_CONFIG_HOME=$work/config \
    XDG_RUNTIME_DIR=$work/runtime DBUS_SESSION_BUS_ADDRESS=unix:path=$work/runtime/bus
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile &
bus=$!
until [[ -S $work/runtime/bus ]]; do sleep 0.01; done

milliseconds() { date +%s%3N; }
# Gone, or a zombie that nobody will run again.
alive() { [[ -e /proc/$1 ]] && [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) != Z ]]; }

for run in $(seq "$runs"); do
    "$program" 2>/dev/null &
    pid=$!
    until xdotool search --all --pid "$pid" --name '^Vornk Wallpaper Changer$' >/dev/null 2>&1; do
        sleep 0.01
    done
    "$program" --next
    until converter=$(pgrep -P "$pid" -f vornk-image-converter); do
        sleep 0.01
    done
    sleep 1  # well inside the conversion
    start=$(milliseconds)
    "$program" --exit
    wait "$pid" || true
    exit_ms=$(($(milliseconds) - start))
    left=no
    if alive "$converter"; then
        left=yes
        kill -9 "$converter"
    fi
    echo "run $run: --exit to the program's end ${exit_ms} ms, converter left running: $left"
done
