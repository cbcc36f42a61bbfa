#!/usr/bin/env bash
# Checks the archives PACK32.DLL made under Wine with other tools: each must
# pass "unzip -t" and "7z t" without a warning and extract with unzip to the
# tree it was made from.
#   check-packed-archives.sh PACKED_DIR TREE_DIR
set -uo pipefail
packed="$1"
tree="$2"
status=0
shopt -s nullglob
archives=("$packed"/*.zip)
if [ ${#archives[@]} -eq 0 ]; then
    echo "no archives in $packed"
    exit 1
fi
for zip in "${archives[@]}"; do
    name="$(basename "$zip")"
    password=()
    case "$name" in *encrypted*) password=(-P Tavrix-42) ;; esac
    seven_password=()
    case "$name" in *encrypted*) seven_password=(-pTavrix-42) ;; esac
    if ! out="$(unzip -t "${password[@]}" "$zip" 2>&1)" || grep -qi warning <<<"$out"; then
        echo "FAIL unzip -t $name"; echo "$out"; status=1
    fi
    if ! out="$(7z t "${seven_password[@]}" "$zip" 2>&1)" || ! grep -q "Everything is Ok" <<<"$out" ||
        grep -qi warning <<<"$out"; then
        echo "FAIL 7z t $name"; echo "$out"; status=1
    fi
    scratch="$(mktemp -d)"
    unzip -q "${password[@]}" -d "$scratch" "$zip"
    # Archives of the whole tree hold it under "interop/tree".
    if [ -d "$scratch/interop/tree" ]; then
        if ! diff -r "$tree" "$scratch/interop/tree"; then echo "FAIL tree differs: $name"; status=1; fi
    else
        echo "FAIL $name does not hold interop/tree"; status=1
    fi
    rm -rf "$scratch"
    echo "checked $name"
done
exit $status
