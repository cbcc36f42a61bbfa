#!/usr/bin/env bash
# Speed of the engines, printed as figures (not a test). On tmpfs, with the
# peers measured in the same run, median of several runs:
#   extraction, natively: our core (tavrix-zip), Info-ZIP unzip, and a
#     minimal inflate-and-write program (the machine's limit);
#   extraction, under Wine: UNPACK32.DLL through its exec record, and the
#     same minimal program built for Windows;
#   adding at level 6: our core and PACK32.DLL against zip -6.
# Data sets: (a) ~300 MB of real files from /usr/lib and /usr/share,
# (b) 100,000 small files, (c) one 500 MB file.
#
#   tools/bench/bench.sh            TAVRIX_BENCH_SCALE=4 divides the sizes
#                                    TAVRIX_BENCH_RUNS=3 runs per figure
# Runs the 32-bit files where 32-bit programs start, else the 64-bit build
# under 64-bit Wine (tools/windows-build.sh; TAVRIX_WINDOWS_BUILD=32|64).
# Run it only while nothing else builds: the figures are wall-clock times.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/tools/bench"
work="${TAVRIX_BENCH_DIR:-/dev/shm/tavrix-bench}"
runs="${TAVRIX_BENCH_RUNS:-3}"
scale="${TAVRIX_BENCH_SCALE:-1}"
mixed_mb=$((300 / scale))
small_files=$((100000 / scale))
large_mb=$((500 / scale))

. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
cxx="$TAVRIX_WINDOWS_CXX" zlib="$TAVRIX_WINDOWS_ZLIB" server="$TAVRIX_WINDOWS_SERVER"
export TAVRIX_BUILD_DIR="$build"
wine_run="$root/cmake/wine-run.sh"

