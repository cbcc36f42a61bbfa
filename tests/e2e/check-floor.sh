#!/usr/bin/env bash
# The oldest Windows the shipped files load on: Windows 2000 (NT 5.0). The
# loader refuses a file that imports a function the system lacks, and Wine
# accepts any import, so this reads the import tables instead:
#  - every function imported from a system library other than the C runtime
#    must be declared by the mingw-w64 headers when they are asked for
#    Windows 2000 (_WIN32_WINNT=0x0500): one reference each, compiled;
#  - the headers do not fence every later function, so those below fail too;
#  - the PE headers may ask for no later system than 5.0.
#
#   check-floor.sh DIST_DIR
set -uo pipefail
dist="$1"
objdump=i686-w64-mingw32-objdump
cc=i686-w64-mingw32-gcc

# Functions from Windows XP and later that the headers declare even for
# Windows 2000. Grow this list when one is found.
later_functions=(
    GetModuleHandleExA GetModuleHandleExW
    AddVectoredExceptionHandler RemoveVectoredExceptionHandler
    AddVectoredContinueHandler RemoveVectoredContinueHandler
    SetFileInformationByHandle GetFileInformationByHandleEx
    CreateSymbolicLinkA CreateSymbolicLinkW
    InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared ReleaseSRWLockExclusive
    ReleaseSRWLockShared TryAcquireSRWLockExclusive TryAcquireSRWLockShared
    InitializeConditionVariable SleepConditionVariableCS SleepConditionVariableSRW
    WakeConditionVariable WakeAllConditionVariable
    InitOnceInitialize InitOnceExecuteOnce InitOnceBeginInitialize InitOnceComplete
    FlsAlloc FlsFree FlsGetValue FlsSetValue
    GetNativeSystemInfo IsWow64Process AttachConsole
    SetDllDirectoryA SetDllDirectoryW GetDllDirectoryA GetDllDirectoryW
    GetErrorMode CancelIoEx
)
# The C runtime's own names are not in the Windows headers; these came with
# later runtimes than the one Windows 2000 carries.
later_runtime_functions=(__iob_func _aligned_malloc _aligned_free _get_errno _set_errno _vscprintf _vscwprintf)
headers=(windows.h commctrl.h commdlg.h shellapi.h shlobj.h shlwapi.h mmsystem.h)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# "file dll function" for every import of every shipped file.
for file in "$dist"/*; do
    [ -f "$file" ] || continue
    name="$(basename "$file")"
    headers_text="$($objdump -p "$file")" || { fail "$name: not a Windows file"; continue; }
    awk -v file="$name" '
        /DLL Name:/ { dll = tolower($3); next }
        /^$/ { next }
        dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print file, dll, $3 }
    ' <<<"$headers_text" >>"$work/imports"
    for field in MajorOSystemVersion MajorSubsystemVersion; do
        major="$(sed -n "s/^$field[[:space:]]\+//p" <<<"$headers_text")"
        minor="$(sed -n "s/^${field/Major/Minor}[[:space:]]\+//p" <<<"$headers_text")"
        [ "${major:-99}" -lt 5 ] || { [ "$major" -eq 5 ] && [ "${minor:-99}" -eq 0 ]; } ||
            fail "$name: $field asks for Windows $major.$minor"
    done
done
[ -s "$work/imports" ] || { fail "no imports read from $dist"; exit 1; }

is_in() {  # name list...
    local want="$1" item
    shift
    for item in "$@"; do [ "$item" = "$want" ] && return 0; done
    return 1
}

# One reference to each Windows function, compiled for Windows 2000.
{
    for h in "${headers[@]}"; do echo "#include <$h>"; done
    echo "void references(void) {"
    awk '$2 != "msvcrt.dll" { print $3 }' "$work/imports" | sort -u | sed 's/.*/    (void)\&&;/'
    echo "}"
} >"$work/floor.c"
$cc -fsyntax-only -fmax-errors=0 -D_WIN32_WINNT=0x0500 -DWINVER=0x0500 -D_WIN32_IE=0x0500 \
    -DNTDDI_VERSION=0x05000000 "$work/floor.c" 2>"$work/errors" || true
undeclared="$(sed -n "s/.*error: '\([A-Za-z0-9_]*\)' undeclared.*/\1/p; s/.*error: ‘\([A-Za-z0-9_]*\)’ undeclared.*/\1/p" \
    "$work/errors" | sort -u)"
if grep -q "error:" "$work/errors" && [ -z "$undeclared" ]; then
    cat "$work/errors" >&2
    fail "the reference file did not compile for a reason of its own"
fi

checked=0
while read -r file dll function; do
    checked=$((checked + 1))
    if [ "$dll" = msvcrt.dll ]; then
        is_in "$function" "${later_runtime_functions[@]}" && fail "$file imports $function from $dll, newer than Windows 2000's"
        continue
    fi
    is_in "$function" $undeclared && fail "$file imports $function from $dll: not declared for Windows 2000"
    is_in "$function" "${later_functions[@]}" && fail "$file imports $function from $dll, which Windows 2000 lacks"
done <"$work/imports"
[ "$failures" -eq 0 ] || exit 1
echo "$checked imports of the files in $dist: all on Windows 2000; PE headers ask for 5.0 at most"
