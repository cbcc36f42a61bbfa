#!/usr/bin/env bash
# art-is-current.sh PYTHON SKIN_FOLDER SCRATCH_FOLDER
# Draws the skin afresh and compares every file with the committed one:
# a change to the generator that is not followed by regenerating the art
# (or the other way round) fails here.
set -euo pipefail
python="$1" skin="$2" scratch="$3"
rm -rf "$scratch"
mkdir -p "$scratch"
"$python" "$skin/artgen/generate.py" "$scratch" >/dev/null
problems=""
for name in $( (ls "$skin/art"; ls "$scratch") | sort -u); do
    if [ ! -f "$skin/art/$name" ]; then
        problems+="generated but not committed: $name"$'\n'
    elif [ ! -f "$scratch/$name" ]; then
        problems+="committed but no longer generated: $name"$'\n'
    elif ! cmp -s "$skin/art/$name" "$scratch/$name"; then
        problems+="differs from a fresh drawing: $name"$'\n'
    fi
done
if [ -n "$problems" ]; then
    printf '%s' "$problems"
    echo "regenerate with: python3 skin/artgen/generate.py skin/art"
    exit 1
fi
echo "$(ls "$scratch" | wc -l) pictures match a fresh drawing"
