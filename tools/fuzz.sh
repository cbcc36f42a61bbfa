#!/usr/bin/env bash
# Runs one fuzz target of the native build for a long time on every core:
#   tools/fuzz.sh TARGET MINUTES      e.g. tools/fuzz.sh engines_extract_fuzz 60
#   tools/fuzz.sh --list              the targets there are
# The target and its committed seeds are the ones its short CTest run uses.
# New inputs go to build/fuzz/TARGET/corpus (kept between runs, never into
# the committed seeds); a finding stops that worker and is saved beside it as
# crash-*, leak-*, timeout-* or oom-*. The last lines say how many inputs ran,
# all workers together.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
native="$root/build/native"

if [ ! -f "$native/CMakeCache.txt" ]; then
    TAVRIX_SKIP_TARGET=1 "$root/tools/build.sh"
fi
fuzz_tests() { ctest --test-dir "$native" -L fuzz --show-only=json-v1; }

if [ "${1:-}" = --list ]; then
    fuzz_tests | python3 -c 'import json,sys; [print(t["name"]) for t in json.load(sys.stdin)["tests"]]'
    exit 0
fi
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]] || [ "$2" -lt 1 ]; then
    echo "usage: tools/fuzz.sh TARGET MINUTES   (tools/fuzz.sh --list for the targets)" >&2
    exit 2
fi
target="$1"
minutes="$2"
cmake --build "$native" --target "$target" -j "$(nproc)" >/dev/null

# The binary and the seed folder, from the target's CTest command line.
read -r binary seeds < <(fuzz_tests | python3 -c '
import json, sys
for t in json.load(sys.stdin)["tests"]:
    if t["name"] == sys.argv[1]:
        command = t["command"]
        print(command[0], command[-1])
        break
' "$target")
if [ -z "${binary:-}" ]; then
    echo "no fuzz target named $target (tools/fuzz.sh --list)" >&2
    exit 2
fi

work="$root/build/fuzz/$target"
mkdir -p "$work/corpus"
run="$work/run-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$run"
cores="$(nproc)"
echo "== $target for $minutes min on $cores cores; logs: ${run#"$root"/}/"
# One independent fuzzing process a core, sharing the corpus folder: each
# runs at full speed (fork mode restarts its workers every few seconds and
# loses most of the time of a fast target to that).
status=0
(cd "$run" && "$binary" -jobs="$cores" -workers="$cores" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 \
    -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" "$seeds") >"$run/main.log" 2>&1 || status=$?

# Each worker's log ends with its own count of inputs.
total="$(cat "$run"/fuzz-*.log | sed -n 's/^stat::number_of_executed_units: //p' | awk '{ s += $1 } END { print s + 0 }')"
echo "$total inputs in $((minutes * 60)) s: $((total / (minutes * 60))) a second"
if [ "$status" -ne 0 ] || grep -qE '^==[0-9]+==ERROR|^SUMMARY|deadly signal' "$run"/*.log; then
    echo "== finding (exit $status): see $run/ and $work/" >&2
    ls "$work" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' >&2 || true
    exit 1
fi
echo "== no finding"
