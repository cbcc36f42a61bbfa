#!/usr/bin/env python3
"""Writes a stand-in skin for the installer's tests: the named bitmaps with
the sizes the windows expect, in plain colours, and a resource script.

    make-skin.py <out dir> [--without NAME]

The pixel at the centre of each button face differs between "b1" and "b2"
so tests can tell the faces apart."""
import os
import sys

BITMAPS = {  # name: (width, height, pixel function)
    "QFORM": (422, 385, lambda x, y: (236 - y // 24, 240 - y // 24, 246 - y // 32)),
    "TOP": (422, 28, lambda x, y: (200 + y * 2, 212 + y * 1, 232)),
    "AIRCRAFT": (35, 28, lambda x, y: (40, 80, 160) if (abs(y - 11) < 2 and 4 <= x <= 24) or (abs(x - 14) < 2 and 3 <= y <= 22)
                 or (abs(y - 20) < 2 and 9 <= x <= 19) else (206, 216, 236)),
    "AUTHOR": (153, 164, lambda x, y: (150, 170, 200) if (x - 76) ** 2 + (y - 60) ** 2 < 900 else (210, 220, 236)),
    "WELCOME": (110, 231, lambda x, y: (60 + y // 3, 110 + y // 4, 190) if y < 150 else (80, 140, 80)),
    "B1": (64, 25, lambda x, y: (120, 120, 120) if x in (0, 63) or y in (0, 24) else (228, 228, 232)),
    "B2": (64, 25, lambda x, y: (80, 80, 80) if x in (0, 63) or y in (0, 24) else (180, 190, 210)),
}


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "skin", "artgen"))
import bmpfile  # noqa: E402  (the skin's picture writer)


def bmp24(width, height, pixel):
    """A 24-bit bitmap file; pixel(x, y) gives (r, g, b) with y from the top."""
    return bmpfile.bmp24([[pixel(x, y) for x in range(width)] for y in range(height)])


def main():
    out = sys.argv[1]
    without = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--without" else None
    os.makedirs(out, exist_ok=True)
    lines = []
    for name, (width, height, pixel) in BITMAPS.items():
        if name == without:
            continue
        path = os.path.join(out, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(bmp24(width, height, pixel))
        lines.append('%s BITMAP "%s"' % (name, path))
    with open(os.path.join(out, "skin.rc"), "w") as f:
        f.write("LANGUAGE 0x06, 0x01\n" + "\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
