# Sourced by the window scripts, with $tools set: a fresh copy of the prepared test prefix
# in a folder $work of its own, with a Wine server of the copy's own, warmed up with its
# services' output off the caller's pipes. Both are removed when the script exits.
"$tools/wine-prefix.sh" || exit 125
. "$tools/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/wayfold-gui.XXXXXX") || exit 125
cp -a "$WINEPREFIX" "$work/prefix" || exit 125
export WINEPREFIX="$work/prefix"
finish() {
    wineserver -k 2>/dev/null
    timeout 20 wineserver -w
    rm -rf "$work"
}
trap finish EXIT
wineserver -p
wine wineboot >/dev/null 2>&1
