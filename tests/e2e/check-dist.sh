#!/usr/bin/env bash
# The release folder: every deliverable a package maker needs is there, each
# is a Windows file of the build's kind (32-bit PE32 or 64-bit PE32+), of the
# right sort (GUI program, console program, library), imports nothing but
# system libraries, so it runs on a plain PC with nothing else installed, and
# exports exactly the names its loaders look up. Reads the files only: it
# needs no Wine, so a machine that cannot run 32-bit programs still checks
# the 32-bit files.
#
#   check-dist.sh DIST_DIR [win32|win64]
set -uo pipefail
dist="$1"
arch="${2:-win32}"
case "$arch" in
    win32) objdump=i686-w64-mingw32-objdump format=pei-i386 magic='010b[[:space:]]+\(PE32\)' ;;
    win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 magic='020b[[:space:]]+\(PE32\+\)' ;;
    *) echo "check-dist: unknown architecture $arch" >&2; exit 2 ;;
esac
required=(Corvinel.exe Velskin.dll UNPACK32.DLL PACK32.DLL Kelvor.gau Drelmo.gau PanelHost.exe QzpPack.exe PACKSFX.BIN)
# Libraries every Windows installation has (lower case).
system_dlls=(kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll
    oleaut32.dll msvcrt.dll winmm.dll version.dll shlwapi.dll msimg32.dll ws2_32.dll)
is_system_dll() {
    local known
    for known in "${system_dlls[@]}"; do [ "${1,,}" = "$known" ] && return 0; done
    return 1
}
# What each file is, and the exported names its loaders rely on (sorted).
kind_of() {
    case "$1" in
        Corvinel.exe | PACKSFX.BIN | PanelHost.exe) echo gui ;;
        QzpPack.exe) echo console ;;
        *) echo library ;;
    esac
}
exports_of() {
    case "$1" in
        UNPACK32.DLL) echo "GetUnpackVersion UnpackExec" ;;
        PACK32.DLL) echo "GetPackVersion PackExec" ;;
        Kelvor.gau) echo "ImportTable Linkage _ImportTable _Linkage" ;;
        Drelmo.gau) echo "ImportTable Linkage" ;;
        *) echo "" ;;
    esac
}
readonly kImageFileDll=0x2000  # IMAGE_FILE_DLL in the file header's characteristics

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for name in "${required[@]}"; do
    [ -f "$dist/$name" ] || fail "$name is missing from $dist"
done
checked=0
for file in "$dist"/*; do
    [ -f "$file" ] || continue
    name="$(basename "$file")"
    headers="$($objdump -p "$file" 2>&1)" || { fail "$name is not a Windows executable file"; continue; }
    grep -q "file format $format" <<<"$headers" || fail "$name is not a $format file"
    grep -Eq "^Magic[[:space:]]+$magic" <<<"$headers" || fail "$name has the wrong optional header magic"

    characteristics="$(sed -n 's/^Characteristics[[:space:]]\+0x\([0-9a-fA-F]*\).*/\1/p' <<<"$headers" | head -1)"
    subsystem="$(sed -n 's/^Subsystem[[:space:]]\+[0-9a-fA-F]*[[:space:]]*(\(.*\))/\1/p' <<<"$headers")"
    is_dll=$(((0x${characteristics:-0} & kImageFileDll) != 0))
    case "$(kind_of "$name")" in
        gui) [ "$is_dll" = 0 ] && [ "$subsystem" = "Windows GUI" ] || fail "$name is not a GUI program ($subsystem)" ;;
        console) [ "$is_dll" = 0 ] && [ "$subsystem" = "Windows CUI" ] || fail "$name is not a console program ($subsystem)" ;;
        library) [ "$is_dll" = 1 ] || fail "$name is not a library" ;;
    esac

    while read -r dll; do
        is_system_dll "$dll" || fail "$name imports $dll, which a plain Windows PC does not have"
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

    exported="$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' <<<"$headers" |
        LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
    expected="$(exports_of "$name")"
    [ "$exported" = "$expected" ] || fail "$name exports '${exported}', expected '${expected}'"
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || fail "no files in $dist"
[ "$failures" -eq 0 ] || exit 1
echo "$checked files in $dist: $format, right kinds, system imports only, expected exports"
