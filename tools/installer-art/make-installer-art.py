#!/usr/bin/env python3
"""Draws the installer program's own small images and writes them into
installer/res/: the hand cursor of the mail links (hacursor.cur, 32 x 32, hot
spot 14, 8), the close glyph of the title bars (close.bmp, 19 x 18), the
folder glyph of the Browse button (folder.bmp, 15 x 13) and the program icon
(Corvinel.ico, 32 x 32, 16 colours). The output is committed; run this again
only after changing a drawing."""
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "installer", "res")

HAND = [  # X black, o white, anything else transparent; the tip of the finger is the hot spot
    "",
    "", "", "", "", "", "", "",
    "..............XX",
    ".............XooX",
    ".............XooX",
    ".............XooX",
    ".............XooX",
    ".............XooXXX",
    ".............XooXooXXX",
    ".............XooXooXooXX",
    "..........XX.XooXooXooXoX",
    "..........XoXXooooooooXoX",
    "..........XooXoooooooooooX",
    "...........XoXoooooooooooX",
    "...........XooooooooooooX",
    "............XoooooooooooX",
    "............XoooooooooooX",
    ".............XooooooooooX",
    ".............XoooooooooX",
    "..............XooooooooX",
    "..............XooooooooX",
    "..............XXXXXXXXXX",
]
HOT_SPOT = (14, 8)


def row_bits(bits):
    """Packs 32 bits (list of 0/1, left to right) into 4 bytes, MSB first."""
    out = bytearray(4)
    for i, bit in enumerate(bits):
        if bit:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def cursor():
    rows = [line.ljust(32, ".") for line in HAND] + ["." * 32] * (32 - len(HAND))
    assert rows[HOT_SPOT[1]][HOT_SPOT[0]] == "X", "hot spot must be on the finger tip"
    xor = b"".join(row_bits([c == "o" for c in row]) for row in reversed(rows))
    and_mask = b"".join(row_bits([c not in "Xo" for c in row]) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(and_mask), 0, 0, 2, 2)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor + and_mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "skin", "artgen"))
import bmpfile  # noqa: E402  (the skin's picture writer)


def bmp_indexed(width, height, pixel):
    """A 1- or 4-bit bitmap file whose colour table holds just the colours
    drawn (a glyph has a handful: a sixth of the bytes of a 24-bit file in the
    program); pixel(x, y) gives (r, g, b) with y from the top."""
    rows = [[pixel(x, y) for x in range(width)] for y in range(height)]
    palette = sorted({colour for row in rows for colour in row})
    index = {colour: n for n, colour in enumerate(palette)}
    return bmpfile.bmp_low(palette, [[index[c] for c in row] for row in rows])


KEY = (255, 0, 255)  # the bottom-left colour: transparent in a glyph


def close_glyph(x, y):
    # A cross of two 2-pixel strokes, 10 pixels across, in the middle.
    cx, cy = x - 5, y - 4
    if 0 <= cx <= 9 and 0 <= cy <= 9:
        if abs(cx - cy) <= 1 or abs(cx - (9 - cy)) <= 1:
            return (32, 32, 40)
    return KEY


def folder_glyph(x, y):
    # The bottom row stays clear: its left pixel gives the transparent colour.
    tab = 1 <= x <= 6 and 1 <= y <= 2
    body = 0 <= x <= 14 and 2 <= y <= 11
    if not (tab or body):
        return KEY
    edge = x in (0, 14) or y in (2, 11) or (tab and (y == 1 or x in (1, 6)))
    if edge:
        return (128, 96, 0)
    return (255, 214, 96) if y >= 5 else (240, 190, 60)


def icon():
    palette = [(0, 0, 0), (0, 0, 128), (32, 96, 192), (255, 255, 255), (192, 192, 192), (255, 200, 0)] + [(0, 0, 0)] * 10
    pixels = []
    for y in range(32):
        row = []
        for x in range(32):
            dx, dy = x - 15.5, y - 15.5
            inside = dx * dx + dy * dy <= 15.5 * 15.5
            colour = 0
            if inside:
                colour = 2 if dx * dx + dy * dy <= 13.5 * 13.5 else 1
                # An aircraft seen from above: fuselage, wings, tail.
                if abs(dx) <= 1.5 and -11 <= dy <= 10:
                    colour = 3
                if abs(dy + 1) <= 1.5 and abs(dx) <= 11:
                    colour = 3
                if abs(dy - 8) <= 1 and abs(dx) <= 5:
                    colour = 3
                if abs(dx) <= 0.5 and -11 <= dy <= -8:
                    colour = 5
            row.append((colour, inside))
        pixels.append(row)
    xor = bytearray()
    and_mask = bytearray()
    for row in reversed(pixels):
        for x in range(0, 32, 2):
            xor.append((row[x][0] << 4) | row[x + 1][0])
        and_mask += row_bits([not inside for _, inside in row])
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(and_mask), 0, 0, 16, 0)
    pal = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    image = header + pal + bytes(xor) + bytes(and_mask)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {
        "hacursor.cur": cursor(),
        "close.bmp": bmp_indexed(19, 18, close_glyph),
        "folder.bmp": bmp_indexed(15, 13, folder_glyph),
        "Corvinel.ico": icon(),
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
