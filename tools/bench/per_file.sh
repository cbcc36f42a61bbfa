#!/usr/bin/env bash
# The engines' cost per file under Wine, printed as figures (not a test), for
# the Windows build this machine runs (32-bit, or 64-bit where 32-bit
# programs cannot start):
#   extraction of many small files: UNPACK32.DLL (through its exec record)
#     against the minimal unzip program, bare and --staged (the same program
#     keeping the engine's safety steps: a staging name, one rename by
#     handle, the time set through the handle);
#   the same count of 100-byte files written without an archive, a safety
#     step added at a time (file_steps.cpp): what each step costs Wine;
#   adding 12-byte files at two counts: PACK32.DLL against the minimal
#     program that opens, reads and closes each file (minimal_read.cpp),
#     with the time per file at each count, whose ratio shows whether adding
#     is linear in the file count.
# Wall-clock figures are medians of paired runs (engine and peer in turn,
# the order swapped every run), so a machine busy with other work weighs on
# both. Beside them, counts that do not depend on the load, taken on the
# first folder of 1,000 files with Wine's relay trace: Win32 calls into KERNEL32 per file (the
# file calls named), system calls (ntdll Nt*) per file and allocations
# (msvcrt malloc) per file.
#
#   tools/bench/per_file.sh          TAVRIX_BENCH_RUNS=5 paired runs per figure
#                                    TAVRIX_BENCH_SCALE=4 divides the counts
#                                    TAVRIX_BENCH_BEFORE=DIR also measures the
#                                      UNPACK32.DLL and PACK32.DLL in DIR
#                                      (an earlier build) in the same pairs
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/tools/bench"
work="${TAVRIX_BENCH_DIR:-/dev/shm/tavrix-per-file}"
runs="${TAVRIX_BENCH_RUNS:-5}"
scale="${TAVRIX_BENCH_SCALE:-1}"
extract_files=$((20000 / scale))
add_small=$((7000 / scale))
add_large=$((70000 / scale))
before="${TAVRIX_BENCH_BEFORE:-}"

. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
cxx="$TAVRIX_WINDOWS_CXX" zlib="$TAVRIX_WINDOWS_ZLIB" server="$TAVRIX_WINDOWS_SERVER"
rm -rf "$work"
mkdir -p "$work/bin" "$work/after"
export TAVRIX_BUILD_DIR="$build"
wine_run="$root/cmake/wine-run.sh"
trap 'WINEPREFIX="$build/wineprefix-null" "$server" -k 2>/dev/null || true; rm -rf "$work"' EXIT

echo "== building the engines and the minimal programs ($TAVRIX_WINDOWS_BITS-bit: $TAVRIX_WINDOWS_REASON)"
cmake --build "$build" --target unpack32 pack32 -j 2 >/dev/null
cp "$TAVRIX_WINDOWS_DIST/UNPACK32.DLL" "$TAVRIX_WINDOWS_DIST/PACK32.DLL" "$work/after/"
engines=(after)
if [ -n "$before" ]; then
    mkdir -p "$work/before"
    cp "$before/UNPACK32.DLL" "$before/PACK32.DLL" "$work/before/"
    engines=(before after)
fi
"$cxx" -O2 -std=c++20 -static -o "$work/bin/minimal.exe" "$here/minimal_unzip.cpp" "$zlib"
"$cxx" -O2 -std=c++20 -static -municode -o "$work/bin/minimal_read.exe" "$here/minimal_read.cpp"
"$cxx" -O2 -std=c++20 -static -municode -o "$work/bin/file_steps.exe" "$here/file_steps.cpp"
for e in "${engines[@]}"; do
    "$cxx" -O2 -std=c++20 -static -I "$root" -o "$work/$e/unpack_driver.exe" "$here/unpack_driver.cpp"
done
"$wine_run" --boot-only
WINEPREFIX="$build/wineprefix-null" "$server" -p 2>/dev/null || true  # one server for the whole run

