#!/usr/bin/env bash
# Benchmark: a package of about 300 MB of real files (library files of this
# machine, packed with Info-ZIP zip -6) installed through the whole program,
# clicked on a private virtual screen, beside the engine's own extraction of
# the same archive (UNPACK32.DLL called through its record by a small Windows
# program), in the same run, alternating. Prints the medians and the ratio;
# the installer's own work (listing, plan, record, callbacks, progress bars,
# pages) should stay within 3% of the engine's time. The installation page
# waits 100 ms after it shows before it starts extracting, and the completion
# page writes Ostrel.txt 500 ms after it shows: both waits are the pages'
# design, not overhead, so the time is printed with and without them. The
# installer's time runs from the click on Next having been sent to Ostrel.txt
# written; while it waits, the script starts a process only every 2.5 s.
#
#   tools/bench/install_300mb.sh      RUNS=3 by default; needs tools/build.sh
#                                     MEGABYTES=300 by default
# Runs the 32-bit files where 32-bit programs start, else the 64-bit build
# under 64-bit Wine (tools/windows-build.sh; TAVRIX_WINDOWS_BUILD=32|64).
# Everything it writes lives in /dev/shm and is removed at the end, except
# the archive when BENCH_ARCHIVE names a file to keep it in (and reuse it).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
runs="${RUNS:-3}"
megabytes="${MEGABYTES:-300}"
work="/dev/shm/tavrix-bench-install-$$"
out="$root/build/bench"
mkdir -p "$out" "$work"

. "$root/tools/demo/walk-steps.sh"
export TAVRIX_WINEPREFIX="$out/wineprefix-x11"
walk_init "$root" "$build" "$out/install-shots"
trap 'walk_cleanup; rm -rf "$work"' EXIT

package="$work/package"
mkdir -p "$package"
if [ -n "${BENCH_ARCHIVE:-}" ] && [ -f "$BENCH_ARCHIVE" ]; then
    cp "$BENCH_ARCHIVE" "$package/Setup.qzp"  # one made by an earlier run (kept with BENCH_ARCHIVE)
    files="$(zipinfo -1 "$package/Setup.qzp" | grep -vc '/$')"
else
    # The add-on: whole library files, in their folders, up to the size asked.
    staging="$work/staging"
    python3 "$root/tools/bench/stage_files.py" "$staging" "$megabytes"
    (cd "$staging" && zip -q -r -6 "$package/Setup.qzp" "Bench Addon")
    files="$(find "$staging" -type f | wc -l)"
    rm -rf "$staging"
    [ -n "${BENCH_ARCHIVE:-}" ] && cp "$package/Setup.qzp" "$BENCH_ARCHIVE"
fi
echo "$TAVRIX_WINDOWS_BITS-bit build: $TAVRIX_WINDOWS_REASON"
echo "archive: $(( $(stat -c %s "$package/Setup.qzp") / 1000000 )) MB, $files files (zip -6)"
printf '[Addon]\r\nType=Aircraft\r\n[Title]\r\nhl=Bench Addon\r\n[Flightsim]\r\nVersion=Flightsimulator 2000\r\n' \
    >"$package/Ostrel.ini"
cp "$walk_dist/Corvinel.exe" "$walk_dist/Velskin.dll" "$walk_dist/UNPACK32.DLL" "$package/"

# The engine alone, from the same folder.
"$TAVRIX_WINDOWS_CXX" -std=c++20 -O2 -static -I"$root" -o "$package/UnpackBench.exe" \
    "$root/tools/bench/UnpackBench.cpp"

walk_use_screen --private
walk_prepare_prefix
simulator="$work/FS2000"
destination="$simulator/Aircraft/Bench Addon"
walk_set_simulator_path 7.0 "$simulator"

