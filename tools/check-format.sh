#!/usr/bin/env bash
# Fails when a C or C++ file of the repository deviates from .clang-format,
# naming each such file; `tools/check-format.sh --fix` formats them instead.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root" || exit 2
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
[ ${#files[@]} -gt 0 ] || { echo "check-format: no sources found" >&2; exit 2; }
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
deviating=()
for file in "${files[@]}"; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || deviating+=("$file")
done
if [ ${#deviating[@]} -gt 0 ]; then
    printf 'not formatted as .clang-format says: %s\n' "${deviating[@]}" >&2
    echo "(tools/check-format.sh --fix formats them)" >&2
    exit 1
fi
echo "${#files[@]} sources formatted as .clang-format says"
