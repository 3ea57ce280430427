#!/bin/sh
# CTest's emulator for Windows programs: the test prefix, then wine.
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" || exit 125
. "$here/wine-env.sh"
# Without address space randomization where allowed (see wine-session.sh).
if setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R wine "$@"
fi
exec wine "$@"
