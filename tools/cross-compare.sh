#!/bin/bash
# The converter built for another processor, run under an emulator, against the native one:
# route files, pictures, reports, messages and exit statuses byte for byte, on the example
# and the samples, under several option sets. With CASES above 0, the differential test's
# random damaged tracks of every format then go through it too.
#   tools/cross-compare.sh CASES NATIVE_CONVERTER EMULATOR [EMULATOR_ARGUMENTS...] CONVERTER
set -euo pipefail
cases=$1 native=$2
shift 2
top=$(cd "$(dirname "$0")/.." && pwd)
samples=${WAYFOLD_SAMPLES:-$top/../shared/samples}
work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-cross.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The emulated converter as one command, as the differential test runs a converter.
{ echo '#!/bin/sh'; printf 'exec'; printf ' %q' "$@"; echo ' "$@"'; } >"$work/convert"
chmod +x "$work/convert"

mkdir "$work/tracks"
cp "$top"/examples/*.plt "$work/tracks/"
cp "$samples"/*.gpx "$samples"/*.mps "$samples"/*.plt "$samples"/*.nmea "$work/tracks/" 2>/dev/null || true
for options in "" "--method bounded" "--min-meters 0 --max-degrees 2 --max-ort-error 3" "--fit 20"; do
    for side in native cross; do
        converter=$native
        [ "$side" = cross ] && converter=$work/convert
        rm -rf "${work:?}/$side" && mkdir "$work/$side"
        status=0
        # shellcheck disable=SC2086 # the options are words
        "$converter" -q --report=json --svg -o "$work/$side" $options "$work/tracks" \
            >"$work/$side/report" 2>"$work/$side/messages" || status=$?
        echo "exit $status" >>"$work/$side/report"
    done
    diff -r "$work/native" "$work/cross" || { echo "FAILED: the emulated converter differs (options: ${options:-none})"; exit 1; }
done
echo "$(find "$work/tracks" -type f | wc -l) tracks, 4 option sets: the emulated converter's files and output as the native one's"
[ "$cases" -gt 0 ] || exit 0
python3 "$top/tests/differential/run.py" "$work/convert" "$cases"
