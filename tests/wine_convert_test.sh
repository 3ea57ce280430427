#!/bin/sh
# wayfold-convert.exe under Wine must write the same route files as the native converter:
#   wine_convert_test.sh WINDOWS_EXE NATIVE_CONVERTER [SAMPLES_DIR]
# Runs both on the same tracks (made here, plus the real-world samples when present), with
# the default thresholds and with others, and compares exit status and both route files
# byte for byte. Exits 77 (skipped) when no native converter was given.
exe=$1 native=$2 samples=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "$native" ] || [ ! -x "$native" ]; then
    echo "no native converter given (configure with -DWAYFOLD_NATIVE_CONVERT=PATH)"
    exit 77
fi
. "$here/../tools/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-wine-convert.XXXXXX") || exit 125
trap 'rm -rf "$work"' EXIT
mkdir "$work/tracks" "$work/native" "$work/wine"

# A PLT track that winds and changes pace, so that every threshold decides somewhere.
awk 'BEGIN {
    printf "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
    printf "Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n"
    lat = 55.75; lon = 37.6
    for (i = 0; i < 600; i++) {
        lat += 0.00009 * cos(i / 17.0) * (1 + (i % 7) / 3.0)
        lon += 0.00014 * sin(i / 23.0) * (1 + (i % 5) / 4.0)
        printf "%.7f,%.7f,0,-777,40000.0,01-Jan-24,00:00:00\r\n", lat, lon
    }
}' >"$work/tracks/winding.plt"
# The same points as GPX.
awk -F, 'NR > 6 { printf "<trkpt lat=\"%s\" lon=\"%s\"><ele>1</ele></trkpt>\n", $1, $2 }
    BEGIN { print "<?xml version=\"1.0\"?><gpx><trk><trkseg>" }
    END { print "</trkseg></trk></gpx>" }' "$work/tracks/winding.plt" >"$work/tracks/winding.gpx"
# A name in Cyrillic letters, which reaches the program as a wide argument.
cp "$work/tracks/winding.plt" "$work/tracks/маршрут.plt"
# Too short: a failure, whose exit status must agree too.
head -n 8 "$work/tracks/winding.plt" >"$work/tracks/short.plt"
if [ -n "$samples" ] && [ -d "$samples" ]; then
    for sample in "$samples"/*.plt "$samples"/*.gpx "$samples"/*.nmea "$samples"/*.mps; do
        [ -f "$sample" ] && cp "$sample" "$work/tracks/"
    done
fi

# Keeps the stored thresholds out of the Windows run: both start from the defaults.
wine reg delete 'HKCU\Software\Quillon' /f >/dev/null 2>&1

failed=0 compared=0
for options in "" "--min-meters 0 --max-meters 150 --max-degrees 2 --max-ort-error 3"; do
    for track in "$work/tracks"/*; do
        name=$(basename "$track")
        rm -f "$work/native"/* "$work/wine"/*
        cp "$track" "$work/native/$name"
        cp "$track" "$work/wine/$name"
        # shellcheck disable=SC2086
        (cd "$work/native" && "$native" -q $options "$name")
        native_rc=$?
        # shellcheck disable=SC2086
        (cd "$work/wine" && "$here/../tools/wine-run.sh" "$exe" -q $options "$name")
        wine_rc=$?
        base=${name%.*}
        for file in "$name" "${base}F.rt2" "${base}B.rt2"; do
            if [ -f "$work/native/$file" ] || [ -f "$work/wine/$file" ]; then
                if ! cmp "$work/native/$file" "$work/wine/$file"; then
                    echo "FAILED: $file differs ($options)"
                    diff "$work/native/$file" "$work/wine/$file" | head -n 6
                    failed=1
                fi
            fi
        done
        if [ "$native_rc" != "$wine_rc" ]; then
            echo "FAILED: $name exits $native_rc natively, $wine_rc under Wine ($options)"
            failed=1
        fi
        routes=$(cat "$work/wine/${base}F.rt2" 2>/dev/null | grep -c '^W,')
        echo "$name: exit $wine_rc, $routes waypoints ${options:+($options)}"
        compared=$((compared + 1))
    done
done
echo "$compared conversions compared"
exit $failed
