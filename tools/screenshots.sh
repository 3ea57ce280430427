#!/bin/sh
# Takes the README's screenshots with xdotool, as a person would use the program: the main
# window after converting a track, and the settings dialog.
#   xvfb-run -a -s "-screen 0 480x640x24" tools/screenshots.sh WAYFOLD_EXE [SAMPLES_DIR] [OUT_DIR]
# It works in a fresh copy of the test prefix, with a Wine server of the copy's own.
program=$1
here=$(cd "$(dirname "$0")" && pwd)
samples=${2:-$here/../../shared/samples}
out=${3:-$here/../docs}
"$here/wine-prefix.sh" || exit 125
. "$here/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-shots.XXXXXX") || exit 125
cp -a "$WINEPREFIX" "$work/prefix" || exit 125
export WINEPREFIX="$work/prefix"
finish() {
    wineserver -k 2>/dev/null
    timeout 20 wineserver -w
    rm -rf "$work"
}
trap finish EXIT
wineserver -p
wine wineboot >/dev/null 2>&1

# The track on a storage card of its own, drive D:.
mkdir -p "$work/card/My Documents"
cp "$samples/garmin-edge-800-output.gpx" "$work/card/My Documents/ride.gpx"
ln -sfn "$work/card" "$WINEPREFIX/dosdevices/d:"

# Polls for a window by its exact title.
window() {
    i=0
    while [ $i -lt 100 ]; do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# Waits until no window has this title.
gone() {
    i=0
    while xdotool search --name "^$1\$" >/dev/null 2>&1 && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
}

wine "$program" &
main=$(window Wayfold) || { echo "no main window"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$main")"
# The soft keys lie below the window: "Open file" on the left, "Tools" on the right.
keys_y=$((Y + HEIGHT + 12))

xdotool mousemove $((X + WIDTH / 4)) $keys_y click 1
dialog=$(window Open) || { echo "no open-file dialog"; exit 1; }
xdotool mousemove --window "$dialog" 5 5
xdotool key alt+n
xdotool type --delay 5 'D:\My Documents\ride.gpx'
xdotool key Return
gone Open
sleep 1
mkdir -p "$out"
import -window root -crop "${WIDTH}x$((HEIGHT + 26))+0+0" +repage "$out/main-window.png"

xdotool mousemove $((X + WIDTH * 3 / 4)) $keys_y click 1
sleep 0.5
xdotool key Down Return
window 'Point filters settings' >/dev/null || { echo "no settings dialog"; exit 1; }
sleep 0.5
import -window root -crop "${WIDTH}x$((HEIGHT + 26))+0+0" +repage "$out/settings-dialog.png"
xdotool key Escape
gone 'Point filters settings'
xdotool mousemove $((X + 20)) $((Y + 40)) key ctrl+q
wait
echo "wrote $out/main-window.png and $out/settings-dialog.png"
