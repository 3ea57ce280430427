#!/bin/sh
# Runs a command inside one Wine session of the test prefix:
#   xvfb-run -a -s "-screen 0 480x640x24" tools/wine-session.sh ctest ...
# A persistent server, warmed up with its services' output kept off the command's pipes,
# makes each program start cost a fraction of a second; the server ends with the session,
# also when the session is interrupted. With WAYFOLD_WINE_CLEAN=1 the prefix is removed
# afterwards. Exits with the command's status (125 when the prefix cannot be made).
here=$(cd "$(dirname "$0")" && pwd)
# Debian's wine64 starts without a preloader, so with address space randomization its heap
# can take the page where Wine maps the shared user data: that start then fails, at random,
# with "failed to map the shared user data". The session and all it starts run without
# randomization, where the system allows it (the setting passes to child processes).
if [ -z "$WAYFOLD_NO_RANDOMIZE" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
    export WAYFOLD_NO_RANDOMIZE=1
    exec setarch "$(uname -m)" -R /bin/sh "$here/wine-session.sh" "$@"
fi
. "$here/wine-env.sh"
finish() {
    wineserver -k 2>/dev/null
    timeout 20 wineserver -w
    if [ "${WAYFOLD_WINE_CLEAN:-0}" = 1 ] && [ -f "$WINEPREFIX/.wayfold-prefix" ]; then
        rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM
"$here/wine-prefix.sh" || exit 125
# No server left over from another display
wineserver -k 2>/dev/null
wineserver -w
wineserver -p
wine wineboot >/dev/null 2>&1
"$@"
