#!/usr/bin/env bash
# CTest fixture: runs a real desktop (or a private session bus) for the desktop backend tests.
#   desktop-fixture.sh start KIND STATE_DIR   KIND: session_bus | xfce | lxqt | lxde | sway | wlroots
#                                              | gnome | plasma | cinnamon | mate
#                                              | gnome_wayland | plasma_wayland
#   desktop-fixture.sh stop STATE_DIR
#   desktop-fixture.sh run KIND STATE_DIR COMMAND...   start, run COMMAND, stop whatever happens:
#                                             a whole desktop shell lives only as long as its test
# "start" writes STATE_DIR/environment, the NAME=VALUE lines a test sets to reach the desktop
# (tests/support/FixtureEnvironment.h).
set -euo pipefail

action=$1
if [[ "$action" == start || "$action" == run ]]; then
    kind=$2
    state=$3
    shift 3
else
    state=$2
fi

export NO_AT_BRIDGE=1 GIO_USE_VFS=local

wait_for() {
    local deadline=$((SECONDS + 20))
    until eval "$1"; do
        if ((SECONDS > deadline)); then
            echo "desktop fixture: timed out waiting for: $1" >&2
            for log in "$state"/*.log; do
                [[ -f "$log" ]] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
            done
            exit 1
        fi
        sleep 0.1
    done
}

# Runs a daemon in a process group of its own and remembers the group.
spawn() {
    local name=$1
    shift
    setsid "$@" </dev/null >"$state/$name.log" 2>&1 &
    echo $! >>"$state/groups"
}

# The session's processes: those of the groups we spawned, and every process that carries one
# of its bus addresses, as the bus starts helpers on demand (the settings service, kded5, ...)
# outside those groups. What the stand-in system bus starts takes it for its session bus.
session_processes() {
    local group bus environ
    if [[ -f "$state/groups" ]]; then
        while read -r group; do
            pgrep -g "$group" || true
        done <"$state/groups"
    fi
    for bus in "$state/bus" "$state/system-bus"; do
        [[ -s "$bus" ]] || continue
        grep -lzxF "DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$bus")" /proc/[0-9]*/environ \
            2>/dev/null | while read -r environ; do
            environ=${environ#/proc/}
            echo "${environ%/environ}"
        done
    done
}

# Whether a process of this session has `name` in its command line; another session's process
# of that name does not count.
session_runs() {
    local name=$1 pid
    for pid in $(session_processes | sort -u); do
        grep -qaF -- "$name" "/proc/$pid/cmdline" 2>/dev/null && return 0
    done
    return 1
}

# Zombies, which nobody may reap here, count as gone.
still_running() {
    local pid
    for pid in "$@"; do
        [[ $(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1) =~ ^[^Z]$ ]] &&
            echo "$pid"
    done
}

# A desktop shell that has lost its display may spin rather than end on TERM.
stop() {
    local pids deadline
    pids=$(session_processes | grep -vx "$$" | sort -u || true)
    if [[ -n "$pids" ]]; then
        # shellcheck disable=SC2086
        kill -TERM $pids 2>/dev/null || true
        deadline=$((SECONDS + 5))
        # shellcheck disable=SC2086
        while [[ -n "$(still_running $pids)" ]] && ((SECONDS < deadline)); do
            sleep 0.1
        done
        # shellcheck disable=SC2046,SC2086
        kill -KILL $(still_running $pids) 2>/dev/null || true
    fi
    rm -f "$state/groups"
    if [[ -f "$state/sway-runtime" ]]; then
        rm -rf -- "$(cat "$state/sway-runtime")" "$state/sway-runtime"
    fi
    rm -f "$state/environment"
}

start_xvfb() {
    local size=${1:-640x400}
    rm -f "$state/displayfd"
    # -noreset keeps root-window properties when the last client leaves.
    setsid Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${size}x24" \
        3>"$state/displayfd" </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >>"$state/groups"
    wait_for "[[ -s '$state/displayfd' ]]"
    DISPLAY=":$(head -n 1 "$state/displayfd")"
    export DISPLAY
    wait_for "xdpyinfo >/dev/null 2>&1"
}

# A private session bus; daemons it starts on demand (xfconfd) inherit this environment.
start_bus() {
    rm -f "$state/bus"
    spawn bus dbus-daemon --session --nofork --print-address=3 3>"$state/bus"
    wait_for "[[ -s '$state/bus' ]]"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$state/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

private_folders() {
    mkdir -p "$state/config" "$state/cache" "$state/runtime"
    chmod 700 "$state/runtime"
    export XDG_CONFIG_HOME=$state/config XDG_CACHE_HOME=$state/cache XDG_RUNTIME_DIR=$state/runtime
}

start_xfce() {
    private_folders
    start_xvfb
    start_bus
    # Without a window manager xfdesktop draws only once these are set.
    xprop -root -f _NET_NUMBER_OF_DESKTOPS 32c -set _NET_NUMBER_OF_DESKTOPS 1
    xprop -root -f _NET_CURRENT_DESKTOP 32c -set _NET_CURRENT_DESKTOP 0
    spawn xfdesktop xfdesktop --sm-client-disable --disable-wm-check
    wait_for "xfconf-query -c xfce4-desktop -l 2>/dev/null | grep -q last-image"
    # xfdesktop draws its colour first and its picture later: a plain grey picture of our own,
    # once on the screen, tells that it has finished drawing.
    convert -size 16x16 xc:'#808080' "$state/ready.png"
    local property
    for property in $(xfconf-query -c xfce4-desktop -l | grep '/last-image$'); do
        xfconf-query -c xfce4-desktop -p "$property" -s "$state/ready.png"
    done
    wait_for "xwd -root -silent | convert xwd:- -crop 1x1+320+200 txt:- | grep -q 808080"
}

# LXQt's file manager is pcmanfm-qt, LXDE's is pcmanfm.
start_pcmanfm() {
    local program=$1
    private_folders
    start_xvfb
    start_bus
    spawn "$program" "$program" --desktop
    wait_for "xdotool search --classname $program >/dev/null 2>&1"
}

# sway refuses to run as root: it runs as nobody, and root uses its sockets. With "--own-bg"
# sway draws a background of its own (from its configuration, as sway users have it);
# without, it stands in for a wlroots compositor that leaves the background to clients.
start_sway() {
    # Outside the build tree, which nobody may be unable to reach (a checkout in a private
    # home folder).
    local runtime
    runtime=$(mktemp -d /tmp/vornk-sway.XXXXXX)
    echo "$runtime" >"$state/sway-runtime"
    chown nobody:nogroup "$runtime"
    printf 'xwayland disable\n' >"$runtime/sway.config"
    if [[ "${1:-}" == --own-bg ]]; then
        printf 'output * bg #808080 solid_color\n' >>"$runtime/sway.config"
    fi
    chmod 644 "$runtime/sway.config"
    # Run from its runtime folder, the one place nobody may write: a path that sway took for
    # a command would leave its files there.
    (cd "$runtime" && spawn sway env -i PATH=/usr/bin:/bin HOME=/nonexistent \
        XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
        setpriv --reuid=nobody --regid=nogroup --clear-groups sway -c "$runtime/sway.config")
    wait_for "compgen -G '$runtime/sway-ipc.*.sock' >/dev/null && [[ -S '$runtime/wayland-1' ]]"
    export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-1
    SWAYSOCK=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n 1)
    export SWAYSOCK
    if [[ "${1:-}" == --own-bg ]]; then
        wait_for "grim -t ppm - 2>/dev/null | convert ppm:- -crop 1x1+10+10 txt:- 2>/dev/null | grep -q 808080"
    else
        wait_for "grim -t ppm - >/dev/null 2>&1"
    fi
}

# A real desktop shell on a screen of common size, with its own session bus, a second bus
# standing in for the system bus (GNOME Shell dies without one) and its own runtime folder. It
# shares HOME and XDG_CONFIG_HOME with the program under test: a settings service started with
# another configuration folder makes the program read back what it did not write.
#   shell_session [wayland]   a Wayland session has no X server: its compositor is the shell.
shell_session() {
    # A new account's home: nothing of an earlier run for the desktop to show or remember.
    rm -rf "${state:?}/home" "${state:?}/runtime"
    mkdir -p "$state/home/.config" "$state/home/.cache" "$state/runtime"
    chmod 700 "$state/runtime"
    export HOME=$state/home XDG_CONFIG_HOME=$state/home/.config
    export XDG_CACHE_HOME=$state/home/.cache XDG_RUNTIME_DIR=$state/runtime
    export GSETTINGS_BACKEND=dconf
    if [[ "${1:-}" == wayland ]]; then
        export XDG_SESSION_TYPE=wayland
        unset DISPLAY
    else
        export XDG_SESSION_TYPE=x11
        start_xvfb 1280x800
    fi
    start_bus
    rm -f "$state/system-bus"
    spawn system-bus dbus-daemon --session --nofork --print-address=3 3>"$state/system-bus"
    wait_for "[[ -s '$state/system-bus' ]]"
    DBUS_SYSTEM_BUS_ADDRESS=$(head -n 1 "$state/system-bus")
    export DBUS_SYSTEM_BUS_ADDRESS
}

start_gnome() {
    export XDG_CURRENT_DESKTOP=GNOME
    shell_session
    # A start-up banner would cover part of the screen.
    gsettings set org.gnome.desktop.notifications show-banners false
    spawn gnome-shell gnome-shell --x11 --replace
    # It starts in the overview, and on a busy machine enters it late: a key pressed before
    # that is lost.
    wait_for "gnome_overview | grep -q true"
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' \
        >/dev/null
    wait_for "gnome_overview | grep -q false"
}

# Headless, with no Xwayland; --unsafe-mode lets any caller take screenshots.
# VORNK_VIRTUAL_MONITORS: the monitors' sizes, laid out left to right (one 1280x800 without it).
start_gnome_wayland() {
    export XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-vornk
    shell_session wayland
    gsettings set org.gnome.desktop.notifications show-banners false
    local monitors=()
    for size in ${VORNK_VIRTUAL_MONITORS:-1280x800}; do
        monitors+=(--virtual-monitor "$size")
    done
    spawn gnome-shell gnome-shell --headless --wayland --no-x11 --unsafe-mode \
        --wayland-display="$WAYLAND_DISPLAY" "${monitors[@]}"
    wait_for "gnome_overview | grep -q true"
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' \
        >/dev/null
    wait_for "gnome_overview | grep -q false"
}

gnome_overview() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive 2>/dev/null
}

