#!/usr/bin/env bash
# The release folder: every deliverable a package maker needs is there, and
# each is a 32-bit Windows file that imports nothing but system libraries, so
# it runs on a plain PC with nothing else installed.
#
#   check-dist.sh DIST_DIR
set -uo pipefail
dist="$1"
objdump=i686-w64-mingw32-objdump
required=(Corvinel.exe Velskin.dll UNPACK32.DLL PACK32.DLL Kelvor.gau Drelmo.gau PanelHost.exe)
# Libraries every Windows installation has (lower case).
system_dlls=(kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll
    oleaut32.dll msvcrt.dll winmm.dll version.dll shlwapi.dll msimg32.dll ws2_32.dll)
is_system_dll() {
    local known
    for known in "${system_dlls[@]}"; do [ "${1,,}" = "$known" ] && return 0; done
    return 1
}

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
    grep -q 'file format pei-i386' <<<"$headers" || fail "$name is not a 32-bit x86 file"
    grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$headers" || fail "$name is not PE32"
    while read -r dll; do
        is_system_dll "$dll" || fail "$name imports $dll, which a plain Windows PC does not have"
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || fail "no files in $dist"
[ "$failures" -eq 0 ] || exit 1
echo "$checked files in $dist: PE32 i386, system imports only"
