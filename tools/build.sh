#!/usr/bin/env bash
# Configures (first time) and builds the configurations:
#   build/target      32-bit Windows deliverables, copied into dist/ (always:
#                     they are what ships, and their record layouts are
#                     checked when they compile)
#   build/target-x64  the same sources for 64-bit Windows, where the Windows
#                     tests must run under 64-bit Wine (tools/windows-build.sh)
#   build/native      portable code with sanitizers and fuzz targets
#
#   TAVRIX_SKIP_NATIVE=1    leaves out build/native
#   TAVRIX_ONLY_SHIPPED=1   builds the shipped files alone (no tests, no test
#                           programs), as the demo needs
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"

configure() {  # <build dir> <cmake args...>
    local dir="$1"; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >"$dir.configure.log" 2>&1 || {
            cat "$dir.configure.log" >&2; return 1; }
    fi
}

targets=()
[ "${TAVRIX_ONLY_SHIPPED:-0}" = 1 ] && targets=(--target shipped)

mkdir -p "$root/build"
if [ "${TAVRIX_SKIP_TARGET:-0}" != 1 ]; then
    configure "$root/build/target" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake"
    cmake --build "$root/build/target" -j "$jobs" "${targets[@]}"
    if [ "$TAVRIX_WINDOWS_BITS" = 64 ]; then
        configure "$root/build/target-x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake"
        cmake --build "$root/build/target-x64" -j "$jobs" "${targets[@]}"
    fi
fi
if [ "${TAVRIX_SKIP_NATIVE:-0}" != 1 ]; then
    CC=clang CXX=clang++ configure "$root/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_FUZZ=ON
    cmake --build "$root/build/native" -j "$jobs"
fi
