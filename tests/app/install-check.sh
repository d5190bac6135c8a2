#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds the program: the
# executable, a valid application-menu entry, and the icon that entry names.
#   install-check.sh BUILD_DIR
set -euo pipefail

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

entry="$prefix/share/applications/vornk-wallpaper-changer.desktop"
test -x "$prefix/bin/vornk-wallpaper-changer"
desktop-file-validate "$entry"
grep -qx 'Exec=vornk-wallpaper-changer' "$entry"
icon=$(sed -n 's/^Icon=//p' "$entry")
test -s "$prefix/share/icons/hicolor/48x48/apps/$icon.png"
test -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg"
echo "installed program, menu entry and icon '$icon' are in place"
