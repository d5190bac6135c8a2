#!/usr/bin/env bash
# Builds the Debian package from a clean clone of the committed tree, runs lintian, installs it
# with apt, checks the installed files and that the program starts, then removes it and checks
# that nothing of it is left. Needs root (or sudo) and a machine without the package installed.
#   scripts/package-check.sh [PACKAGE.deb]   (checks the given package instead of building one)
set -euo pipefail
cd "$(dirname "$0")/.."
package=vornk-wallpaper-changer

as_root=()
[[ $(id -u) -ne 0 ]] && as_root=(sudo)
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    echo "package check: $package is installed here; remove it first" >&2
    exit 1
fi
scripts/install-deps.sh

work=$(mktemp -d)
installed=
source scripts/private-session.sh
cleanup() {
    stop_private_session
    # A failed check must not leave the package on the machine: the next check needs it gone.
    [[ -z $installed ]] || remove_package >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

remove_package() {
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $package
    installed=
}

fail() {
    echo "package check: $*" >&2
    exit 1
}

build_package() {
    git clone --quiet --no-hardlinks . "$work/source"
    echo "building the package (log: $work/build.log)"
    if ! (cd "$work/source" && DEB_BUILD_OPTIONS=nocheck dpkg-buildpackage -us -uc -b) \
        >"$work/build.log" 2>&1; then
        tail -n 40 "$work/build.log" >&2
        fail "dpkg-buildpackage failed"
    fi
    # Every compiler and linker call got the hardening flags (the binary alone cannot show
    # _FORTIFY_SOURCE where the compiler had nothing to fortify).
    blhc --bindnow "$work/build.log" || fail "the build lacks hardening flags"
    lintian --fail-on error --info "$work"/"${package}"_*.changes
    deb=$(realpath "$work"/"${package}"_*.deb)
}

check_installed_files() {
    local program=/usr/bin/$package
    test -x "$program" || fail "$program is missing"
    hardening-check --quiet --nofortify --nocfprotection "$program" ||
        fail "$program lacks hardening"
    local path
    while read -r path; do
        if [[ -f $path && -x $path ]] && ldd "$path" | grep "not found"; then
            fail "$path misses a library"
        fi
    done <"$work/files"
    desktop-file-validate /usr/share/applications/$package.desktop
    appstreamcli validate --no-net /usr/share/metainfo/software.vornk.WallpaperChanger.metainfo.xml
    for size in 16 22 24 32 48 64 128 256; do
        test -s "/usr/share/icons/hicolor/${size}x${size}/apps/$package.png" ||
            fail "no ${size} px icon"
    done
    test -s /usr/share/icons/hicolor/scalable/apps/$package.svg || fail "no scalable icon"
    man -w $package >/dev/null || fail "man does not find the manual page"
}

# A start that changes the wallpaper at once proves that the installed program, its Qt plugins,
# its libraries and any helper program it runs work together in the installed layout.
check_program_changes_wallpaper() {
    local settings="$work/config/Vornk Software/Vornk Wallpaper Changer"
    mkdir -p "$settings"
    convert -size 64x48 gradient:skyblue-seagreen "$work/picture.jpg"
    printf 'onload_change true\ntimer_change false\nchange_interval 1800\n' \
        >"$settings/settings.info"
    printf 'sources\n{\n    module\n    {\n        path %s\n        type 2\n    }\n}\n' \
        "$work/picture.jpg" >"$settings/sources.info"

    start_private_display "$work"
    # No desktop named, so the program paints the X root window.
    start_program -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u WAYLAND_DISPLAY \
        XDG_CONFIG_HOME="$work/config" dbus-run-session -- $package >"$work/program.log" 2>&1
    timeout 30 bash -c "until [[ \$(cat '$settings/current_wallpaper.txt' 2>/dev/null) == \
        '$work/picture.jpg' ]]; do sleep 0.2; done" ||
        fail "the installed program did not change the wallpaper: $(cat "$work/program.log")"
    kill -0 "$program_pid" || fail "the installed program ended: $(cat "$work/program.log")"
    stop_private_session
}

check_nothing_left() {
    local path
    while read -r path; do
        if [[ $path == /. ]]; then
            continue
        elif [[ -d $path ]]; then
            dpkg-query -S "$path" >/dev/null 2>&1 || fail "folder $path is left behind"
        elif [[ -e $path || -L $path ]]; then
            fail "$path is left behind"
        fi
    done <"$work/files"
}

if (($#)); then
    deb=$(realpath "$1")
else
    build_package
fi
installed=yes
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
dpkg-query -L $package >"$work/files"
check_installed_files
check_program_changes_wallpaper
remove_package
check_nothing_left
echo "package check: $(basename "$deb") builds, installs, changes the wallpaper and leaves nothing behind"
