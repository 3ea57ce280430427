#!/bin/bash
# Converts one generated track of POINTS points (default 1,000,000) in each of the nine
# formats with the release build of wayfold-convert and prints, per format: the file size,
# the time (best of 3), the throughput, the peak memory, the share of points kept, the
# readers' own time (NextTrackPoint alone, no thinning or route files), the
# time of a plain byte-at-a-time read of the same file (the floor) and our time as a
# multiple of it; where gpsbabel is installed, also its time and memory to read the same
# GPX, NMEA, PLT, FIT, TCX, KML and IGC file, and our time as a fraction of its time. Then, per format, the
# conversion with --report=json --svg: its time as a multiple of the plain conversion's,
# its peak memory and the picture's size; and the bounded method beside the classic rule.
#   bench/run-bench.sh [POINTS] [PROFILE]
# PROFILE is "real" (the default: walking and cycling with a receiver's position error, of
# which thinning keeps 20-35% at the default thresholds, as on real logs) or "ride" (a
# smooth ride of which it keeps few points).
# (WAYFOLD_BENCH_BUILD=folder builds the converter there instead of build/native.)
# WAYFOLD_BENCH_OTHER=path/to/wayfold-convert also times that converter on the same files,
# in turn with ours, and prints its time, its peak memory and its time over ours; its route
# files and its status text must be byte-identical to ours, or the run fails.
# Targets: peak memory below 4 MB for every format; PLT, GPX and NMEA at least 150 MB/s;
# TCX, KML, GeoJSON and IGC at least 100 MB/s; MPS 1,000,000 points in under 0.3 s, FIT in
# at most 0.2 s; with the report and the picture at most 2.5 times
# the plain conversion's time, below 4 MB, and a picture under 2 MB; --method bounded at
# most twice the classic rule's time (half its throughput) with peak memory below 4 MB, and
# under a second for as many points 1 m apart along a nearly straight line.
set -euo pipefail
cd "$(dirname "$0")/.."
points=${1:-1000000}
profile=${2:-real}
other=${WAYFOLD_BENCH_OTHER:-}
[ -z "$other" ] || other=$(realpath "$other")
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}

# The release converter: the default preset (build/native), or a release build in
# $WAYFOLD_BENCH_BUILD when that is set.
if [ -n "${WAYFOLD_BENCH_BUILD:-}" ]; then
  echo "Building the release converter ($WAYFOLD_BENCH_BUILD) ..."
  cmake -S . -B "$WAYFOLD_BENCH_BUILD" -DCMAKE_BUILD_TYPE=Release -DWAYFOLD_TESTS=OFF >/dev/null
  cmake --build "$WAYFOLD_BENCH_BUILD" --target wayfold-convert >/dev/null
  convert=$(realpath "$WAYFOLD_BENCH_BUILD")/wayfold-convert
