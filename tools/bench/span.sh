#!/usr/bin/env bash
# Benchmark: a spanned set of 10 MB volumes made from the mixed 300 MB set
# (stage_files.py, zipped by Info-ZIP zip), and joined again, by
# TArchiveBuilder's WriteSpan and ReadSpan in-process under Wine, against a
# plain `cp` of the same bytes on the same disk (tmpfs), median of RUNS
# (the copies: of RUNS before and RUNS after), and against Wine's own floor:
# a minimal Windows program that cuts the file into volumes and joins them
# with plain 1 MiB reads and writes (minimal_split.cpp).
# Goal: each within 1.5x of the copy. Figures only, not a test.
#
#   tools/bench/span.sh     RUNS=5 runs per figure, SPAN_MB=300 the set's size
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runs="${RUNS:-5}"
megabytes="${SPAN_MB:-300}"
work="${TAVRIX_BENCH_DIR:-/dev/shm/tavrix-span-bench}"
out="$root/build/bench"
mkdir -p "$out"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
tavrix_archive_program "$root" "$root/tools/bench/SpanBench.cpp" "$out/span-bench.exe"
"$TAVRIX_WINDOWS_CXX" -O2 -std=c++20 -static -o "$out/minimal-split.exe" "$root/tools/bench/minimal_split.cpp"

python3 "$root/tools/bench/stage_files.py" "$work/stage" "$megabytes"
(cd "$work/stage" && zip -q -r "$work/mixed.zip" "Bench Addon")
rm -rf "$work/stage"
size=$(stat -c %s "$work/mixed.zip")
echo "archive: $size bytes (Info-ZIP zip of the mixed set), volumes of 10 MB, on $(df --output=fstype "$work" | tail -1)"

copies=()
time_copies() {
    for _ in $(seq "$runs"); do
        t0=${EPOCHREALTIME/[.,]/}000
        cp "$work/mixed.zip" "$work/copy.zip"
        t1=${EPOCHREALTIME/[.,]/}000
        rm -f "$work/copy.zip"
        copies+=($(( (t1 - t0) / 1000000 )))
    done
}

# The copies are timed before and after the component's runs, so that a
# machine that speeds up or slows down meanwhile weighs on both sides.
time_copies
result=$(cd "$build" && "$root/cmake/wine-run.sh" "$out/span-bench.exe" "Z:${work//\//\\}\\mixed.zip" \
    "Z:${work//\//\\}\\set.zip" 10485760 "$runs" 2>/dev/null | tr -d '\r')
floor=$(cd "$build" && "$root/cmake/wine-run.sh" "$out/minimal-split.exe" "Z:${work//\//\\}\\mixed.zip" \
    "Z:${work//\//\\}\\floor" 10485760 "$runs" 2>/dev/null | tr -d '\r')
time_copies
copy_ms=$(printf '%s\n' "${copies[@]}" | sort -n | sed -n "${runs}p")  # the lower median
volumes=$(echo "$result" | awk '/^volumes/ {print $2}')
write_ms=$(echo "$result" | awk '/^writespan_ms/ {print $2}')
read_ms=$(echo "$result" | awk '/^readspan_ms/ {print $2}')
split_ms=$(echo "$floor" | awk '/^split_ms/ {print $2}')
join_ms=$(echo "$floor" | awk '/^join_ms/ {print $2}')
echo "cp of the archive:        $copy_ms ms"
echo "minimal split under Wine: $split_ms ms  ($(awk "BEGIN {printf \"%.2f\", $split_ms / $copy_ms}")x cp)"
echo "minimal join under Wine:  $join_ms ms  ($(awk "BEGIN {printf \"%.2f\", $join_ms / $copy_ms}")x cp)"
echo "WriteSpan ($volumes volumes):    $write_ms ms  ($(awk "BEGIN {printf \"%.2f\", $write_ms / $copy_ms}")x cp, \
$(awk "BEGIN {printf \"%.2f\", $write_ms / $split_ms}")x the minimal split)"
echo "ReadSpan (join):          $read_ms ms  ($(awk "BEGIN {printf \"%.2f\", $read_ms / $copy_ms}")x cp, \
$(awk "BEGIN {printf \"%.2f\", $read_ms / $join_ms}")x the minimal join)"
