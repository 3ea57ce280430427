#!/bin/bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) straight from the
# product sources, then runs each for SECONDS from its seed corpus in fuzz/corpus/<target>.
#   fuzz/run-fuzzers.sh SECONDS [TARGET...]
# Targets: gpx nmea mps plt fit tcx kml geojson igc conversion (default: all). New corpus
# entries go to the build folder ($WAYFOLD_FUZZ_BUILD, default build/fuzz), never into the
# repository. A finding is left there as crash-*, leak-*, timeout-* or oom-*, and the script
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run-fuzzers.sh SECONDS [TARGET...]}
shift
targets=(${@:-gpx nmea mps plt fit tcx kml geojson igc conversion})
build=$(realpath -m "${WAYFOLD_FUZZ_BUILD:-build/fuzz}")
root=$PWD
flags=(-std=c++17 -O1 -g -I. -ffp-contract=off -fno-omit-frame-pointer -fno-sanitize-recover=all)

# As many compilers and fuzzers at once as there are processors (WAYFOLD_FUZZ_JOBS).
parallel=${WAYFOLD_FUZZ_JOBS:-$(nproc)}
wait_for_room() {
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
}

# The portable product code once, as objects every target links, and the converter's report
# and picture, which the conversion target runs.
objects=()
for source in conversion/*.cpp readers/*.cpp settings/thinning_settings.cpp platform/file_io.cpp \
    platform/status_display.cpp converter/report_output.cpp converter/route_picture.cpp; do
  object="$build/obj/${source%.cpp}.o"
  mkdir -p "$(dirname "$object")"
  rm -f "$object"
  wait_for_room
  clang++ "${flags[@]}" -fsanitize=fuzzer-no-link,address,undefined -c "$source" -o "$object" &
  objects+=("$object")
done
wait
for object in "${objects[@]}"; do [ -f "$object" ] || { echo "not compiled: $object" >&2; exit 1; }; done

# One target: link, run from its seeds, and say how it went in $build/<target>.outcome.
fuzz_target() {
  local target=$1 binary="$build/${1}_fuzzer" log="$build/$1.log" dict=()
  clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined "fuzz/${target}_fuzzer.cpp" "${objects[@]}" -o "$binary" || return 1
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  [ -f "fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  # Run inside the findings folder: libFuzzer writes crash files to its working folder.
  if (cd "$build/findings/$target" && "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "${dict[@]}" "$build/corpus/$target" "$root/fuzz/corpus/$target") >"$log" 2>&1; then
    echo "   $(grep -o 'Done [0-9]* runs' "$log" || echo '? runs'), no finding"
  else
    echo "   FINDING: see $log and $build/findings/$target"
    tail -n 40 "$log"
    return 1
  fi
}

pids=()
for target in "${targets[@]}"; do
  wait_for_room
  fuzz_target "$target" >"$build/$target.outcome" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || status=1
  echo "== ${targets[$i]}: ${seconds}s"
  cat "$build/${targets[$i]}.outcome"
done
exit $status
