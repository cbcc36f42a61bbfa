#!/usr/bin/env bash
# Benchmark: listing an archive of 100,000 entries.
#   - the directory reader, native (g++ -O2, no sanitizers)
#   - TArchiveBuilder::List in the Windows build, under Wine
#   - zipinfo -1 on the same file, in the same run
# Prints the median of several runs of each. The archive lives on tmpfs.
# Needs a configured target build (tools/build.sh) for the Wine figure.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="$root/build/bench"
runs="${RUNS:-7}"
archive="/dev/shm/tavrix-bench-100k.zip"
mkdir -p "$out"

if [ ! -f "$archive" ]; then
    python3 - "$archive" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(100000):
        z.writestr("scenery/tile%03d/object%06d.bgl" % (i // 1000, i), b"x" * (i % 7))
PY
fi
echo "archive: $archive ($(stat -c %s "$archive") bytes, 100000 entries)"

flags=(-std=c++20 -O2 -I"$root")
c++ "${flags[@]}" -o "$out/list-native" "$root/tools/bench/ArchiveListBench.cpp" \
    "$root/archive/DirectoryReader.cpp" "$root/archive/OemConversion.cpp"

# The Windows build this machine runs: the 32-bit one where 32-bit programs
# start, else the 64-bit one under 64-bit Wine (TAVRIX_WINDOWS_BUILD=32|64).
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
echo "$TAVRIX_WINDOWS_BITS-bit build: $TAVRIX_WINDOWS_REASON"
tavrix_archive_program "$root" "$root/tools/bench/ArchiveListBench.cpp" "$out/list-wine.exe"

median_ms() {  # <command...>: median wall time of whole runs, output discarded
    local times=()
    for _ in $(seq "$runs"); do
        local t0 t1
        t0=${EPOCHREALTIME/[.,]/}000
        "$@" >/dev/null
        t1=${EPOCHREALTIME/[.,]/}000
        times+=($(( (t1 - t0) / 1000000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

echo "== in-process time of one listing"
echo -n "native reader:          "; "$out/list-native" "$archive" "$runs"
wine_archive="Z:${archive//\//\\}"
echo -n "TArchiveBuilder (Wine): "
(cd "$build" && "$root/cmake/wine-run.sh" "$out/list-wine.exe" "$wine_archive" "$runs" 2>/dev/null)
echo "== whole command, median of $runs"
echo "zipinfo -1:             $(median_ms zipinfo -1 "$archive") ms"
echo "native reader (1 run):  $(median_ms "$out/list-native" "$archive" 1) ms"
