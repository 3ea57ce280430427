#!/bin/sh
# CTest's emulator for Windows programs: the test prefix, then wine.
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" || exit 125
. "$here/wine-env.sh"
exec wine "$@"
