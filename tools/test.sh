#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both configurations,
# then runs the native tests (sanitizers, fuzzers) and the Windows tests
# under Wine, the whole-program ones on a private Xvfb screen.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/tools/install-deps.sh" || exit 1
"$root/tools/build.sh" || exit 1

# A private virtual screen for the tests that drive real windows.
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    for prefix in "$root"/build/target/wineprefix-*/; do
        [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    done
    return 0
}
trap cleanup EXIT
for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        # The x11 prefix is booted next: the screen must answer first.
        for _ in $(seq 1 50); do
            xdotool getdisplaygeometry >/dev/null 2>&1 && break
            sleep 0.1
        done
        break
    fi
done

# Boot both Wine prefixes once, before any test starts a program.
(cd "$root/build/target" && TAVRIX_DISPLAY=null "$root/cmake/wine-run.sh" --boot-only)
(cd "$root/build/target" && TAVRIX_DISPLAY=x11 "$root/cmake/wine-run.sh" --boot-only)

status=0
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer, fuzzers)"
ctest --test-dir "$root/build/native" --output-on-failure -j 2 --timeout 600 || status=1
echo "== Windows tests under Wine"
ctest --test-dir "$root/build/target" --output-on-failure -j 2 --timeout 300 || status=1
exit $status