start_plasma() {
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
    export QT_QPA_PLATFORM=xcb XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg
    shell_session
    # Its window manager and compositor, as in a real session.
    spawn kwin kwin_x11 --replace
    wait_for "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window"
    spawn plasmashell plasmashell --no-respawn
    wait_for "gdbus call --session --dest org.kde.plasmashell --object-path /PlasmaShell \
        --method org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1"
}

# kwin_wayland carries file capabilities that a container may refuse to honour: a plain copy
# runs where the installed binary fails with "Operation not permitted".
# VORNK_VIRTUAL_OUTPUTS: how many 1280x800 outputs, laid out left to right (one without it).
start_plasma_wayland() {
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
    export XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg
    export WAYLAND_DISPLAY=wayland-vornk
    shell_session wayland
    cp /usr/bin/kwin_wayland "$state/kwin_wayland"
    spawn kwin env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 "$state/kwin_wayland" --virtual \
        --width 1280 --height 800 --output-count "${VORNK_VIRTUAL_OUTPUTS:-1}" --no-lockscreen \
        --socket "$WAYLAND_DISPLAY"
    wait_for "[[ -S '$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY' ]]"
    wait_for "gdbus call --session --dest org.kde.KWin --object-path /KWin \
        --method org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1"
    # Services the bus starts on demand (the activity manager) need the session's display.
    dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME HOME \
        XDG_CURRENT_DESKTOP XDG_SESSION_TYPE
    spawn plasmashell env QT_QPA_PLATFORM=wayland plasmashell --no-respawn
    wait_for "gdbus call --session --dest org.kde.plasmashell --object-path /PlasmaShell \
        --method org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1"
    # Programs of the session start once its tray is up, as they do after a logon.
    wait_for "gdbus call --session --dest org.kde.StatusNotifierWatcher \
        --object-path /StatusNotifierWatcher --method org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered 2>/dev/null | grep -q true"
}

