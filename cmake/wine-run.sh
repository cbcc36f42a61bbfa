#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
#
#   wine-run.sh PROGRAM ARGS...   run a program (or a Wine tool: reg, winepath)
#   wine-run.sh --boot-only       only make sure the prefix is booted
#   wine-run.sh --kill            end the prefix's Wine processes
#
#   TAVRIX_WINEPREFIX   prefix folder (default: <build>/wineprefix-<display>)
#   TAVRIX_DISPLAY      "null" (default): Wine's null display driver, no X needed;
#                       "x11": real windows on $DISPLAY (for example an Xvfb screen)
#   TAVRIX_WINE_ARCH    "win32" or "win64"; by default what the build folder's
#                       wine-arch.txt says (written when CMake configures it)
#
# A 64-bit build runs under Wine's 64-bit loader and server, called directly:
# Debian's `wine` wrapper picks the 32-bit loader whenever wine32 is installed,
# even on a kernel that cannot start it.
#
# The prefix is booted once, under a lock, the first time any test needs it.
set -euo pipefail

display_mode="${TAVRIX_DISPLAY:-null}"
build_dir="$(realpath -m "${TAVRIX_BUILD_DIR:-$(pwd)}")"
# An absolute path, so that the walk up always ends at "/".
while [ ! -f "$build_dir/CMakeCache.txt" ] && [ "$build_dir" != "/" ]; do
    build_dir="$(dirname "$build_dir")"
done
[ "$build_dir" = "/" ] && build_dir="$(pwd)"

arch="${TAVRIX_WINE_ARCH:-}"
if [ -z "$arch" ] && [ -f "$build_dir/wine-arch.txt" ]; then
    arch="$(cat "$build_dir/wine-arch.txt")"
fi
case "${arch:-win32}" in
    win64)
        loader=/usr/lib/wine/wine64
        server=/usr/lib/wine/wineserver64
        export WINESERVER="$server"
        export WINEARCH=win64
        ;;
    win32)
        loader=wine
        server=wineserver
        ;;
    *)
        echo "wine-run: unknown Wine architecture '$arch'" >&2
        exit 2
        ;;
esac

export WINEPREFIX="${TAVRIX_WINEPREFIX:-$build_dir/wineprefix-$display_mode}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ "${1:-}" = "--kill" ]; then
    [ -d "$WINEPREFIX" ] && "$server" -k 2>/dev/null
    exit 0
fi

wine_reg() { "$loader" reg "$@" >/dev/null 2>&1; }

if [ ! -f "$WINEPREFIX/.tavrix-ready" ]; then
    mkdir -p "$WINEPREFIX"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/.tavrix-ready" ]; then
        "$loader" wineboot -i >/dev/null 2>&1 || true
        "$server" -w
        if [ "$display_mode" = "null" ]; then
            wine_reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        else
            wine_reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f || true
        fi
        # A crashing program must fail at once with its exception code, not
        # start the debugger and wait for the test's timeout.
        aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
        wine_reg add "$aedebug" /v Debugger /d '' /f
        wine_reg add "$aedebug" /v Auto /d 0 /f
        "$server" -w
        touch "$WINEPREFIX/.tavrix-ready"
    fi
    flock -u 9
    exec 9>&-
fi

[ "${1:-}" = "--boot-only" ] && exit 0
exec "$loader" "$@"
