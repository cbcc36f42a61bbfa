#!/usr/bin/env python3
"""Draws the gauge bitmaps: the Kelvor key and the Drelmo dials and needles.

The output is committed beside each module and compiled into its resources.
Run with no arguments to rewrite the files, or with --check to verify that
the committed files are exactly what this script draws.

The dial marks come from Drelmo/DialMarks.inc, the same list the module's
needle tables are built from, so each tick lies where the needle points.

Every bitmap is 8 bits per pixel with a palette of a fixed size. Pure black
(0, 0, 0) is transparent on the panel: it is used only where the panel must
show through; every dark area that must show is a near-black.
"""
import math
import pathlib
import re
import struct
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
BLACK = (0, 0, 0)


# ---- the one list of dial marks -------------------------------------------
def read_dial_marks():
    text = (HERE / "Drelmo" / "DialMarks.inc").read_text()
    marks = []
    for label, x, y, value in re.findall(r'^DIAL_MARK\("([^"]+)",\s*(-?\d+),\s*(-?\d+),\s*([\d.]+)\)', text, re.M):
        marks.append((label, int(x), int(y), float(value)))
    if len(marks) != 7:
        raise SystemExit("artwork: expected 7 dial marks, found %d" % len(marks))
    return marks


# ---- a tiny canvas ----------------------------------------------------------
class Canvas:
    def __init__(self, width, height, fill=BLACK):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def blend(self, x, y, colour, coverage):
        """Lays `colour` over the pixel with a coverage quantised to eighths, so
        the number of distinct colours stays small enough for the palette."""
        level = round(max(0.0, min(1.0, coverage)) * 8)
        if level == 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        under = self.pixels[y][x]
        self.pixels[y][x] = tuple(round(u + (c - u) * level / 8) for u, c in zip(under, colour))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def fill_disc(canvas, cx, cy, radius, colour, smooth=True):
    for y in range(max(0, int(cy - radius - 2)), min(canvas.height, int(cy + radius + 3))):
        for x in range(max(0, int(cx - radius - 2)), min(canvas.width, int(cx + radius + 3))):
            d = math.hypot(x - cx, y - cy)
            coverage = radius + 0.5 - d
            if smooth:
                canvas.blend(x, y, colour, coverage)
            elif coverage >= 0.5:
                canvas.put(x, y, colour)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def draw_segment(canvas, a, b, width, colour):
    half = width / 2
    x0, x1 = int(min(a[0], b[0]) - width - 1), int(max(a[0], b[0]) + width + 2)
    y0, y1 = int(min(a[1], b[1]) - width - 1), int(max(a[1], b[1]) + width + 2)
    for y in range(max(0, y0), min(canvas.height, y1)):
        for x in range(max(0, x0), min(canvas.width, x1)):
            canvas.blend(x, y, colour, half + 0.5 - segment_distance(x, y, a[0], a[1], b[0], b[1]))


def draw_arc(canvas, cx, cy, radius, start_deg, end_deg, width, colour):
    """An arc from start to end, angles counter-clockwise from +x with y up."""
    steps = max(8, int(abs(end_deg - start_deg) * radius * math.pi / 180 / 2))
    points = []
    for i in range(steps + 1):
        a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
        points.append((cx + radius * math.cos(a), cy - radius * math.sin(a)))
    for p, q in zip(points, points[1:]):
        draw_segment(canvas, p, q, width, colour)


# ---- pixel fonts --------------------------------------------------------------
FONT_5X7 = {
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
}
FONT_3X5 = {
    "A": ["010", "101", "111", "101", "101"],
    "U": ["101", "101", "101", "101", "111"],
    "T": ["111", "010", "010", "010", "010"],
    "O": ["010", "101", "101", "101", "010"],
    "S": ["011", "100", "010", "001", "110"],
    "R": ["110", "101", "110", "101", "101"],
}


def text_size(text, font, scale, gap):
    glyph_w, glyph_h = len(font[text[0]][0]), len(font[text[0]])
    return len(text) * glyph_w * scale + (len(text) - 1) * gap, glyph_h * scale


