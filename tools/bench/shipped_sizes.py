#!/usr/bin/env python3
"""The size of each shipped 32-bit file against its budget, in bytes.

    shipped_sizes.py [DIST_DIR] [--check]

Prints one line a file: its size, its budget and what is left (negative when
over). Drelmo.gau's budget is its bitmaps, as the file stores them, plus
32 KiB for everything else; Kelvor.gau may not grow past what it was.
PanelHost.exe, a tool that is not part of a package, is shown without a
budget. --check exits 1 when a file is over its budget or missing.
"""
import glob
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BMP_FILE_HEADER = 14  # the one part of a .bmp file a bitmap resource leaves out


def drelmo_budget():
    art = glob.glob(os.path.join(ROOT, "gauges", "Drelmo", "art", "*.bmp"))
    return sum(os.path.getsize(f) - BMP_FILE_HEADER for f in art) + 32_768


BUDGETS = {
    "Corvinel.exe": 262_144,
    "UNPACK32.DLL": 131_072,
    "PACKSFX.BIN": 131_072,
    "PACK32.DLL": 196_608,
    "QzpPack.exe": 262_144,
    "Drelmo.gau": drelmo_budget(),
    "Kelvor.gau": 18_432,
    "Velskin.dll": None,  # its bitmaps, fixed by the skin's table
    "PanelHost.exe": None,
}


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv if a != "--check"]
    dist = rest[0] if rest else os.path.join(ROOT, "dist")
    over = []
    print(f"{'shipped file':<16}{'bytes':>11}{'budget':>11}{'left':>10}")
    for name, budget in BUDGETS.items():
        path = os.path.join(dist, name)
        if not os.path.isfile(path):
            print(f"{name:<16}{'missing':>11}")
            over.append(name)
            continue
        size = os.path.getsize(path)
        if budget is None:
            print(f"{name:<16}{size:>11,}{'-':>11}{'-':>10}")
            continue
        print(f"{name:<16}{size:>11,}{budget:>11,}{budget - size:>10,}")
        if size > budget:
            over.append(name)
    if over:
        print("over budget or missing: " + ", ".join(over))
    return 1 if check and over else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
