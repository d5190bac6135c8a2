#!/usr/bin/env bash
# What a desktop that reads a file pays for a 6000x4000 photo handed as the full bitmap, against
# the same photo at its screen's size: the time from the request until the screen starts to
# show it (Plasma then fades), and the resident, proportional and peak memory of the process
# that shows it, three times each, on the real desktop of the tests' fixtures.
#   bench/desktop-file-cost.sh lxde|sway|plasma
set -euo pipefail
kind=$1
here=$(cd "$(dirname "$0")" && pwd)
fixture=$here/../tests/support/desktop-fixture.sh

if [[ ${2:-} != --inside ]]; then
    work=$(mktemp -d)
    chmod 755 "$work"  # sway runs its swaybg as another user
    trap 'rm -rf "$work"' EXIT
    python3 "$here/make-photo.py" 6000 4000 ppm /dev/stdout | cjpeg -quality 92 >"$work/photo.jpg"
    if [[ $kind == plasma ]]; then
        WORK=$work "$fixture" run plasma "$work/state" "$0" plasma --inside
    else
        "$fixture" start "$kind" "$work/state" >/dev/null
        trap '"$fixture" stop "$work/state" >/dev/null; rm -rf "$work"' EXIT
        set -a
        # shellcheck disable=SC1091
        source "$work/state/environment"
        set +a
        WORK=$work "$0" "$kind" --inside
    fi
    exit 0
fi

work=${WORK:?}
case $kind in
lxde)
    size=$(xdpyinfo | awk '/dimensions:/{print $2}')
    shot() { xwd -root -silent | convert xwd:- ppm:-; }
    show() { pcmanfm --set-wallpaper "$1" --wallpaper-mode crop; }
    shower() { pgrep -n -x pcmanfm; }
    ;;
sway)
    size=$(swaymsg -t get_outputs -r | python3 -c \
        'import json,sys; r=json.load(sys.stdin)[0]["rect"]; print("%dx%d" % (r["width"], r["height"]))')
    shot() { grim -t ppm -; }
    show() { swaymsg -q output '*' bg "$1" fill; }
    shower() { pgrep -n -x swaybg; }
    ;;
plasma)
    size=$(xdpyinfo | awk '/dimensions:/{print $2}')
    shot() { xwd -root -silent | convert xwd:- ppm:-; }
    show() {
        busctl --user call org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell evaluateScript s \
            "var d=desktops();for(var i=0;i<d.length;i++){d[i].wallpaperPlugin='org.kde.image';d[i].currentConfigGroup=['Wallpaper','org.kde.image','General'];d[i].writeConfig('Image','file://$1');d[i].writeConfig('FillMode',2);}" >/dev/null
    }
    shower() { pgrep -n -x plasmashell; }
    ;;
esac
width=${size%x*}
height=${size#*x}
centre() { shot | convert ppm:- -format "%[hex:u.p{$((width / 2)),$((height / 2))}]" info:; }
field() { awk -v f="$1" '$1 == f {print int($2 / 1024)}' "$2"; }

echo "$kind, screen ${width}x${height}"
for round in 1 2 3; do
    # New names every time: desktops keep what they read under a path.
    convert "$work/photo.jpg" "BMP3:$work/full-$round.bmp"
    convert "$work/photo.jpg" -resize "${width}x${height}^" -gravity center \
        -extent "${width}x${height}" "BMP3:$work/screen-$round.bmp"
    for picture in full screen; do
        convert -size 64x64 "xc:rgb($round,0,0)" "BMP3:$work/dark-$picture-$round.bmp"
        show "$work/dark-$picture-$round.bmp"
        sleep 4
        process=$(shower)
        echo 5 >"/proc/$process/clear_refs"  # the peak counts from here
        before=$(centre)
        start=$(date +%s%N)
        show "$work/$picture-$round.bmp"
        # Black is no picture: sway's outputs between one swaybg and the next.
        while now=$(centre) && [[ $now == "$before" || $now == 000000 ]]; do :; done
        end=$(date +%s%N)
        sleep 4
        process=$(shower)
        printf '%-6s %5d ms  resident %4d MB  proportional %4d MB  peak %4d MB\n' "$picture" \
            $(((end - start) / 1000000)) "$(field Rss: "/proc/$process/smaps_rollup")" \
            "$(field Pss: "/proc/$process/smaps_rollup")" "$(field VmHWM: "/proc/$process/status")"
    done
done
