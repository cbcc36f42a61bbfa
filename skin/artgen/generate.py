#!/usr/bin/env python3
"""Draws the skin's bitmaps and icon into a folder.

    generate.py OUTPUT_FOLDER

Deterministic: the same sources give byte-identical files, so the committed
pictures in skin/art can be checked against a fresh run.
"""

import os
import sys

import bmpfile
import pictures
from quantize import palette_for, quantize

# Resource name, drawing, bits per pixel, colour-table entries (8-bit only),
# Floyd-Steinberg strength for the pictures with long smooth ramps.
BITMAPS = (
    ("QFORM", pictures.qform, 8, 140, 0.0),
    ("TOP", pictures.top, 8, 140, 0.0),
    ("AIRCRAFT", pictures.aircraft, 8, 62, 0.0),
    ("AUTHOR", pictures.author, 8, 180, 0.5),
    ("WELCOME", pictures.welcome, 8, 256, 0.5),
    ("B1", pictures.b1, 8, 166, 0.0),
    ("B2", pictures.b2, 8, 159, 0.0),
    ("AU", pictures.au, 8, 16, 0.0),
    ("IE", pictures.ie, 24, None, 0.0),
    ("MAPPE_HVID", pictures.mappe_hvid, 24, None, 0.0),
    ("BV1", pictures.bv1, 24, None, 0.0),
    ("BV1A", pictures.bv1a, 24, None, 0.0),
    ("BV2", pictures.bv2, 24, None, 0.0),
    ("BV2A", pictures.bv2a, 24, None, 0.0),
)

ICON_NAME = "MAINICON"


def bitmap_file(draw, bits, entries, dither):
    rows = draw().rgb_rows()
    if bits == 24:
        return bmpfile.bmp24(rows), None
    palette, indices = quantize(rows, entries, dither)
    used = len({i for row in indices for i in row})
    return bmpfile.bmp8(palette, indices, 0 if entries == 256 else entries), used


def icon_file():
    canvas, cover = pictures.main_icon()
    rows = canvas.rgb_rows()
    opaque = [[cover.at(x, y) >= 0.5 for x in range(canvas.width)] for y in range(canvas.height)]
    # Transparent pixels must be black in the colour mask, so black is one
    # of the sixteen entries; the picture itself gets the other fifteen.
    shown = [[rows[y][x] for x in range(canvas.width) if opaque[y][x]] for y in range(canvas.height)]
    palette = [(0, 0, 0)] + palette_for([p for p in shown if p], 15)
    assert len(set(palette)) == 16, "icon palette entries must be distinct"
    indices = []
    for y in range(canvas.height):
        line = []
        for x in range(canvas.width):
            if not opaque[y][x]:
                line.append(0)
                continue
            r, g, b = rows[y][x]
            line.append(min(range(1, 16), key=lambda i: ((palette[i][0] - r) ** 2 * 3 + (palette[i][1] - g) ** 2 * 4
                                                         + (palette[i][2] - b) ** 2 * 2, i)))
        indices.append(line)
    transparent = [[0 if o else 1 for o in row] for row in opaque]
    return bmpfile.ico4(palette, indices, transparent)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw, bits, entries, dither in BITMAPS:
        data, used = bitmap_file(draw, bits, entries, dither)
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(data)
        note = f", {used} of {entries} palette entries used" if used is not None else ""
        print(f"{name}.bmp: {len(data)} bytes{note}")
    with open(os.path.join(out, ICON_NAME + ".ico"), "wb") as f:
        f.write(icon_file())
    print(f"{ICON_NAME}.ico")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