echo "== making data sets in $work"
python3 - "$work" "$extract_files" "$add_small" "$add_large" <<'PY'
import os, random, sys
work, extract, small, large = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
def folder(root, i):
    d = os.path.join(root, "dir%03d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(d, exist_ok=True)
    return d
rng = random.Random(7)
words = ["w%d" % i for i in range(5000)]
for i in range(extract):  # 200 to 4000 bytes of text, 1000 files a folder
    with open(os.path.join(folder(work + "/x", i), "file%05d.txt" % i), "w") as f:
        f.write(" ".join(rng.choice(words) for _ in range(rng.randint(40, 700))))
for root, count in (("/add-small", small), ("/add-large", large)):
    for i in range(count):  # 12 bytes each
        with open(os.path.join(folder(work + root, i), "file%05d.txt" % i), "w") as f:
            f.write("entry %5d\n" % i)
PY
(cd "$work/x" && zip -q -r -6 "$work/x.zip" . && zip -q -r -6 "$work/x1000.zip" dir000)
mkdir -p "$work/add-1000" && cp -r "$work/add-small/dir000" "$work/add-1000/"
printf '   extraction: %s files; adding: %s and %s files of 12 bytes\n' "$extract_files" "$add_small" "$add_large"

. "$here/timing.sh"

drive() { echo "'$wine_run' '$work/$1/unpack_driver.exe' $2"; }
extract_cmds=()
for e in "${engines[@]}"; do extract_cmds+=("$(drive "$e" "'Z:$work/x.zip'")"); done
extract_cmds+=("'$wine_run' '$work/bin/minimal.exe' 'Z:$work/x.zip'" \
    "'$wine_run' '$work/bin/minimal.exe' 'Z:$work/x.zip' --staged")
echo "== extracting $extract_files small files (median of $runs paired runs, seconds)"
paired "${extract_cmds[@]}"
minimal=${MEDIANS[-2]} staged=${MEDIANS[-1]}
printf '   minimal %8s   minimal --staged %8s\n' "$minimal" "$staged"
for i in "${!engines[@]}"; do
    printf '   UNPACK32.DLL (%s) %8s   ratio to minimal %s, to minimal --staged %s\n' "${engines[i]}" \
        "${MEDIANS[i]}" "$(ratio "${MEDIANS[i]}" "$minimal")" "$(ratio "${MEDIANS[i]}" "$staged")"
done
# The tree is unzip's.
rm -rf "$work/out" && mkdir -p "$work/out"
(cd "$work/out" && eval "$(drive after "'Z:$work/x.zip'")" >/dev/null 2>&1) && mkdir -p "$work/unzip" &&
    (cd "$work/unzip" && unzip -q "$work/x.zip") && diff -r "$work/unzip" "$work/out" >/dev/null ||
    echo "   CHECK FAILED: the tree UNPACK32.DLL extracted differs from unzip's"
rm -rf "$work/unzip"

# The same count of files written without an archive, a safety step added at
# a time: what each step costs under Wine, whatever program takes it.
echo "== writing $extract_files files of 100 bytes, a step added at a time (median of $runs paired runs, seconds)"
ways=(bare timed staged rooted ahead)
cmds=()
for way in "${ways[@]}"; do cmds+=("'$wine_run' '$work/bin/file_steps.exe' $way $extract_files 'Z:$work/out'"); done
paired "${cmds[@]}"
for i in "${!ways[@]}"; do
    printf '   %-7s %8s   ratio to bare %s\n' "${ways[i]}" "${MEDIANS[i]}" "$(ratio "${MEDIANS[i]}" "${MEDIANS[0]}")"
done
echo "   (timed: + a time through the handle; staged: + a staging name and a rename of the full path through"
echo "    the handle; rooted: the rename relative to a handle on the target folder; ahead: the staging files"
echo "    created a few ahead by a second thread, with their descriptors fetched there, as UNPACK32.DLL does)"

echo "== adding 12-byte files at level 6 (median of $runs paired runs, seconds; ms a file)"
per_file() { echo "scale=3; 1000 * $1 / $2" | bc; }
declare -A added
for set in small large; do
    count=$([ $set = small ] && echo "$add_small" || echo "$add_large")
    cmds=()
    for e in "${engines[@]}"; do
        cmds+=("cd '$work/add-$set' && $(drive "$e" "'Z:$work/out/new.zip' pack 6 .")")
    done
    cmds+=("'$wine_run' '$work/bin/minimal_read.exe' 'Z:$work/add-$set'")
    paired "${cmds[@]}"
    read_time=${MEDIANS[-1]}
    printf '   %6s files: minimal_read %8s (%s ms)\n' "$count" "$read_time" "$(per_file "$read_time" "$count")"
    for i in "${!engines[@]}"; do
        added[${engines[i]}-$set]=$(per_file "${MEDIANS[i]}" "$count")
        printf '   %6s files: PACK32.DLL (%s) %8s (%s ms)   ratio to minimal_read %s\n' "$count" "${engines[i]}" \
            "${MEDIANS[i]}" "${added[${engines[i]}-$set]}" "$(ratio "${MEDIANS[i]}" "$read_time")"
    done
done
for e in "${engines[@]}"; do
    printf '   PACK32.DLL (%s): time a file at %s files over at %s files %s\n' "$e" "$add_large" "$add_small" \
        "$(ratio "${added[$e-large]}" "${added[$e-small]}")"
done

small_set=$(unzip -Z1 "$work/x1000.zip" | grep -vc '/$')
add_set=$(find "$work/add-1000" -type f | wc -l)
echo "== counts per file on $small_set and $add_set files (Wine relay trace; independent of the load)"
printf '   %-28s %8s %8s %8s   %s\n' program win32 nt malloc "file calls a file"
count_calls() {
    local label="$1" files="$2" command="$3" log="$work/relay.log"
    rm -rf "$work/out" && mkdir -p "$work/out"
    (export WINEDEBUG=+relay && cd "$work/out" && eval "$command" >/dev/null 2>"$log") || true
    python3 - "$log" "$label" "$files" <<'PY'
import collections, re, sys
calls = collections.Counter()
pattern = re.compile(r"^[0-9a-f]+:Call (KERNEL32|ntdll|msvcrt)\.(\w+)\(")
for line in open(sys.argv[1], errors="replace"):
    m = pattern.match(line)
    if m:
        calls[m.groups()] += 1
files = int(sys.argv[3])
win32 = sum(c for (dll, _), c in calls.items() if dll == "KERNEL32")
nt = sum(c for (dll, f), c in calls.items() if dll == "ntdll" and f.startswith("Nt"))
mallocs = calls[("msvcrt", "malloc")]
quiet = ("Heap", "MultiByteToWideChar", "WideCharToMultiByte", "GetLastError", "SetLastError")
named = sorted(((c, f) for (dll, f), c in calls.items()
                if dll == "KERNEL32" and c >= files / 2 and not f.startswith(quiet)), reverse=True)
print("   %-28s %8.2f %8.2f %8.2f   %s" % (sys.argv[2], win32 / files, nt / files, mallocs / files,
      " ".join("%s %.1f" % (f, c / files) for c, f in named)))
PY
}
for e in "${engines[@]}"; do
    count_calls "UNPACK32.DLL ($e)" "$small_set" "$(drive "$e" "'Z:$work/x1000.zip'")"
done
count_calls "minimal" "$small_set" "'$wine_run' '$work/bin/minimal.exe' 'Z:$work/x1000.zip'"
count_calls "minimal --staged" "$small_set" "'$wine_run' '$work/bin/minimal.exe' 'Z:$work/x1000.zip' --staged"
for e in "${engines[@]}"; do
    count_calls "PACK32.DLL ($e)" "$add_set" "cd '$work/add-1000' && $(drive "$e" "'Z:$work/out/new.zip' pack 6 .")"
done
count_calls "minimal_read" "$add_set" "'$wine_run' '$work/bin/minimal_read.exe' 'Z:$work/add-1000'"
echo "   (the counts include each program's start, about 0.1 call a file)"
