#!/bin/bash
# Installs what the native build needs, builds wayfold-convert and converts the bundled
# sample track in build/demo, then shows the status lines and the start of the route.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for package in cmake ninja-build g++ doctest-dev python3; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
cmake --preset default -G Ninja >/dev/null
cmake --build --preset default --target wayfold-convert >/dev/null
mkdir -p build/demo
cp examples/walk.plt build/demo/walk.plt
echo "\$ wayfold-convert build/demo/walk.plt"
build/native/wayfold-convert build/demo/walk.plt
echo
echo "\$ head -n 6 build/demo/walkF.rt2"
head -n 6 build/demo/walkF.rt2
