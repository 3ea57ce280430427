#!/bin/bash
# Builds Wayfold in the browser: the converter's own C++ compiled by Emscripten into one
# self-contained page, build/web/wayfold.html (WebAssembly, script and style inside it),
# which works from file:// and from any static host. Prints the page's size.
#   tools/build-web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/web
mkdir -p "$out/generated/common"
# Debian's emscripten finds its optimiser's JavaScript parser (acorn) only this way.
export NODE_PATH=/usr/share/nodejs
# The same version header CMake makes, from the project line of CMakeLists.txt.
version=$(sed -n 's/^project(wayfold VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
IFS=. read -r major minor _ <<<"$version"
sed -e "s/@PROJECT_VERSION@/$version/" -e "s/@PROJECT_VERSION_MAJOR@/$major/" -e "s/@PROJECT_VERSION_MINOR@/$minor/" \
  common/wayfold_version.h.in > "$out/generated/common/wayfold_version.h.new"
if cmp -s "$out/generated/common/wayfold_version.h.new" "$out/generated/common/wayfold_version.h"; then
  rm "$out/generated/common/wayfold_version.h.new"
else
  mv "$out/generated/common/wayfold_version.h.new" "$out/generated/common/wayfold_version.h"
fi

# The core and the converter, exactly the sources of CMake's wayfold_core and wayfold_cli.
sources=(conversion/*.cpp readers/*.cpp settings/thinning_settings.cpp platform/file_io.cpp
  platform/status_display.cpp converter/convert_cli.cpp converter/files.cpp converter/report_output.cpp
  converter/route_picture.cpp web/wayfold_web.cpp)
flags=(-std=c++17 -Oz -Wall -Wextra -Werror -ffp-contract=off -fno-exceptions -fno-rtti -I. -I"$out/generated")
objects=()
for source in "${sources[@]}"; do
  object="$out/obj/${source%.cpp}.o"
  objects+=("$object")
  # Rebuilt when the source or any header is newer than the object.
  if [ ! -e "$object" ] || [ -n "$(find "$source" */*.h "$out/generated/common/wayfold_version.h" -newer "$object" -print -quit)" ]; then
    mkdir -p "$(dirname "$object")"
    emcc "${flags[@]}" -c "$source" -o "$object"
  fi
done

# The page: web/page.html with the style and the script put in; Emscripten puts its own
# script, the WebAssembly inside it, where the page says {{{ SCRIPT }}}.
python3 - "$out/shell.html" <<'EOF'
import sys
page = open('web/page.html', encoding='utf-8').read()
page = page.replace('/*STYLE*/', open('web/page.css', encoding='utf-8').read())
page = page.replace('/*PAGE_SCRIPT*/', open('web/page.js', encoding='utf-8').read())
open(sys.argv[1], 'w', encoding='utf-8').write(page)
EOF
emcc "${flags[@]}" "${objects[@]}" -o "$out/wayfold.html" --shell-file "$out/shell.html" \
  -sSINGLE_FILE=1 -sMALLOC=emmalloc -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sFILESYSTEM=1 \
  -sEXPORTED_FUNCTIONS=_wayfold_run,_wayfold_formats,_wayfold_thresholds \
  -sEXPORTED_RUNTIME_METHODS=FS,ccall -sINCOMING_MODULE_JS_API=onRuntimeInitialized,print,printErr,instantiateWasm \
  -sMINIFY_HTML=0 -sASSERTIONS=0
size=$(stat -c %s "$out/wayfold.html")
echo "build/web/wayfold.html: $size bytes ($(( (size + 1023) / 1024 )) KB)"
# The page stays light: a phone on a slow line loads it in a few seconds.
if [ "$size" -gt $((400 * 1024)) ]; then
  echo "build/web/wayfold.html is larger than 400 KB" >&2
  exit 1
fi
