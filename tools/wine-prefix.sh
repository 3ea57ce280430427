#!/bin/sh
# Creates the test prefix once (under a lock, so parallel tests wait for one creation).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.wayfold-ready" ]; then exit 0; fi
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || exit 1
# No window manager under Xvfb: without Managed=N every hidden window costs 2 s.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# A crash ends the program instead of opening winedbg's dialog and hanging.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /v winemenubuilder /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.wayfold-ready"
