# Which Windows build this machine can run, sourced by the tools and tests.
#
# dist/ always ships the 32-bit files (build/target). Where 32-bit programs
# start, their tests run under 32-bit Wine. Some machines run a 64-bit-only
# kernel on which no 32-bit program starts, Wine's 32-bit half included: there
# the same sources are built for 64-bit Windows (build/target-x64, its files in
# build/target-x64/dist under the same names) and run under 64-bit Wine.
#
#   TAVRIX_WINDOWS_BUILD=32|64   forces the choice
#
#   tavrix_choose_windows_build ROOT   sets TAVRIX_WINDOWS_BITS (32 or 64),
#                                      TAVRIX_WINDOWS_BUILD_DIR,
#                                      TAVRIX_WINDOWS_DIST,
#                                      TAVRIX_WINDOWS_REASON (one line) and
#                                      TAVRIX_WINDOWS_CXX, _WINDRES, _ZLIB, _SERVER
#   tavrix_archive_program ROOT SOURCE OUTPUT
#                                      builds a small Windows program over that
#                                      build's archive component (benchmarks)
#   tavrix_dist_of ROOT BUILD_DIR      the folder of that build's deliverables

# Runs a tiny 32-bit x86 Linux program (a bare ELF that exits with 42 through
# the 32-bit system call gate): trying it is the one sure test of whether the
# kernel starts 32-bit code, and it needs no 32-bit library installed.
tavrix_can_run_32bit() {
    local probe="$1/build/.probe-32bit"
    mkdir -p "$1/build"
    # ELF header (52 bytes), one loadable segment (32 bytes), then the code:
    # mov ebx, 42; mov eax, 1 (exit); int 0x80.
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'\
'\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'\
'\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'\
'\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'\
'\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'\
'\273\052\000\000\000\270\001\000\000\000\315\200' >"$probe"
    chmod +x "$probe"
    local status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

tavrix_choose_windows_build() {
    local root="$1"
    case "${TAVRIX_WINDOWS_BUILD:-}" in
        32) TAVRIX_WINDOWS_BITS=32 TAVRIX_WINDOWS_REASON="forced by TAVRIX_WINDOWS_BUILD=32" ;;
        64) TAVRIX_WINDOWS_BITS=64 TAVRIX_WINDOWS_REASON="forced by TAVRIX_WINDOWS_BUILD=64" ;;
        "")
            if tavrix_can_run_32bit "$root"; then
                TAVRIX_WINDOWS_BITS=32 TAVRIX_WINDOWS_REASON="this machine starts 32-bit programs"
            else
                TAVRIX_WINDOWS_BITS=64
                TAVRIX_WINDOWS_REASON="this machine cannot start 32-bit programs (64-bit-only kernel)"
            fi
            ;;
        *)
            echo "TAVRIX_WINDOWS_BUILD must be 32 or 64, not '$TAVRIX_WINDOWS_BUILD'" >&2
            return 1
            ;;
    esac
    if [ "$TAVRIX_WINDOWS_BITS" = 32 ]; then
        TAVRIX_WINDOWS_BUILD_DIR="$root/build/target"
    else
        TAVRIX_WINDOWS_BUILD_DIR="$root/build/target-x64"
    fi
    TAVRIX_WINDOWS_DIST="$root/dist"
    [ "$TAVRIX_WINDOWS_BITS" = 64 ] && TAVRIX_WINDOWS_DIST="$TAVRIX_WINDOWS_BUILD_DIR/dist"
    # The compiler, zlib and Wine server that go with it, for the small
    # programs the benchmarks build beside the shipped files.
    local triplet=i686-w64-mingw32
    TAVRIX_WINDOWS_SERVER=wineserver
    if [ "$TAVRIX_WINDOWS_BITS" = 64 ]; then
        triplet=x86_64-w64-mingw32
        TAVRIX_WINDOWS_SERVER=/usr/lib/wine/wineserver64
    fi
    TAVRIX_WINDOWS_CXX=$triplet-g++-posix TAVRIX_WINDOWS_WINDRES=$triplet-windres
    TAVRIX_WINDOWS_ZLIB=/usr/$triplet/lib/libz.a
    export TAVRIX_WINDOWS_BITS TAVRIX_WINDOWS_BUILD_DIR TAVRIX_WINDOWS_DIST TAVRIX_WINDOWS_REASON \
        TAVRIX_WINDOWS_CXX TAVRIX_WINDOWS_WINDRES TAVRIX_WINDOWS_ZLIB TAVRIX_WINDOWS_SERVER
}

# After tavrix_choose_windows_build: SOURCE linked with the component's
# libraries and its message table, from the chosen build (built first).
tavrix_archive_program() {
    local root="$1" source="$2" output="$3" build="$TAVRIX_WINDOWS_BUILD_DIR"
    cmake --build "$build" --target tavrix_archive >/dev/null
    "$TAVRIX_WINDOWS_WINDRES" "$root/archive/Messages.rc" -O coff -o "$output.res.o"
    "$TAVRIX_WINDOWS_CXX" -std=c++20 -O2 -DWIN32_LEAN_AND_MEAN -DNOMINMAX -static -I"$root" -o "$output" \
        "$source" "$output.res.o" \
        "$build/archive/libtavrix_archive.a" "$build/archive/libtavrix_archive_reader.a" \
        "$build/common/libtavrix_win32.a" -luser32 -lkernel32
}

tavrix_dist_of() {
    if [ "$(cat "$2/wine-arch.txt" 2>/dev/null)" = win64 ]; then
        echo "$2/dist"
    else
        echo "$1/dist"
    fi
}
