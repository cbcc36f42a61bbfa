#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs the native
# tests (sanitizers, fuzzers) and the Windows tests under Wine, the
# whole-program ones on a private Xvfb screen.
#
# The Windows tests run the shipped 32-bit build where 32-bit programs start,
# else the 64-bit build of the same sources under 64-bit Wine; the 32-bit
# files are then still built and checked, but not run.
# TAVRIX_WINDOWS_BUILD=32|64 forces the choice (tools/windows-build.sh).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root" || exit 1
windows_build="$TAVRIX_WINDOWS_BUILD_DIR"
echo "== Windows tests: the ${TAVRIX_WINDOWS_BITS}-bit build (${windows_build#"$root"/}), because $TAVRIX_WINDOWS_REASON"

"$root/tools/install-deps.sh" || exit 1
"$root/tools/build.sh" || exit 1

# A private virtual screen for the tests that drive real windows.
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    for display in null x11; do
        (cd "$windows_build" && TAVRIX_DISPLAY=$display "$root/cmake/wine-run.sh" --kill)
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
(cd "$windows_build" && TAVRIX_DISPLAY=null "$root/cmake/wine-run.sh" --boot-only)
(cd "$windows_build" && TAVRIX_DISPLAY=x11 "$root/cmake/wine-run.sh" --boot-only)

status=0
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer, fuzzers)"
ctest --test-dir "$root/build/native" --output-on-failure -j 2 --timeout 600 || status=1
if [ "$TAVRIX_WINDOWS_BITS" = 64 ]; then
    echo "== the shipped 32-bit files in dist/: built and checked, but not run (no 32-bit Wine here)"
    ctest --test-dir "$root/build/target" --output-on-failure -L without-wine || status=1
fi
echo "== Windows tests under ${TAVRIX_WINDOWS_BITS}-bit Wine"
ctest --test-dir "$windows_build" --output-on-failure -j 2 --timeout 300 || status=1
exit $status