start_wait_ms=100       # the installation page's timer before Extract
completion_wait_ms=500  # the completion page's timer before Ostrel.txt
# Read from the shell itself: a forked date or sleep costs a few
# milliseconds of a core in a virtual machine, and the installer runs on two.
now_ms() { local t="${EPOCHREALTIME/[.,]/}"; now=$((t / 1000)); }
exec {idle_fd}<> <(:)  # never written: reading it with a timeout is a sleep without a fork
nap() { read -r -t "$1" -u "$idle_fd" _ || true; }
engine_times=() install_times=()
# The engine extracts into a folder as deep as the installer's destination
# and named alike: Wine looks a new file's path up a folder at a time, so a
# shallower folder alone would make the engine's figure the smaller.
engine_out="$work/engine-out/FS2000/Aircraft/Bench Addon"
engine_run() {
    rm -rf "$work/engine-out" && mkdir -p "$engine_out"
    line="$(cd "$package" && walk_wine "$package/UnpackBench.exe" "$(wine_path "$package/Setup.qzp")" \
        "$(wine_path "$engine_out")" | tr -d '\r')"
    [ "$(find "$engine_out" -type f | wc -l)" -eq "$files" ] || { echo "engine run incomplete: $line" >&2; exit 1; }
    engine_times+=("${line%% ms*}")
    rm -rf "$work/engine-out"
}
install_run() {
    rm -rf "$simulator" && mkdir -p "$simulator"
    walk_start "$package"
    walk_to_ready no no
    eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
    xdotool mousemove $((X + 1 + 376)) $((Y + 1 + 27 + 276))
    sleep 0.3
    # Next: the installation starts. The time counts from xdotool's end: it
    # takes 10 to 60 ms to start, then sends the press and the release, and
    # without --delay 0 it would wait 100 ms more after them. It ends about
    # 2 ms after the release, so the installer is given those 2 ms at most.
    xdotool click --delay 0 1
    now_ms && start=$now
    # Polled lightly, without a process per poll: the two cores of the
    # machine are for the installer.
    polls=0
    while [ ! -f "$destination/Ostrel.txt" ]; do
        polls=$((polls + 1))
        if [ $((polls % 50)) -eq 0 ]; then
            kill -0 "$WALK_PID" 2>/dev/null || { echo "the installer ended before completing" >&2; exit 1; }
            [ "$(windows_named 'Tavrix Installer' | wc -l)" -lt 2 ] || { echo "the installer reported a problem" >&2; exit 1; }
        fi
        nap 0.05
    done
    # Ended when Ostrel.txt was written, not when the poll saw it.
    install_times+=($(( $(date -r "$destination/Ostrel.txt" +%s%N) / 1000000 - start - completion_wait_ms )))
    # The add-on's files and Ostrel.txt; the record and the uninstaller lie in Uninstall\.
    [ "$(find "$destination" -path "$destination/Uninstall" -prune -o -type f -print | wc -l)" -eq $((files + 1)) ] ||
        { echo "installation incomplete" >&2; exit 1; }
    walk_finish
    [ "$walk_failures" -eq 0 ] || exit 1
    rm -rf "$simulator"
}
for run in $(seq "$runs"); do
    # The order swaps every run: what the first leaves behind (thousands of
    # files just removed, a warm cache) weighs on both alike.
    if [ $((run % 2)) -eq 1 ]; then engine_run && install_run; else install_run && engine_run; fi
    echo "run $run: engine ${engine_times[-1]} ms, installer ${install_times[-1]} ms"
done

median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
engine="$(median "${engine_times[@]}")"
install="$(median "${install_times[@]}")"
echo "== median of $runs, $files files"
echo "engine alone (UnpackExec):        $engine ms"
echo "whole installer (Next to done):   $install ms (the completion page's ${completion_wait_ms} ms wait taken out)"
awk -v i="$install" -v e="$engine" -v w="$start_wait_ms" 'BEGIN {
    printf "ratio installer/engine:           %.3f (overhead %+.1f%%)\n", i / e, (i / e - 1) * 100
    printf "  without the %d ms start wait:   %.3f (overhead %+.1f%%)\n", w, (i - w) / e, ((i - w) / e - 1) * 100 }'
