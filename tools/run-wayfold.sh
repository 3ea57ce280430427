#!/bin/sh
# Starts the Wayfold handheld program under Wine on Linux:
#   tools/run-wayfold.sh [WAYFOLD.EXE]
# Without an argument it runs build/windows/wayfold.exe and builds it first when it is
# missing (cmake --preset windows). The program gets a Wine prefix of its own,
# WAYFOLD_RUN_PREFIX (default ~/.local/share/wayfold/wine), made on the first start; its
# settings live in that prefix's registry. Track files are reached through drive Z:, which
# is the Linux root (Z:\home\you\walk.gpx); the route files are written beside the track.
set -e
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/windows/wayfold.exe}
if [ ! -f "$program" ]; then
    if [ $# -gt 0 ]; then
        echo "run-wayfold: no program at $program" >&2
        exit 1
    fi
    (cd "$here/.." && cmake --preset windows >/dev/null && cmake --build --preset windows --target wayfold)
fi
command -v wine >/dev/null || { echo "run-wayfold: wine is not installed (apt-get install wine wine64)" >&2; exit 1; }

export WINEPREFIX="${WAYFOLD_RUN_PREFIX:-$HOME/.local/share/wayfold/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko prompts, no menu entries in the desktop's menus.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# Non-ASCII file names need a UTF-8 locale that exists.
case "${LC_ALL:-${LANG:-}}" in
*UTF-8* | *utf8*) ;;
*) export LC_ALL=C.UTF-8 ;;
esac
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run-wayfold: making the Wine prefix $WINEPREFIX (once, about 15 s)" >&2
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
fi
# With no window manager (a bare X server such as Xvfb), Wine must draw the window's frame
# itself, or the window is shown before it is mapped and its first paint is lost; with one,
# the window manager frames it as usual.
managed=Y
if command -v xdotool >/dev/null && ! xdotool get_num_desktops >/dev/null 2>&1; then managed=N; fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f >/dev/null 2>&1
exec wine "$program"
