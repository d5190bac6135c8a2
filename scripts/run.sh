#!/usr/bin/env bash
# Installs the Debian packages that are missing (through sudo when not root), builds the program
# and starts it on the current desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh vornk-wallpaper-changer
exec build/app/vornk-wallpaper-changer
