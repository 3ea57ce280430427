# Sourced by the Wine scripts: one prefix of the test run's own, never ~/.wine.
# WAYFOLD_WINEPREFIX may name another; the default is per user, under TMPDIR or /tmp.
: "${WAYFOLD_WINEPREFIX:=${TMPDIR:-/tmp}/wayfold-wine-$(id -u)}"
export WINEPREFIX="$WAYFOLD_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG=-all,err+all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export LC_ALL=C.UTF-8
