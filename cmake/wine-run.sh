#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
#
#   TAVRIX_WINEPREFIX   prefix folder (default: <build>/wineprefix-<display>)
#   TAVRIX_DISPLAY      "null" (default): Wine's null display driver, no X needed;
#                       "x11": real windows on $DISPLAY (for example an Xvfb screen)
#
# The prefix is booted once, under a lock, the first time any test needs it.
set -euo pipefail

display_mode="${TAVRIX_DISPLAY:-null}"
build_dir="${TAVRIX_BUILD_DIR:-$(pwd)}"
while [ ! -f "$build_dir/CMakeCache.txt" ] && [ "$build_dir" != "/" ]; do
    build_dir="$(dirname "$build_dir")"
done
[ "$build_dir" = "/" ] && build_dir="$(pwd)"

export WINEPREFIX="${TAVRIX_WINEPREFIX:-$build_dir/wineprefix-$display_mode}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/.tavrix-ready" ]; then
    mkdir -p "$WINEPREFIX"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/.tavrix-ready" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        if [ "$display_mode" = "null" ]; then
            wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        else
            wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
        fi
        wineserver -w
        touch "$WINEPREFIX/.tavrix-ready"
    fi
    flock -u 9
    exec 9>&-
fi

[ "${1:-}" = "--boot-only" ] && exit 0
exec wine "$@"
