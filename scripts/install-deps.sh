#!/usr/bin/env bash
# Installs every Debian 12 package the build, the program and the tests need.
set -euo pipefail

packages=(
    build-essential dpkg-dev cmake pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins qt6-wayland
    libboost-filesystem-dev libboost-dev
    libdevil-dev libx11-dev libglib2.0-dev libseccomp-dev liblcms2-dev libjpeg-dev zlib1g-dev
    libheif-dev libavif-dev libheif-examples libavif-bin
    libwebp-dev libjxl-dev libjxl-tools
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xserver-xephyr x11-utils x11-xserver-utils x11-apps xdotool imagemagick trayer
    gsettings-desktop-schemas libglib2.0-bin dbus dbus-x11
    libjpeg-turbo-progs hyperfine desktop-file-utils hsetroot feh
    librsvg2-bin
    g++-mingw-w64-x86-64 wine wine64 googletest
    libxcb1-dev libxcb-randr0-dev libxcb-shm0-dev
    xfdesktop4 xfconf libxfconf-0-3 pcmanfm-qt pcmanfm sway swaybg grim
    cinnamon-desktop-data mate-desktop-common
    dconf-gsettings-backend dconf-service
    gnome-shell plasma-workspace plasma-desktop kwin-x11 cinnamon caja
    kwin-wayland qtwayland5
    debhelper devscripts lintian blhc appstream man-db git
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done

if ((${#missing[@]})); then
    # Only the package installation needs root; the build and the program run as the user.
    as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
            exit 1
        fi
        as_root=(sudo)
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
