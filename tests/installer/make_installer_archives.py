#!/usr/bin/env python3
"""Makes the package archives the installation page tests extract.

<out>/small.qzp    two small files, one in a folder
<out>/newer.qzp    the next version of small.qzp: readme.txt changed,
                   panel/panel.cfg gone, manual.txt new
<out>/damaged.qzp  good.txt, bad.bin whose stored data is damaged (CRC error),
                   sub/after.txt
<out>/long.qzp     three 1 MiB stored files, for quitting in the middle; the
                   files themselves in <out>/long/
<out>/gauges.qzp   Gauges/kept.gau of version 1.0.0.0, Gauges/newer.gau of
                   3.0.0.0; <out>/gauges-there/ the same two of 2.0.0.0, as a
                   simulator's Gauges folder holds them
"""
import os
import random
import shutil
import sys
import zipfile

out = sys.argv[1]
rng = random.Random(11)
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)


def write(name, entries):
    with zipfile.ZipFile(os.path.join(out, name), "w") as z:
        for entry, data in entries:
            z.writestr(entry, data, compress_type=zipfile.ZIP_STORED)


write("small.qzp", [("readme.txt", b"Kestrel\r\n"), ("panel/panel.cfg", b"[Window00]\r\n")])
write("newer.qzp", [("readme.txt", b"Kestrel II\r\n"), ("manual.txt", b"Start the engine.\r\n")])

bad = b"0123456789" * 20
write("damaged.qzp", [("good.txt", b"good\r\n"), ("bad.bin", bad), ("sub/after.txt", b"after\r\n")])
path = os.path.join(out, "damaged.qzp")
blob = bytearray(open(path, "rb").read())
at = blob.index(bad)
blob[at + 5] ^= 0xFF
open(path, "wb").write(bytes(blob))

long_files = [(n, bytes(rng.getrandbits(8) for _ in range(1 << 20))) for n in ("first.bin", "second.bin", "third.bin")]
write("long.qzp", long_files)
os.makedirs(os.path.join(out, "long"))
for name, data in long_files:
    with open(os.path.join(out, "long", name), "wb") as f:
        f.write(data)


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_package import versioned_gauge as gauge  # noqa: E402

write("gauges.qzp", [("Gauges/kept.gau", gauge(1)), ("Gauges/newer.gau", gauge(3))])
os.makedirs(os.path.join(out, "gauges-there"))
for name in ("kept.gau", "newer.gau"):
    with open(os.path.join(out, "gauges-there", name), "wb") as f:
        f.write(gauge(2))