else
  echo "Building the release converter (build/native) ..."
  cmake --preset default >/dev/null
  cmake --build --preset default --target wayfold-convert >/dev/null
  convert=$PWD/build/native/wayfold-convert
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -O2 -std=c++17 -o "$work/gen_track" bench/gen_track.cpp
g++ -O2 -std=c++17 -o "$work/byte_scan" bench/byte_scan.cpp
# The readers alone, from the product sources, to tell reading from the rest of a conversion.
g++ -O2 -std=c++17 -ffp-contract=off -I. -o "$work/read_track" bench/read_track.cpp readers/*.cpp \
  conversion/status_log.cpp platform/status_display.cpp platform/file_io.cpp
echo "Generating $points points in each format in $work ..."
"$work/gen_track" "$work" "$points" "$profile"

# The readers' own time, best of three (read_track prints points and seconds).
reader_best() {
  local best="" i t
  for i in 1 2 3; do
    t=$("$work/read_track" "$1" "$2" | awk '{ print $2 }')
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

# Runs a command, fails loudly if it fails; sets seconds (wall clock) and kilobytes (peak).
run_once() {
  local start end
  start=$(date +%s%N)
  if ! /usr/bin/time -f "%M" -o "$work/peak" "$@" >/dev/null 2>"$work/stderr"; then
    echo "failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  end=$(date +%s%N)
  seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  kilobytes=$(tail -n 1 "$work/peak")
}

# The best time of three runs; kilobytes is the largest peak seen.
run_best() {
  local best="" peak=0 i
  for i in 1 2 3; do
    run_once "$@"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$seconds; fi
    [ "$kilobytes" -gt "$peak" ] && peak=$kilobytes
  done
  seconds=$best
  kilobytes=$peak
}

have_gpsbabel=0
command -v gpsbabel >/dev/null && have_gpsbabel=1
[ $have_gpsbabel = 1 ] || echo "(gpsbabel not installed: its columns stay empty; apt-get install gpsbabel)"

# The other converter's run of the same file: its route files and status text must equal ours.
other_s="-" other_kb="-" speedup="-"
compare_other() {
  local format=$1 file=$2
  "$convert" --status-text -f "$format" "$file" >"$work/ours.txt" 2>&1 || true
  cp "$work/trackF.rt2" "$work/oursF.rt2"
  cp "$work/trackB.rt2" "$work/oursB.rt2"
  "$other" --status-text -f "$format" "$file" >"$work/other.txt" 2>&1 || true
  for name in F.rt2 B.rt2; do
    cmp -s "$work/ours$name" "$work/track$name" ||
      { echo "$format: the route file track$name differs from the other converter's" >&2; exit 1; }
  done
  cmp -s "$work/ours.txt" "$work/other.txt" ||
    { echo "$format: the status text differs from the other converter's" >&2; exit 1; }
}

printf "\n%-7s %7s %8s %6s %8s %7s | %8s %6s | %8s %7s | %9s %9s %8s | %8s %8s %7s\n" \
  format MB seconds "MB/s" "peak KB" kept "reader s" "MB/s" "floor s" "x floor" "gpsbabel" "babel KB" "ours/gb" \
  "other s" "other KB" "speedup"
misses=()
for format in plt gpx nmea mps fit tcx kml geojson igc; do
  file="$work/track.$format"
  megabytes=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }')

  if [ -n "$other" ]; then
    compare_other "$format" "$file"
    # In turn, so both see the same load: best of three each.
    best_ours="" best_other="" peak_ours=0 peak_other=0
    for i in 1 2 3; do
      run_once "$convert" -q -f "$format" "$file"
      if [ -z "$best_ours" ] || awk -v a="$seconds" -v b="$best_ours" 'BEGIN { exit !(a < b) }'; then best_ours=$seconds; fi
      [ "$kilobytes" -gt "$peak_ours" ] && peak_ours=$kilobytes
      run_once "$other" -q -f "$format" "$file"
      if [ -z "$best_other" ] || awk -v a="$seconds" -v b="$best_other" 'BEGIN { exit !(a < b) }'; then best_other=$seconds; fi
      [ "$kilobytes" -gt "$peak_other" ] && peak_other=$kilobytes
    done
    ours=$best_ours ours_kb=$peak_ours other_s=$best_other other_kb=$peak_other
    speedup=$(awk -v a="$other_s" -v b="$ours" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  else
    run_best "$convert" -q -f "$format" "$file"
    ours=$seconds
    ours_kb=$kilobytes
  fi
  # (The other converter's route files, where it ran last, equal ours.)
  rate=$(awk -v mb="$megabytes" -v s="$ours" 'BEGIN { printf "%.0f", (s > 0 ? mb / s : 0) }')
  records=$(($(wc -l <"$work/trackF.rt2") - 3))
  kept=$(awk -v k="$records" -v n="$points" 'BEGIN { printf "%.1f%%", 100 * k / n }')

  reader=$(reader_best "$format" "$file")
  reader_rate=$(awk -v mb="$megabytes" -v s="$reader" 'BEGIN { printf "%.0f", (s > 0 ? mb / s : 0) }')

  run_best "$work/byte_scan" "$file"
  floor=$seconds
  times_floor=$(awk -v a="$ours" -v b="$floor" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')

  babel="-" babel_kb="-" ratio="-"
  # (gpsbabel reads no GeoJSON.)
  if [ $have_gpsbabel = 1 ] && [ "$format" != mps ] && [ "$format" != geojson ]; then
    case $format in
      plt) type=ozi ;;
      fit) type=garmin_fit ;;
      tcx) type=gtrnctr ;;
      *) type=$format ;;
    esac
    run_once gpsbabel -i "$type" -f "$file" -o csv -F /dev/null
    babel=$seconds
    babel_kb=$kilobytes
    ratio=$(awk -v a="$ours" -v b="$babel" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
  fi
  printf "%-7s %7s %8s %6s %8s %7s | %8s %6s | %8s %7s | %9s %9s %8s | %8s %8s %7s\n" \
    "$format" "$megabytes" "$ours" "$rate" "$ours_kb" "$kept" "$reader" "$reader_rate" "$floor" "$times_floor" \
    "$babel" "$babel_kb" "$ratio" "$other_s" "$other_kb" "$speedup"

  [ "$ours_kb" -lt 4096 ] || misses+=("$format: peak memory ${ours_kb} KB is not below 4096 KB")
  case $format in
    # Scaled to 1,000,000 points when another size was asked for.
    mps) awk -v s="$ours" -v n="$points" 'BEGIN { exit !(s * 1000000 / n < 0.3) }' ||
      misses+=("mps: ${ours} s for $points points is not under 0.3 s per 1,000,000") ;;
    fit) awk -v s="$ours" -v n="$points" 'BEGIN { exit !(s * 1000000 / n <= 0.2) }' ||
      misses+=("fit: ${ours} s for $points points is more than 0.2 s per 1,000,000") ;;
    plt|gpx|nmea) [ "$rate" -ge 150 ] || misses+=("$format: ${rate} MB/s is below 150 MB/s") ;;
    *) [ "$rate" -ge 100 ] || misses+=("$format: ${rate} MB/s is below 100 MB/s") ;;
  esac
done

printf "\n%-7s %8s %8s %8s %9s\n" format "seconds" "x plain" "peak KB" "svg KB"
for format in plt gpx nmea mps; do
  file="$work/track.$format"
  run_best "$convert" -q -f "$format" "$file"
  plain=$seconds
  run_best "$convert" -q --report=json --svg -f "$format" "$file"
  times=$(awk -v a="$seconds" -v b="$plain" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  svg_kb=$(( $(stat -c %s "$work/track.svg") / 1024 ))
  printf "%-7s %8s %8s %8s %9s\n" "$format" "$seconds" "$times" "$kilobytes" "$svg_kb"
  [ "$kilobytes" -lt 4096 ] || misses+=("$format report: peak memory ${kilobytes} KB is not below 4096 KB")
  awk -v t="$times" 'BEGIN { exit !(t <= 2.5) }' || misses+=("$format report: ${times} times the plain conversion")
  [ "$svg_kb" -lt 2048 ] || misses+=("$format picture: ${svg_kb} KB is not under 2 MB")
done

# The bounded method on the same files, against the classic rule run again beside it.
printf "\n%-7s %9s %9s %8s %8s %7s\n" format "classic s" "bounded s" "bnd/cls" "peak KB" kept
for format in plt gpx nmea mps; do
  file="$work/track.$format"
  run_best "$convert" -q -f "$format" "$file"
  classic=$seconds
  run_best "$convert" -q --method bounded -f "$format" "$file"
  records=$(($(wc -l <"$work/trackF.rt2") - 3))
  kept=$(awk -v k="$records" -v n="$points" 'BEGIN { printf "%.1f%%", 100 * k / n }')
  ratio=$(awk -v a="$seconds" -v b="$classic" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  printf "%-7s %9s %9s %8s %8s %7s\n" "$format" "$classic" "$seconds" "$ratio" "$kilobytes" "$kept"
  [ "$kilobytes" -lt 4096 ] || misses+=("bounded $format: peak memory ${kilobytes} KB is not below 4096 KB")
  awk -v r="$ratio" 'BEGIN { exit !(r <= 2) }' || misses+=("bounded $format: ${ratio} x the classic time, more than 2")
done

# The bounded method's longest searches: the same number of points 1 m apart along a nearly
# straight line (a millimetre of wobble), legs free, at 5 and 50 m.
awk -v n="$points" 'BEGIN {
  printf "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\nReserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n"
  for (i = 0; i < n; i++) printf "%.9f,%.9f,0,0,0,,\r\n", 46.5 + i * 0.0000063592, 7.5 + i * 0.0000092427 + (i % 7) * 1e-8
}' >"$work/line.plt"
for tolerance in 5 50; do
  run_best "$convert" -q --method bounded --max-meters 100000 --max-ort-error "$tolerance" "$work/line.plt"
  printf "line, 1 m apart, %2s m: %s s, peak %s KB\n" "$tolerance" "$seconds" "$kilobytes"
  awk -v s="$seconds" 'BEGIN { exit !(s < 1) }' || misses+=("bounded line at $tolerance m: ${seconds} s, not under a second")
done

echo
echo "Profile $profile, $points points; kept: the share of points in the forward route."
[ -z "$other" ] || echo "Other converter: $other (route files and status texts identical to ours; speedup = its time / ours)."
if [ ${#misses[@]} -eq 0 ]; then
  echo "All targets met: peak memory below 4 MB; PLT, GPX, NMEA at least 150 MB/s; TCX, KML, GeoJSON, IGC at least 100 MB/s; MPS under 0.3 s, FIT at most 0.2 s per 1,000,000 points; report and picture within 2.5 times, picture under 2 MB; bounded at most twice the classic time, and under a second on the straight line."
else
  printf 'Target missed: %s\n' "${misses[@]}"
fi
