#!/bin/sh
# Creates the test prefix once (under a lock, so parallel tests wait for one creation).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
# The user's own prefix is never touched, let alone removed.
case "${WINEPREFIX%/}" in
"" | "$HOME/.wine" | "$HOME")
    echo "wine-prefix.sh: refusing the prefix '$WINEPREFIX'; set WAYFOLD_WINEPREFIX" >&2
    exit 1
    ;;
esac
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.wayfold-ready" ]; then exit 0; fi
# A half-made prefix from an interrupted run goes; a folder that is no prefix stays.
if [ -d "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/.wayfold-prefix" ] && [ ! -f "$WINEPREFIX/system.reg" ] &&
    [ -n "$(ls -A "$WINEPREFIX")" ]; then
    echo "wine-prefix.sh: '$WINEPREFIX' is not a Wine prefix; set WAYFOLD_WINEPREFIX" >&2
    exit 1
fi
rm -rf "$WINEPREFIX"
mkdir "$WINEPREFIX" && touch "$WINEPREFIX/.wayfold-prefix" || exit 1
wineboot -i >/dev/null 2>&1 || exit 1
# No window manager under Xvfb: without Managed=N every hidden window costs 2 s.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# A crash ends the program instead of opening winedbg's dialog and hanging.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /v winemenubuilder /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.wayfold-ready"
