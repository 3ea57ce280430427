#!/bin/bash
# Converts one generated track of POINTS points (default 1,000,000) in each of the four
# formats with the release build of wayfold-convert and prints, per format: the file size,
# the time (best of 3), the throughput, the peak memory, the share of points kept, the
# readers' own time (NextTrackPoint alone, no thinning or route files), the
# time of a plain byte-at-a-time read of the same file (the floor) and our time as a
# multiple of it; where gpsbabel is installed, also its time and memory to read the same
# GPX, NMEA and PLT file, and our time as a fraction of its time. Then, per format, the
# conversion with --report=json --svg: its time as a multiple of the plain conversion's,
# its peak memory and the picture's size.
#   bench/run-bench.sh [POINTS]
# (WAYFOLD_BENCH_BUILD=folder builds the converter there instead of build/native.)
# Targets: peak memory below 4 MB for every format; PLT, GPX and NMEA at least 150 MB/s;
# MPS 1,000,000 points in under 0.3 s; with the report and the picture at most 2.5 times
# the plain conversion's time, below 4 MB, and a picture under 2 MB; --method bounded at
# most twice the classic rule's time (half its throughput) with peak memory below 4 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
points=${1:-1000000}
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
"$work/gen_track" "$work" "$points"

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

printf "\n%-5s %7s %8s %6s %8s %7s | %8s %6s | %8s %7s | %9s %9s %8s\n" \
  format MB seconds "MB/s" "peak KB" kept "reader s" "MB/s" "floor s" "x floor" "gpsbabel" "babel KB" "ours/gb"
misses=()
for format in plt gpx nmea mps; do
  file="$work/track.$format"
  megabytes=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }')

  run_best "$convert" -q -f "$format" "$file"
  ours=$seconds
  ours_kb=$kilobytes
  rate=$(awk -v mb="$megabytes" -v s="$ours" 'BEGIN { printf "%.0f", (s > 0 ? mb / s : 0) }')
  records=$(($(wc -l <"$work/trackF.rt2") - 3))
  kept=$(awk -v k="$records" -v n="$points" 'BEGIN { printf "%.1f%%", 100 * k / n }')

  reader=$(reader_best "$format" "$file")
  reader_rate=$(awk -v mb="$megabytes" -v s="$reader" 'BEGIN { printf "%.0f", (s > 0 ? mb / s : 0) }')

  run_best "$work/byte_scan" "$file"
  floor=$seconds
  times_floor=$(awk -v a="$ours" -v b="$floor" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')

  babel="-" babel_kb="-" ratio="-"
  if [ $have_gpsbabel = 1 ] && [ "$format" != mps ]; then
    case $format in
      plt) type=ozi ;;
      *) type=$format ;;
    esac
    run_once gpsbabel -i "$type" -f "$file" -o csv -F /dev/null
    babel=$seconds
    babel_kb=$kilobytes
    ratio=$(awk -v a="$ours" -v b="$babel" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
  fi
  printf "%-5s %7s %8s %6s %8s %7s | %8s %6s | %8s %7s | %9s %9s %8s\n" \
    "$format" "$megabytes" "$ours" "$rate" "$ours_kb" "$kept" "$reader" "$reader_rate" "$floor" "$times_floor" \
    "$babel" "$babel_kb" "$ratio"

  [ "$ours_kb" -lt 4096 ] || misses+=("$format: peak memory ${ours_kb} KB is not below 4096 KB")
  if [ "$format" = mps ]; then
    # Scaled to 1,000,000 points when another size was asked for.
    awk -v s="$ours" -v n="$points" 'BEGIN { exit !(s * 1000000 / n < 0.3) }' ||
      misses+=("mps: ${ours} s for $points points is not under 0.3 s per 1,000,000")
  else
    [ "$rate" -ge 150 ] || misses+=("$format: ${rate} MB/s is below 150 MB/s")
  fi
done

printf "\n%-5s %8s %8s %8s %9s\n" format "seconds" "x plain" "peak KB" "svg KB"
for format in plt gpx nmea mps; do
  file="$work/track.$format"
  run_best "$convert" -q -f "$format" "$file"
  plain=$seconds
  run_best "$convert" -q --report=json --svg -f "$format" "$file"
  times=$(awk -v a="$seconds" -v b="$plain" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  svg_kb=$(( $(stat -c %s "$work/track.svg") / 1024 ))
  printf "%-5s %8s %8s %8s %9s\n" "$format" "$seconds" "$times" "$kilobytes" "$svg_kb"
  [ "$kilobytes" -lt 4096 ] || misses+=("$format report: peak memory ${kilobytes} KB is not below 4096 KB")
  awk -v t="$times" 'BEGIN { exit !(t <= 2.5) }' || misses+=("$format report: ${times} times the plain conversion")
  [ "$svg_kb" -lt 2048 ] || misses+=("$format picture: ${svg_kb} KB is not under 2 MB")
done

# The bounded method on the same files, against the classic rule run again beside it.
printf "\n%-5s %9s %9s %8s %8s %7s\n" format "classic s" "bounded s" "bnd/cls" "peak KB" kept
for format in plt gpx nmea mps; do
  file="$work/track.$format"
  run_best "$convert" -q -f "$format" "$file"
  classic=$seconds
  run_best "$convert" -q --method bounded -f "$format" "$file"
  records=$(($(wc -l <"$work/trackF.rt2") - 3))
  kept=$(awk -v k="$records" -v n="$points" 'BEGIN { printf "%.1f%%", 100 * k / n }')
  ratio=$(awk -v a="$seconds" -v b="$classic" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  printf "%-5s %9s %9s %8s %8s %7s\n" "$format" "$classic" "$seconds" "$ratio" "$kilobytes" "$kept"
  [ "$kilobytes" -lt 4096 ] || misses+=("bounded $format: peak memory ${kilobytes} KB is not below 4096 KB")
  awk -v r="$ratio" 'BEGIN { exit !(r <= 2) }' || misses+=("bounded $format: ${ratio} x the classic time, more than 2")
done

echo
if [ ${#misses[@]} -eq 0 ]; then
  echo "All targets met: peak memory below 4 MB; PLT, GPX, NMEA at least 150 MB/s; MPS under 0.3 s per 1,000,000 points; report and picture within 2.5 times, picture under 2 MB; bounded at most twice the classic time."
else
  printf 'Target missed: %s\n' "${misses[@]}"
fi
