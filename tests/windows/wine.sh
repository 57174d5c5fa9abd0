# A fresh Wine prefix for one test, on the display the test runs on. Sourced, not run.
#   start_wine_prefix DIR   makes a new 64-bit prefix in DIR and exports WINEPREFIX
#   stop_wine_prefix        ends every Wine process of the prefix and removes it
#   windows_path PATH       the Windows name of a file of the build machine (drive Z:)

WINE="$(command -v wine64 || echo /usr/lib/wine/wine64)"
[ -x "$WINE" ] || { echo "FAIL: Wine is not installed (the wine64 package)." >&2; exit 1; }
export WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64

start_wine_prefix() {
    export WINEPREFIX="$1"
    mkdir -p "$WINEPREFIX"
    # Without the .NET and HTML engines, which a new prefix would offer to download.
    WINEDLLOVERRIDES="mscoree=;mshtml=" "$WINE" wineboot --init >/dev/null 2>&1
    wineserver --wait
}

stop_wine_prefix() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver --kill 2>/dev/null || true
    wineserver --wait 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    unset WINEPREFIX
}

windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}