start_cinnamon() {
    export XDG_CURRENT_DESKTOP=X-Cinnamon
    shell_session
    # The picture is drawn by csd-background, started by the session manager, and only once
    # that says the session runs.
    spawn cinnamon-session cinnamon-session --session cinnamon
    wait_for "session_runs csd-background"
}

start_mate() {
    export XDG_CURRENT_DESKTOP=MATE
    shell_session
    spawn caja caja --force-desktop --no-default-window
    wait_for "xdotool search --classname desktop_window >/dev/null 2>&1"
}

write_environment() {
    local names=("$@")
    : >"$state/environment.tmp"
    for name in "${names[@]}"; do
        printf '%s=%s\n' "$name" "${!name}" >>"$state/environment.tmp"
    done
    mv "$state/environment.tmp" "$state/environment"
}

start() {
    stop
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    case "$kind" in
        session_bus) start_bus && write_environment DBUS_SESSION_BUS_ADDRESS ;;
        xfce) start_xfce && write_environment DISPLAY DBUS_SESSION_BUS_ADDRESS ;;
        lxqt | lxde)
            start_pcmanfm "$([[ "$kind" == lxqt ]] && echo pcmanfm-qt || echo pcmanfm)"
            write_environment DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME XDG_CACHE_HOME \
                XDG_RUNTIME_DIR
            ;;
        sway) start_sway --own-bg && write_environment XDG_RUNTIME_DIR WAYLAND_DISPLAY SWAYSOCK ;;
        wlroots) start_sway && write_environment XDG_RUNTIME_DIR WAYLAND_DISPLAY ;;
        gnome | plasma | cinnamon | mate)
            "start_$kind"
            write_environment DISPLAY DBUS_SESSION_BUS_ADDRESS HOME XDG_CONFIG_HOME \
                XDG_RUNTIME_DIR XDG_CURRENT_DESKTOP GSETTINGS_BACKEND
            ;;
        gnome_wayland | plasma_wayland)
            "start_$kind"
            write_environment WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS HOME \
                XDG_CONFIG_HOME XDG_RUNTIME_DIR XDG_CURRENT_DESKTOP GSETTINGS_BACKEND
            ;;
        *) echo "unknown desktop: $kind" >&2; exit 2 ;;
    esac
}

case "$action" in
    start) start ;;
    stop) stop ;;
    run)
        trap stop EXIT
        trap 'exit 143' TERM INT
        # Plasma's cross-fade drops toward black when its software rendering misses frames: a
        # shell given VORNK_FIXTURE_ATTEMPTS gets that many fresh starts, each failure shown.
        attempts=${VORNK_FIXTURE_ATTEMPTS:-1}
        for ((attempt = 1; ; ++attempt)); do
            start
            status=0
            VORNK_FIXTURE_ENVIRONMENT=$state/environment "$@" || status=$?
            if ((status == 0 || attempt >= attempts)); then
                exit "$status"
            fi
            echo "desktop-fixture: attempt $attempt of $attempts failed; the shell starts afresh"
            stop
        done
        ;;
    *) echo "usage: $0 start KIND STATE_DIR | stop STATE_DIR | run KIND STATE_DIR COMMAND..." >&2
       exit 2 ;;
esac
