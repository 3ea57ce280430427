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

# The portable product code once, as objects every target links, and the converter's report
# and picture, which the conversion target runs.
objects=()
for source in conversion/*.cpp readers/*.cpp settings/thinning_settings.cpp platform/file_io.cpp \
    platform/status_display.cpp converter/report_output.cpp converter/route_picture.cpp; do
  object="$build/obj/${source%.cpp}.o"
  mkdir -p "$(dirname "$object")"
  clang++ "${flags[@]}" -fsanitize=fuzzer-no-link,address,undefined -c "$source" -o "$object"
  objects+=("$object")
done

status=0
for target in "${targets[@]}"; do
  binary="$build/${target}_fuzzer"
  clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined "fuzz/${target}_fuzzer.cpp" "${objects[@]}" -o "$binary"
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  log="$build/$target.log"
  echo "== $target: ${seconds}s"
  # Run inside the findings folder: libFuzzer writes crash files to its working folder.
  if (cd "$build/findings/$target" && "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "${dict[@]}" "$build/corpus/$target" "$root/fuzz/corpus/$target") >"$log" 2>&1; then
    echo "   $(grep -o 'Done [0-9]* runs' "$log" || echo '? runs'), no finding"
  else
    echo "   FINDING: see $log and $build/findings/$target" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
