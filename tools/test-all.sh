#!/bin/bash
# Installs what is missing, builds every configuration and runs every test:
#   the product code as C++03 (warnings are errors) and a check that it allocates nothing,
#   the tests under AddressSanitizer and UBSan, the fuzzers for a short while,
#   the Windows build with its tests under Wine, the native tests, the ARM build (the
#   handheld's processor class) and a big-endian build with their tests under qemu-user,
#   the page in the browser against the native converter, and last the Debian package
#   installed, used and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
export CMAKE_GENERATOR=Ninja
jobs=$(nproc)

echo "== Layers: no module includes another that includes it back"
python3 tools/check-layers.py

echo "== C++03 build of the product code"
cmake --preset cxx03 >/dev/null
cmake --build --preset cxx03 -j "$jobs" --target wayfold_core wayfold-convert
tools/check-no-heap.sh build/cxx03
# The handheld program's own code (shell, dialogs, registry) is Windows-only: as C++03 too.
cmake --preset windows-cxx03 >/dev/null
cmake --build --preset windows-cxx03 -j "$jobs"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

# fuzzers
echo "== Fuzzers, 10 s each"
fuzz/run-fuzzers.sh 10

# windows
echo "== Windows build, its tests under Wine"
# The converter under Wine is compared with the native one, built here for that.
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs" --target wayfold-convert
cmake --preset windows -DWAYFOLD_NATIVE_CONVERT="$PWD/build/native/wayfold-convert" >/dev/null
cmake --build --preset windows -j "$jobs"
# A prefix of this run's own, removed by the session when it ends.
WAYFOLD_WINEPREFIX="${TMPDIR:-/tmp}/wayfold-wine-ci-$$" WAYFOLD_WINE_CLEAN=1 timeout 1200 \
  xvfb-run -a -s "-screen 0 480x640x24" tools/wine-session.sh ctest --preset windows -j "$jobs"

echo "== Native build and tests"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

echo "== The plain build: every speed-up in its plain form, the whole native suite"
cmake --preset plain >/dev/null
cmake --build --preset plain -j "$jobs"
ctest --preset plain -j "$jobs"

echo "== ARM (ARMv5TE, soft float) under qemu: default and plain builds"
# The plain build takes the paths a compiler without SSE2 and GCC's builtins takes, with
# the product code as C++03. Each converter is compared with the native one built above on
# the samples; not on random tracks: the ARM C library's sin, cos and acos differ from the
# host's in the last bit for about one argument in a thousand (either is within an ulp),
# which moves a waypoint about once in 130 tracks.
for preset in arm arm-plain; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  tools/cross-compare.sh 0 build/native/wayfold-convert qemu-arm -cpu pxa270 -L /usr/arm-linux-gnueabi \
    "build/$preset/wayfold-convert"
done

echo "== Big-endian (s390x) under qemu: MPS and route files the same on either byte order"
cmake --preset big-endian >/dev/null
cmake --build --preset big-endian -j "$jobs"
ctest --preset big-endian -j "$jobs"
tools/cross-compare.sh 40 build/native/wayfold-convert qemu-s390x -L /usr/s390x-linux-gnu build/big-endian/wayfold-convert

echo "== Web page: built with emscripten, tested in headless Chromium"
tools/build-web.sh
c++ -O2 -std=c++17 bench/gen_track.cpp -o build/web/gen_track
timeout 600 tests/web/page_test.py build/web/wayfold.html build/native/wayfold-convert build/web/gen_track

echo "== Debian package: lintian, installed, a sample converted by the installed command, its manual page, removed"
rm -f build/native/wayfold-convert_*.deb
(cd build/native && cpack -G DEB >/dev/null)
lintian --fail-on error,warning build/native/wayfold-convert_*.deb
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$PWD"/build/native/wayfold-convert_*.deb >/dev/null
trap '$sudo apt-get remove -y -qq wayfold-convert >/dev/null' EXIT
sample=$(mktemp -d)
cp examples/walk.plt "$sample/"
/usr/bin/wayfold-convert "$sample/walk.plt"
test -s "$sample/walkF.rt2" && test -s "$sample/walkB.rt2"
rm -r "$sample"
MANPAGER=cat MANWIDTH=80 man wayfold-convert > build/native/wayfold-convert.man.txt
sed -n 1,12p build/native/wayfold-convert.man.txt
for section in OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
  grep -qx "$section" build/native/wayfold-convert.man.txt || { echo "manual page: no $section"; exit 1; }
done
$sudo apt-get remove -y -qq wayfold-convert >/dev/null
trap - EXIT
dpkg-query -W -f='${Status}' wayfold-convert 2>/dev/null | grep -q 'ok installed' && { echo "wayfold-convert is still installed"; exit 1; }
echo "Debian package: OK"