def draw_text(canvas, text, cx, cy, font, scale, gap, colour):
    """Centred on (cx, cy); glyph pixels land on whole pixels, so they stay crisp."""
    w, h = text_size(text, font, scale, gap)
    x0, y0 = round(cx - w / 2), round(cy - h / 2)
    glyph_w = len(font[text[0]][0])
    for i, ch in enumerate(text):
        gx = x0 + i * (glyph_w * scale + gap)
        for row, bits in enumerate(font[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            canvas.put(gx + col * scale + dx, y0 + row * scale + dy, colour)


# ---- the flaps dial -----------------------------------------------------------
PIVOT = (151, 151)
LABEL_OFFSET_DEG = 11


def mark_angle(x, y):
    return math.degrees(math.atan2(PIVOT[1] - y, x - PIVOT[0]))


def draw_dial_markings(canvas, marks, ink):
    """Ticks whose outer ends are the table's points, the figures inside them,
    a scale arc joining the ticks, and the legend FLAPS."""
    first, last = mark_angle(*marks[0][1:3]), mark_angle(*marks[-1][1:3])
    draw_arc(canvas, PIVOT[0], PIVOT[1], 121, first, last, 2, ink)
    for label, x, y, _value in marks:
        angle = math.radians(mark_angle(x, y))
        ux, uy = math.cos(angle), -math.sin(angle)
        if label != "UP":
            inner = (PIVOT[0] + ux * 110, PIVOT[1] + uy * 110)
            draw_segment(canvas, inner, (x - ux * 2, y - uy * 2), 5, ink)
        # The figure sits beside its tick, a little before it in the sweep,
        # so the needle resting on the mark does not cover it.
        beside = angle + math.radians(LABEL_OFFSET_DEG)
        radius = 90 if len(label) == 1 else 86
        draw_text(canvas, label, PIVOT[0] + math.cos(beside) * radius, PIVOT[1] - math.sin(beside) * radius,
                  FONT_5X7, 3, 3, ink)
    draw_text(canvas, "FLAPS", PIVOT[0], 110, FONT_5X7, 2, 3, ink)


def cut_corner(x, y, size, cut):
    """True outside a square with its corners cut off at 45 degrees."""
    far = size - 1
    return min(x, far - x) + min(y, far - y) < cut


def dial_normal_de(marks):
    size = 302
    c = Canvas(size, size)
    for y in range(size):
        for x in range(size):
            if cut_corner(x, y, size, 24):
                continue
            # A light grey bezel, lit from the top left.
            t = (x + y) / (2 * (size - 1))
            grey = round(87 - (87 - 33) * t)
            c.put(x, y, (grey, grey, grey))
    fill_disc(c, 151, 151, 146, (33, 33, 33))
    fill_disc(c, 151, 151, 142, (7, 7, 7))
    draw_dial_markings(c, marks, (255, 255, 255))
    return c


def dial_normal_en(marks):
    size = 302
    c = Canvas(size, size)
    dark, light = (35, 37, 37), (47, 50, 50)
    for y in range(size):
        for x in range(size):
            if cut_corner(x, y, size, 24):
                continue
            if cut_corner(x, y, size, 26) or x in (0, size - 1) or y in (0, size - 1):
                continue  # a thin black edge around the bezel
            t = (x + y) / (2 * (size - 1))
            c.put(x, y, mix(light, dark, round(t * 12) / 12))
    fill_disc(c, 151, 151, 146, dark)
    fill_disc(c, 151, 151, 142, (10, 12, 11))
    draw_dial_markings(c, marks, (254, 254, 254))
    return c


def dial_bright(marks):
    c = Canvas(302, 302)
    fill_disc(c, 151, 151, 146, (5, 5, 5), smooth=False)
    draw_dial_markings(c, marks, (163, 163, 163))
    return c


# ---- the needles -------------------------------------------------------------
NEEDLE_W, NEEDLE_H, HUB = 127, 39, (21, 19)


def needle(shaft, hub, smooth):
    c = Canvas(NEEDLE_W, NEEDLE_H)
    cy = HUB[1]
    tail, tip = 5, NEEDLE_W - 1
    for y in range(NEEDLE_H):
        for x in range(NEEDLE_W):
            # Half width 4.5 up to the hub, then tapering to the point.
            if x < tail:
                continue
            half = 4.5 if x <= HUB[0] else 4.5 * (tip - x) / (tip - HUB[0])
            coverage = min(half + 0.5 - abs(y - cy), 1.0, x - tail + 1.0)
            if smooth:
                c.blend(x, y, shaft, coverage)
            elif coverage >= 0.5:
                c.put(x, y, shaft)
    fill_disc(c, HUB[0], HUB[1], 9, hub, smooth=smooth)
    return c


# ---- the auto-start key ------------------------------------------------------
def auto_start_key():
    size = 32
    face, ink = (95, 92, 105), (242, 236, 210)
    rim_light, rim_dark = (70, 68, 79), (38, 36, 44)
    groove = (78, 75, 88)
    c = Canvas(size, size)
    for y in range(1, size - 1):
        for x in range(1, size - 1):
            if (x, y) in ((1, 1), (size - 2, 1), (1, size - 2), (size - 2, size - 2)):
                continue  # rounded corners: these show the panel
            ring = min(x, y, size - 1 - x, size - 1 - y)
            if ring <= 2:
                # Bevel: the rim catches light on the top and left edges.
                lit = (y < size - 1 - y and y <= x and y <= size - 1 - x) or (x < size - 1 - x and x <= y and x <= size - 1 - y)
                colour = rim_light if lit else rim_dark
                if ring == 2:
                    colour = mix(colour, face, 0.5)
                c.put(x, y, colour)
            else:
                c.put(x, y, face)
    for x in range(5, size - 5):
        c.put(x, 16, groove)
    draw_text(c, "AUTO", 16, 8.5, FONT_3X5, 1, 1, ink)
    draw_text(c, "START", 16, 22.5, FONT_3X5, 1, 1, ink)
    return c


# ---- output ---------------------------------------------------------------------
def palette_filler(used, count):
    """Pads the palette to its fixed size with greys no pixel uses (never black)."""
    extra = []
    for v in range(1, 256):
        if len(used) + len(extra) >= count:
            break
        if (v, v, v) not in used:
            extra.append((v, v, v))
    return extra


def bmp_bytes(canvas, palette_size, palette_order=None):
    colours = palette_order or sorted({p for row in canvas.pixels for p in row})
    used = set(p for row in canvas.pixels for p in row)
    if not used <= set(colours):
        raise SystemExit("artwork: a colour is missing from the fixed palette")
    if len(colours) > palette_size:
        raise SystemExit("artwork: %d colours do not fit a %d-entry palette" % (len(colours), palette_size))
    palette = list(colours) + palette_filler(set(colours), palette_size)
    index = {colour: i for i, colour in enumerate(palette)}
    stride = (canvas.width + 3) & ~3
    rows = bytearray()
    for row in reversed(canvas.pixels):  # bottom-up
        line = bytes(index[p] for p in row)
        rows += line + b"\0" * (stride - canvas.width)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0, len(rows), 2835, 2835,
                       palette_size, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + table + rows


def all_bitmaps():
    marks = read_dial_marks()
    return {
        "Kelvor/art/key-4352.bmp": bmp_bytes(auto_start_key(), 256),
        "Drelmo/art/dial-101-de.bmp": bmp_bytes(dial_normal_de(marks), 224),
        "Drelmo/art/dial-101-en.bmp": bmp_bytes(dial_normal_en(marks), 256),
        "Drelmo/art/needle-102.bmp": bmp_bytes(needle((255, 255, 255), (67, 67, 67), smooth=True), 256),
        "Drelmo/art/needle-103.bmp": bmp_bytes(needle((163, 163, 163), (5, 5, 5), smooth=False), 3,
                                               palette_order=[BLACK, (5, 5, 5), (163, 163, 163)]),
        "Drelmo/art/dial-104.bmp": bmp_bytes(dial_bright(marks), 139),
    }


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for name, data in all_bitmaps().items():
        path = HERE / name
        if check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(name)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
    if stale:
        print("artwork: committed bitmaps differ from what the generator draws: " + ", ".join(stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
