#!/bin/bash
# Installs what Wayfold's build and tests need on Debian, when it is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ make doctest-dev        # native build and tests
  clang libclang-rt-14-dev                      # fuzzers (libFuzzer, sanitizers)
  g++-mingw-w64-x86-64 wine wine64              # Windows build, run under Wine
  xvfb xauth xdotool imagemagick                # the handheld program's window tests
  time python3                                  # the benchmark's peak memory; the differential test
  dpkg-dev man-db groff-base lintian            # the Debian package: its dependencies, manual page, checks
  librsvg2-bin                                  # the report check renders the route picture
  g++-arm-linux-gnueabi g++-s390x-linux-gnu     # the ARM (ARMv5TE, soft float) and big-endian builds,
  qemu-user                                     # their programs run under qemu-user
  emscripten node-acorn                         # the page in the browser (acorn: its optimiser's parser)
  chromium python3-websocket                    # the page's test: headless Chromium over its DevTools protocol
  gpsbabel                                      # the new readers checked against files it writes
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
