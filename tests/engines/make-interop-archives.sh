#!/usr/bin/env bash
# Makes a sample tree and archives of it with other ZIP tools (Info-ZIP zip,
# Python's zipfile), for the engine libraries to extract under Wine.
#   make-interop-archives.sh OUTDIR
set -euo pipefail
out="$1"
rm -rf "$out"
mkdir -p "$out/tree/panel/gauges" "$out/tree/panel/empty folder"
printf 'Read me first.\r\n' >"$out/tree/readme.txt"
: >"$out/tree/empty.dat"
head -c 150000 /dev/urandom >"$out/tree/noise.bin"
seq 1 40000 | sed 's/^/gauge /' >"$out/tree/panel/gauges/text.cfg"
echo accent >"$out/tree/panel/café.txt"

cd "$out/tree"
zip -q -r -0 ../zip-stored.zip .
zip -q -r -9 ../zip-deflated.zip .
zip -q -r -P Tavrix-42 ../zip-encrypted.zip .
zip -q -r -fd ../zip-descriptors.zip .
zip -q -r ../zip-comment.zip .
echo 'a comment' | zip -q -z ../zip-comment.zip
for mode in DEFLATED STORED; do
    python3 - "../python-${mode,,}.zip" "$mode" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", getattr(zipfile, "ZIP_" + sys.argv[2])) as z:
    for d, _, files in os.walk("."):
        for f in sorted(files):
            z.write(os.path.join(d, f))
PY
done
# Streamed: zip reads the data from a pipe and writes data descriptors.
mkdir -p ../piped
cp noise.bin ../piped/-
cat noise.bin | zip -q ../zip-piped.zip -
