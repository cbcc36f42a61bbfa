#!/usr/bin/env bash
# Checks the archives the component wrote through PACK32.DLL with other tools:
# each passes "unzip -t" and "7z t" (skipped, with the reason, when 7z is
# missing), and what unzip extracts equals the files they were made from.
#   check-component-archives.sh PACKED_DIR SOURCE_TREE
set -uo pipefail
packed="$1"
tree="$2"
status=0
for name in tree.zip encrypted.zip deleted.zip; do
    zip="$packed/$name"
    [ -f "$zip" ] || { echo "FAIL missing $zip"; status=1; continue; }
    password=(); seven=()
    case "$name" in encrypted*) password=(-P Tavrix-42); seven=(-pTavrix-42) ;; esac
    if ! out="$(unzip -t "${password[@]}" "$zip" 2>&1)" || grep -qi warning <<<"$out"; then
        echo "FAIL unzip -t $name"; echo "$out"; status=1
    fi
    if command -v 7z >/dev/null; then
        if ! out="$(7z t "${seven[@]}" "$zip" 2>&1)" || ! grep -q "Everything is Ok" <<<"$out"; then
            echo "FAIL 7z t $name"; echo "$out"; status=1
        fi
    else
        echo "skipped 7z t $name: 7z is not installed (tools/install-deps.sh installs p7zip-full)"
    fi
    scratch="$(mktemp -d)"
    unzip -q "${password[@]}" -d "$scratch" "$zip"
    case "$name" in
        deleted.zip)
            # What is left after deleting a.txt, docs/ and data/: b.txt and empty.txt.
            for f in b.txt empty.txt; do
                cmp -s "$tree/$f" "$scratch/$f" || { echo "FAIL $name: $f differs"; status=1; }
            done
            [ "$(cd "$scratch" && find . -type f | sort | tr '\n' ' ')" = "./b.txt ./empty.txt " ] ||
                { echo "FAIL $name holds more than b.txt and empty.txt"; status=1; }
            ;;
        *)
            diff -r "$tree" "$scratch" || { echo "FAIL $name: extracted tree differs"; status=1; }
            ;;
    esac
    rm -rf "$scratch"
    echo "checked $name"
done
exit $status