rm -rf "$work"
mkdir -p "$work/bin"
wine_prefix="$build/wineprefix-null"
cleanup() {
    WINEPREFIX="$wine_prefix" "$server" -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== building (optimised, no sanitizers)"
if [ ! -f "$root/build/bench/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DTAVRIX_SANITIZE=OFF \
        >/dev/null
fi
cmake --build "$root/build/bench" --target tavrix-zip -j 2 >/dev/null
cp "$root/build/bench/engines/tavrix-zip" "$work/bin/"
echo "   Windows files: $TAVRIX_WINDOWS_BITS-bit ($TAVRIX_WINDOWS_REASON)"
cmake --build "$build" --target unpack32 pack32 -j 2 >/dev/null
cp "$TAVRIX_WINDOWS_DIST/UNPACK32.DLL" "$TAVRIX_WINDOWS_DIST/PACK32.DLL" "$work/bin/"
clang++ -O2 -std=c++20 -o "$work/bin/minimal" "$here/minimal_unzip.cpp" -lz
"$cxx" -O2 -std=c++20 -static -o "$work/bin/minimal.exe" "$here/minimal_unzip.cpp" "$zlib"
"$cxx" -O2 -std=c++20 -static -I "$root" -o "$work/bin/unpack_driver.exe" "$here/unpack_driver.cpp"

echo "== making data sets in $work"
# (a) real files; names Windows cannot hold are left out so that every tool
# extracts the same set.
(find /usr/lib /usr/share -type f -size -40M -printf '%s %p\n' 2>/dev/null |
    grep -v -E '[:*?"<>|\\]|[. ]$' | sort -k2 |
    awk -v limit=$((mixed_mb * 1024 * 1024)) '{ if (sum + $1 > limit) exit; sum += $1; print substr($0, index($0, " ") + 1) }') \
    >"$work/mixed.list" || true  # awk ends the pipe early on purpose
mkdir -p "$work/a"
(cd / && tar -cf - --no-recursion -T <(sed 's|^/||' "$work/mixed.list") 2>/dev/null) | tar -xf - -C "$work/a" 2>/dev/null || true
# (b) small files, 1000 per folder, 200 to 4000 bytes of text.
python3 - "$work/b" "$small_files" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
words = [("w%d" % i) for i in range(5000)]
for i in range(count):
    d = os.path.join(root, "dir%03d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(d, exist_ok=True)
    text = " ".join(rng.choice(words) for _ in range(rng.randint(40, 700)))
    with open(os.path.join(d, "file%05d.txt" % i), "w") as f:
        f.write(text)
PY
# (c) one large file from the real files of (a), repeated as needed.
mkdir -p "$work/c"
python3 - "$work/a" "$work/c/large.bin" $((large_mb * 1024 * 1024)) <<'PY'
import os, sys
source, target, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
files = sorted(os.path.join(d, f) for d, _, fs in os.walk(source) for f in fs)
if not files:
    sys.exit("no files in " + source)
with open(target, "wb") as out:
    written = 0
    while written < size:
        for name in files:
            with open(name, "rb") as f:
                block = f.read(size - written)
            out.write(block)
            written += len(block)
            if written >= size:
                break
PY

for set in a b c; do
    printf '   %s: %s files, %s\n' "$set" "$(find "$work/$set" -type f | wc -l)" "$(du -sh "$work/$set" | cut -f1)"
done

. "$here/timing.sh"
# median SECONDS of `runs` runs of a command in a fresh output folder
# (the folder's removal is not timed). Usage: measure <command...>
measure() {
    local times=()
    for _ in $(seq "$runs"); do times+=("$(seconds "$(printf '%q ' "$@")")"); done
    median "${times[@]}"
}

export WINEPREFIX="$wine_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine_run" --boot-only
"$server" -p >/dev/null 2>&1 || true  # keep the server up between runs: its start is not what we measure

echo "== adding at level 6 (set a)"
zip_add=$(measure sh -c "cd '$work/a' && zip -q -r -6 '$work/out/zip6.zip' .")
core_add=$(measure sh -c "cd '$work/a' && '$work/bin/tavrix-zip' a -r -6 '$work/out/core6.zip' .")
wine_add=$(measure sh -c "cd '$work/a' && '$wine_run' '$work/bin/unpack_driver.exe' 'Z:$work/out/pack6.zip' pack 6 .")
printf '   zip -6 %8ss   core %8ss (%.2fx)   PACK32.DLL under Wine %8ss (%.2fx)\n' \
    "$zip_add" "$core_add" "$(ratio "$core_add" "$zip_add")" "$wine_add" "$(ratio "$wine_add" "$zip_add")"

echo "== archives (zip -6)"
for set in a b c; do
    (cd "$work/$set" && zip -q -r -6 "$work/$set.zip" .)
    printf '   %s.zip %s\n' "$set" "$(du -h "$work/$set.zip" | cut -f1)"
done
rm -rf "$work/c"  # room on tmpfs

echo "== extraction (median of $runs, seconds; ratio to the minimal program; under Wine in paired runs)"
printf '   %-4s %9s %9s %9s %7s %7s | %9s %9s %7s\n' set unzip core minimal core/uz core/min UNPACK32 min.exe dll/min
for set in a b c; do
    zipfile="$work/$set.zip"
    t_unzip=$(measure unzip -q -o "$zipfile")
    t_core=$(measure "$work/bin/tavrix-zip" x -o "$zipfile" .)
    t_min=$(measure "$work/bin/minimal" "$zipfile")
    paired "'$wine_run' '$work/bin/unpack_driver.exe' 'Z:$zipfile'" "'$wine_run' '$work/bin/minimal.exe' 'Z:$zipfile'"
    t_dll=${MEDIANS[0]} t_minw=${MEDIANS[1]}
    printf '   %-4s %9s %9s %9s %7.2f %7.2f | %9s %9s %7.2f\n' "$set" "$t_unzip" "$t_core" "$t_min" \
        "$(ratio "$t_core" "$t_unzip")" "$(ratio "$t_core" "$t_min")" "$t_dll" "$t_minw" "$(ratio "$t_dll" "$t_minw")"
done
