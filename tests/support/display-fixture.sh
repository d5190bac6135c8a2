#!/usr/bin/env bash
# CTest fixture: starts or stops a private X server (and optionally a tray host) for the tests.
#   display-fixture.sh start STATE_DIR [--tray]   writes the display name to STATE_DIR/display
#   display-fixture.sh stop STATE_DIR
set -euo pipefail

action=$1
state=$2
option=${3:-}

stop() {
    for name in trayer xvfb; do
        if [[ -f "$state/$name.pid" ]]; then
            kill "$(cat "$state/$name.pid")" 2>/dev/null || true
            rm -f "$state/$name.pid"
        fi
    done
    rm -f "$state/display"
}

wait_for() {
    local deadline=$((SECONDS + 20))
    until eval "$1"; do
        if ((SECONDS > deadline)); then
            echo "display fixture: timed out waiting for: $1" >&2
            exit 1
        fi
        sleep 0.1
    done
}

start() {
    stop
    mkdir -p "$state"
    rm -f "$state/displayfd"
    # -noreset keeps root-window properties and retained pixmaps when the last client leaves.
    setsid Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 \
        3>"$state/displayfd" </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    wait_for "[[ -s '$state/displayfd' ]]"
    local display=":$(head -n 1 "$state/displayfd")"
    wait_for "DISPLAY='$display' xdpyinfo >/dev/null 2>&1"
    if [[ "$option" == --tray ]]; then
        DISPLAY=$display setsid trayer --edge bottom --align right --widthtype request \
            --height 32 --SetDockType true --transparent false \
            </dev/null >"$state/trayer.log" 2>&1 &
        echo $! >"$state/trayer.pid"
        wait_for "DISPLAY='$display' xdotool search --class trayer >/dev/null 2>&1"
    fi
    echo "$display" >"$state/display"
}

case "$action" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop STATE_DIR [--tray]" >&2; exit 2 ;;
esac
