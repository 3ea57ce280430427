#!/bin/sh
# Runs one GUI test of the Wayfold program in a fresh copy of the prepared Wine prefix,
# with a Wine server of its own, on the X display of the session (xvfb-run):
#   gui-test.sh SCENARIO GUI_DRIVER WAYFOLD_EXE GUI_HARNESS CONVERTER_EXE
# Scenarios: single-instance, startup, open, cancel, settings, about, keys, soft-keys.
# Exits 77 (skipped) without an X display, and for "open" without the sample tracks.
scenario=$1 driver=$2 program=$3 harness=$4 converter=$5
here=$(cd "$(dirname "$0")" && pwd)
tools="$here/../../tools"
if [ -z "$DISPLAY" ]; then
    echo "no X display: run the GUI tests under xvfb-run"
    exit 77
fi
. "$here/fresh-prefix.sh"

# The screenshot of a failed check is kept beside the test's output.
shot() {
    import -window root "$1" 2>/dev/null
}

case $scenario in
startup)
    # Right after start the window shows "Select file to open..." at its top-left corner
    # on white: the non-white pixels of the client area form one line of text there.
    timeout 60 wine "$driver" startup "$program" "$work/rect" "$work/done" &
    pid=$!
    i=0
    while [ ! -s "$work/rect" ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
    rc=1
    if read -r x y w h <"$work/rect"; then
        shot "$work/screen.png"
        convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$work/client.png"
        # WxH+X+Y of the box around everything that is not white.
        box=$(convert "$work/client.png" -format '%@' info:)
        below=$(convert "$work/client.png" -crop "${w}x$((h - 30))+0+30" +repage -format '%[fx:minima]' info:)
        ink=$(convert "$work/client.png" -crop "${w}x30+0+0" +repage -format '%[fx:minima]' info:)
        echo "client ${w}x${h}+${x}+${y}, text box $box, darkest ink $ink, darkest below $below"
        echo "$box" | {
            IFS='x+' read -r bw bh bx by
            [ "$bx" -le 4 ] && [ "$by" -le 4 ] && [ "$bh" -le 24 ] && [ "$bw" -ge 60 ] && [ "$bw" -le $((w / 2)) ]
        } && [ "$below" = 1 ] && awk "BEGIN { exit !($ink < 0.5) }" && rc=0
        [ $rc = 0 ] || { echo "FAILED: the text is not one dark line at the top-left on white"; cp "$work/screen.png" "$PWD/gui-startup-failed.png"; }
    else
        echo "FAILED: the driver did not report the window"
    fi
    touch "$work/done"
    wait $pid || rc=1
    exit $rc
    ;;
open)
    samples=${WAYFOLD_SAMPLES:-$here/../../../shared/samples}
    if [ ! -f "$samples/garmin-edge-800-output.gpx" ]; then
        echo "no sample tracks in $samples"
        exit 77
    fi
    for dir in tracks host; do
        mkdir -p "$work/$dir"
        cp "$samples/garmin-edge-800-output.gpx" "$work/$dir/ride.gpx"
        cp "$samples/mps-track.mps" "$work/$dir/track.mps"
        cp "$samples/20070813_short.plt" "$work/$dir/walk.plt"
        cp "$samples/receiver-log.nmea" "$work/$dir/log.nmea"
    done
    timeout 120 wine "$harness" open "$work/tracks" || exit 1
    # The route files match the host converter's, byte for byte.
    (cd "$work/host" && timeout 60 wine "$converter" -q ride.gpx track.mps walk.plt log.nmea) || {
        echo "FAILED: the host converter"
        exit 1
    }
    rc=0
    for route in "$work/host"/*.rt2; do
        cmp "$route" "$work/tracks/$(basename "$route")" || rc=1
    done
    [ $rc = 0 ] && echo "route files match the host converter's: $(cd "$work/host" && ls *.rt2 | tr '\n' ' ')"
    exit $rc
    ;;
cancel)
    timeout 60 wine "$harness" cancel
    ;;
*)
    timeout 60 wine "$driver" "$scenario" "$program"
    rc=$?
    [ $rc = 0 ] || shot "$PWD/gui-$scenario-failed.png"
    exit $rc
    ;;
esac
