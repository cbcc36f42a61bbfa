#!/usr/bin/env python3
"""Makes the archives the extraction tests feed to the real engine.

<out>/tree/        the source files (the tests compare the extraction with them)
<out>/tree.zip     that tree: nested folders, folder entries, an empty folder, an
                   empty file, stored and deflated entries, files over one
                   progress step
<out>/long.zip     three 1 MiB files, for stopping in the middle of the second
<out>/faulty.zip   good.txt, an entry named ../evil.txt, bad.txt whose stored
                   data is damaged (CRC error), after.txt
"""
import os
import random
import shutil
import sys
import zipfile

out = sys.argv[1]
rng = random.Random(7)


def random_bytes(n):
    return bytes(rng.getrandbits(8) for _ in range(n))


def text_bytes(n):
    line = b"The quick brown fox jumps over the lazy dog 0123456789\r\n"
    return (line * (n // len(line) + 1))[:n]


TREE = [  # (name inside the archive, bytes, method)
    ("top.txt", text_bytes(1000), zipfile.ZIP_DEFLATED),
    ("docs/readme.txt", text_bytes(5000), zipfile.ZIP_STORED),
    ("docs/deep/nested/data.bin", random_bytes(200_000), zipfile.ZIP_DEFLATED),
    ("docs/deep/nested/empty.txt", b"", zipfile.ZIP_STORED),
    ("gauges/panel/big.bin", text_bytes(700_000), zipfile.ZIP_DEFLATED),
    ("Space Name/file with spaces.txt", text_bytes(123), zipfile.ZIP_DEFLATED),
]
FOLDERS = ["docs/", "docs/deep/", "docs/deep/nested/", "empty_dir/", "gauges/", "gauges/panel/", "Space Name/"]

shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)

tree = os.path.join(out, "tree")
for folder in FOLDERS:
    os.makedirs(os.path.join(tree, folder), exist_ok=True)
with zipfile.ZipFile(os.path.join(out, "tree.zip"), "w") as z:
    for folder in FOLDERS:
        z.writestr(zipfile.ZipInfo(folder), b"")
    for name, data, method in TREE:
        with open(os.path.join(tree, name), "wb") as f:
            f.write(data)
        z.writestr(name, data, compress_type=method)

with zipfile.ZipFile(os.path.join(out, "long.zip"), "w") as z:
    for name in ("first.bin", "second.bin", "third.bin"):
        data = random_bytes(1 << 20)
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        z.writestr(name, data, compress_type=zipfile.ZIP_STORED)

faulty = os.path.join(out, "faulty.zip")
with zipfile.ZipFile(faulty, "w") as z:
    z.writestr("good.txt", text_bytes(3000))
    z.writestr(zipfile.ZipInfo("../evil.txt"), b"outside")
    z.writestr("bad.txt", text_bytes(4000), compress_type=zipfile.ZIP_STORED)
    z.writestr("after.txt", text_bytes(2000))
for name in ("good.txt", "after.txt"):
    with open(os.path.join(out, name), "wb") as f:
        f.write(text_bytes({"good.txt": 3000, "after.txt": 2000}[name]))
# Damage one byte of bad.txt's stored data: its CRC no longer matches.
with zipfile.ZipFile(faulty) as z:
    info = z.getinfo("bad.txt")
with open(faulty, "r+b") as f:
    f.seek(info.header_offset + 26)
    name_length = int.from_bytes(f.read(2), "little")
    extra_length = int.from_bytes(f.read(2), "little")
    at = info.header_offset + 30 + name_length + extra_length + 100
    f.seek(at)
    byte = f.read(1)[0]
    f.seek(at)
    f.write(bytes([byte ^ 0xFF]))
