#!/bin/sh
# wayfold-convert.exe under Wine must agree with the native converter byte for byte and in
# exit status, on tracks made here and the samples, in a folder with Cyrillic letters, with
# thresholds stored in the registry beneath the options. Exits 77 without a native one.
#   wine_convert_test.sh WINDOWS_EXE NATIVE_CONVERTER [SAMPLES_DIR]
exe=$1 native=$2 samples=$3
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$native" ] || { echo "no native converter (configure with -DWAYFOLD_NATIVE_CONVERT=PATH)"; exit 77; }
. "$here/../tools/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-wine-convert.XXXXXX") || exit 125
trap 'rm -rf "$work"' EXIT
mkdir "$work/tracks" "$work/Мои треки" "$work/Мои треки/native"
# A PLT track that winds and changes pace, so that every threshold decides somewhere; the
# same as GPX; under a Cyrillic name (a wide argument, opened with _wfopen); too short.
awk 'BEGIN { printf "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
    printf "Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n"; lat = 55.75; lon = 37.6
    for (i = 0; i < 600; i++) { lat += 0.00009 * cos(i / 17.0) * (1 + (i % 7) / 3.0)
        lon += 0.00014 * sin(i / 23.0) * (1 + (i % 5) / 4.0)
        printf "%.7f,%.7f,0,-777,40000.0,01-Jan-24,00:00:00\r\n", lat, lon } }' >"$work/tracks/winding.plt"
awk -F, 'BEGIN { print "<?xml version=\"1.0\"?><gpx><trk><trkseg>" } END { print "</trkseg></trk></gpx>" }
    NR > 6 { printf "<trkpt lat=\"%s\" lon=\"%s\"><ele>1</ele></trkpt>\n", $1, $2 }' "$work/tracks/winding.plt" \
    >"$work/tracks/winding.gpx"
cp "$work/tracks/winding.plt" "$work/tracks/маршрут.plt"
head -n 8 "$work/tracks/winding.plt" >"$work/tracks/short.plt"
cp "$samples"/*.plt "$samples"/*.gpx "$samples"/*.nmea "$samples"/*.mps "$work/tracks/" 2>/dev/null

# Rows: thresholds stored under Wine (none: no key) | native options | Wine options.
failed=0 compared=0
while IFS='|' read -r stored native_options wine_options; do
    wine reg delete 'HKCU\Software\Quillon' /f >/dev/null 2>&1
    set -- MinMeters MaxMeters MaxDegrees MaxOrtError
    for value in $stored; do
        wine reg add 'HKCU\Software\Quillon\Wayfold' /v "$1" /t REG_DWORD /d "$value" /f >/dev/null 2>&1
        shift
    done
    for track in "$work/tracks"/*; do
        name=$(basename "$track")
        cd "$work/Мои треки" && rm -f ./*.* native/* && cp "$track" . && cp "$track" native/
        (cd native && "$native" -q $native_options "$name") >/dev/null
        native_rc=$?
        "$here/../tools/wine-run.sh" "$exe" -q $wine_options "$name" >/dev/null
        wine_rc=$?
        for file in "${name%.*}F.rt2" "${name%.*}B.rt2"; do
            [ -f "$file" ] || [ -f "native/$file" ] || continue
            cmp "native/$file" "$file" || { failed=1; echo "FAILED: $file differs (stored: $stored; $wine_options)"; }
        done
        [ "$native_rc" = "$wine_rc" ] || { failed=1; echo "FAILED: $name exits $native_rc natively, $wine_rc under Wine"; }
        compared=$((compared + 1))
    done
done <<ROWS
||
0 150 2 3|--min-meters 0 --max-meters 150 --max-degrees 2 --max-ort-error 3|
0 150 2 3|--min-meters 0 --max-meters 300 --max-degrees 2 --max-ort-error 3|--max-meters 300
ROWS
echo "$compared conversions compared"
exit $failed
