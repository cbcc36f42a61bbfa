#!/usr/bin/env bash
# Speed of building archives through the archive component, printed as
# figures (not a test): QzpPack.exe (the component with PACK32.DLL, under
# Wine) against Info-ZIP zip on the same files, on tmpfs, median of several
# runs, side by side in one run:
#   - adding the mixed ~300 MB set (stage_files.py) at level 6, against zip -6;
#   - deleting one entry from an archive of 100,000 entries, against zip -d
#     (the component copies the other entries without inflating them);
#   - listing those 100,000 entries to /dev/null, against unzip -l (a
#     character device, as a console is: the C runtime does not buffer it).
# Wine's own start, timed with "QzpPack --help", is printed beside them: it
# is part of every QzpPack figure.
#
#   tools/bench/pack_bench.sh       TAVRIX_BENCH_RUNS=3 runs per figure
#                                   TAVRIX_BENCH_SCALE=4 divides the sizes
# Run it only while nothing else builds: the figures are wall-clock times.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/tools/bench"
work="${TAVRIX_BENCH_DIR:-/dev/shm/tavrix-pack-bench}"
runs="${TAVRIX_BENCH_RUNS:-3}"
scale="${TAVRIX_BENCH_SCALE:-1}"
mixed_mb=$((300 / scale))
entries=$((100000 / scale))

. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
rm -rf "$work"
mkdir -p "$work/bin"
trap 'rm -rf "$work"' EXIT

echo "== building QzpPack.exe and the engines ($TAVRIX_WINDOWS_REASON)"
cmake --build "$build" --target qzppack pack32 unpack32 -j 2 >/dev/null
cp "$TAVRIX_WINDOWS_DIST/QzpPack.exe" "$TAVRIX_WINDOWS_DIST/PACK32.DLL" "$TAVRIX_WINDOWS_DIST/UNPACK32.DLL" "$work/bin/"
export TAVRIX_BUILD_DIR="$build"
wine_run="$root/cmake/wine-run.sh"
"$wine_run" --boot-only
# One Wine server for the whole run: its start is not what is measured.
server="$TAVRIX_WINDOWS_SERVER"
# (-p fails when a server of the prefix is running already: that one serves.)
WINEPREFIX="$build/wineprefix-null" "$server" -p 2>/dev/null || true
trap 'WINEPREFIX="$build/wineprefix-null" "$server" -k 2>/dev/null || true; rm -rf "$work"' EXIT
qzppack() { "$wine_run" "$work/bin/QzpPack.exe" "$@"; }

echo "== making data sets in $work"
python3 "$here/stage_files.py" "$work/mixed" "$mixed_mb"
python3 - "$work/many" "$entries" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    d = os.path.join(root, "dir%03d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file%05d.txt" % i), "w") as f:
        f.write("entry %d " % i * (1 + i % 20))
PY
(cd "$work/many" && zip -q -r -6 "$work/many.zip" .)
victim="dir$(printf %03d $((entries / 2000)))/file$(printf %05d $((entries / 2)))"
printf '   mixed: %s files, %s\n' "$(find "$work/mixed" -type f | wc -l)" "$(du -sh "$work/mixed" | cut -f1)"
printf '   many.zip: %s entries, %s; the entry deleted: %s.txt\n' "$entries" "$(du -h "$work/many.zip" | cut -f1)" "$victim"

# median SECONDS of `runs` runs of a command in a fresh output folder, after
# an untimed preparation. Usage: measure PREPARE COMMAND
measure() {
    local times=()
    for _ in $(seq "$runs"); do
        rm -rf "$work/out"
        mkdir -p "$work/out"
        (cd "$work/out" && eval "$1")
        local start end
        start=${EPOCHREALTIME/,/.}
        (cd "$work/out" && eval "$2" >/dev/null 2>"$work/stderr") || { echo "failed: $2" >&2; cat "$work/stderr" >&2; }
        end=${EPOCHREALTIME/,/.}
        times+=("$(echo "$end - $start" | bc)")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'
}
ratio() { echo "scale=3; $1 / $2" | bc; }
# The ratio once Wine's own start (measured below) is taken from our figure:
# on Windows a process starts in milliseconds.
net_ratio() { echo "scale=3; ($1 - $wine_start) / $2" | bc; }

echo "== median of $runs runs, seconds"
wine_start=$(measure true "qzppack --help")
printf '   Wine start (QzpPack --help)            %8s\n' "$wine_start"

zip_add=$(measure true "cd '$work/mixed' && zip -q -r -6 '$work/out/zip6.zip' .")
qz_add=$(measure true "qzppack add -r -l 6 -C 'Z:$work/mixed' 'Z:$work/out/qz6.zip' '*.*'")
printf '   add, level 6:  zip -6 %8s   QzpPack %8s   ratio %s, without Wine start %s (goal 0.9)\n' \
    "$zip_add" "$qz_add" "$(ratio "$qz_add" "$zip_add")" "$(net_ratio "$qz_add" "$zip_add")"

zip_del=$(measure "cp '$work/many.zip' x.zip" "zip -q -d x.zip '$victim.txt'")
qz_del=$(measure "cp '$work/many.zip' x.zip" "qzppack delete x.zip '${victim//\//\\}.txt'")
printf '   delete 1 of %s:  zip -d %8s   QzpPack %8s   ratio %s, without Wine start %s (goal 1.2)\n' \
    "$entries" "$zip_del" "$qz_del" "$(ratio "$qz_del" "$zip_del")" "$(net_ratio "$qz_del" "$zip_del")"

zip_list=$(measure true "unzip -l '$work/many.zip'")
qz_list=$(measure true "qzppack list '$work/many.zip'")
printf '   list %s entries:  unzip -l %8s   QzpPack %8s   ratio %s, without Wine start %s\n' \
    "$entries" "$zip_list" "$qz_list" "$(ratio "$qz_list" "$zip_list")" "$(net_ratio "$qz_list" "$zip_list")"

# Both results hold the same files.
(cd "$work/out" && cp "$work/many.zip" x.zip && qzppack delete x.zip "${victim//\//\\}.txt" >/dev/null 2>&1 &&
    unzip -tq x.zip >/dev/null && [ "$(unzip -Z1 x.zip | grep -vc '/$')" = $((entries - 1)) ]) ||
    echo "   CHECK FAILED: the archive QzpPack left after the delete"
