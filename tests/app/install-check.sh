#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop and its software centre find
# the program: the executable and its image converter, a valid application-menu entry, the icon
# it names at every size, valid AppStream metainfo that launches that entry, and the manual page.
#   install-check.sh BUILD_DIR
set -euo pipefail

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

entry="$prefix/share/applications/vornk-wallpaper-changer.desktop"
test -x "$prefix/bin/vornk-wallpaper-changer"
# The converter where the installed program looks for it, and able to run from there: a JPEG by
# its first stage alone, a PNG through the second stage beside it.
converter="$prefix/libexec/vornk-wallpaper-changer/vornk-image-converter"
for picture in red.png red.jpg; do
    convert -size 4x3 xc:red "$prefix/$picture"
    "$converter" "$picture" 3<"$prefix/$picture" 4>"$prefix/red.bmp" >/dev/null
    [[ $(identify -format '%m %wx%h' "$prefix/red.bmp") == "BMP3 4x3" ]]
done
desktop-file-validate "$entry"
grep -qx 'Exec=vornk-wallpaper-changer' "$entry"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [[ $(identify -format '%wx%h' "$png") == "${size}x${size}" ]]
done
test -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg"

metainfo="$prefix/share/metainfo/software.vornk.WallpaperChanger.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null
grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo"
grep -q '<binary>vornk-wallpaper-changer</binary>' "$metainfo"
test -s "$prefix/share/vornk-wallpaper-changer/screenshots/main-window.png"

page="$prefix/share/man/man1/vornk-wallpaper-changer.1"
[[ -z $(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ]]
echo "installed program, menu entry, icon '$icon' at every size, metainfo and manual page are in place"
