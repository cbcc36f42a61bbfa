#!/usr/bin/env python3
"""Assembles the demo add-on package: a small aircraft with nested folders,
packed into Setup.qzp, with Ostrel.ini, a licence text and a splash picture.

    make_package.py <package folder> [--no-licence] [--no-splash]

The add-on's own files go to <package folder>.source/ as well, so that an
installation can be compared byte for byte with what was packed. Everything is
deterministic: the same command makes the same files.
"""
import argparse
import os
import random
import shutil
import struct
import zipfile

TITLE = "Tavrix Cub Trainer"
ADDON_TYPE = "Aircraft"

INI = f"""[Splash]
Filename=splash.bmp

[Addon]
Condition=Freeware
Type={ADDON_TYPE}

[Title]
hl={TITLE}

[Flightsim]
Version=Flightsimulator 2000

[Authors]
1=ann.smith@example.com
2=Ann Smith
3=bo.jensen@example.org
4=Bo Jensen
"""

LICENCE = """TAVRIX CUB TRAINER - FREEWARE LICENCE

This aircraft is freeware. You may install it, fly it and share the
unchanged package with other pilots.

You may not sell it or any part of it, nor put it on a disc that is sold.

The authors give no warranty of any kind. Fly safely, and have fun.
"""


def addon_files():
    """Yields (relative path, bytes) of the sample add-on, folders nested."""
    rng = random.Random(1998)
    base = "Tavrix Cub"
    yield f"{base}/aircraft.cfg", (
        "[fltsim.0]\r\ntitle=Tavrix Cub Trainer\r\nsim=Cub\r\nmodel=\r\npanel=\r\nsound=\r\ntexture=\r\n"
        "\r\n[General]\r\natc_type=TAVRIX\r\natc_model=J3\r\n").encode("ascii")
    yield f"{base}/Cub.air", bytes(rng.getrandbits(8) for _ in range(9000))
    yield f"{base}/model/Cub.mdl", bytes(rng.getrandbits(8) for _ in range(150_000))
    yield f"{base}/panel/panel.cfg", PANEL_CFG.replace("\n", "\r\n").encode("ascii")
    # A compressible picture (the panel) and incompressible ones.
    yield f"{base}/panel/panel.bmp", panel_bitmap()
    yield f"{base}/sound/sound.cfg", b"[ENGINE.0]\r\nfilename=CubEng\r\n"
    for n in range(1, 4):
        yield f"{base}/texture/Cub_t{n}.bmp", bytes(rng.getrandbits(8) for _ in range(20_000 * n))
    yield f"{base}/texture/readme/notes.txt", b"Repaints welcome.\r\n"
    yield f"{base}/Docs/Checklist.txt", b"Fuel on. Mixture rich. Magnetos both. Contact!\r\n"


# The gauges by the names in their headers, in the modules of those names
# beside panel.cfg (docs/GAUGES.md): the flaps dial on the left, the engine
# auto-start key beside it.
PANEL_CFG = """[Window Titles]
Window00=Main Panel

[Window00]
file=panel.bmp
size_mm=720,260
gauge00=Drelmo!Drelmo, 40, 40, 180
gauge01=Kelvor!Kelvor, 262, 58, 64
"""
PANEL_SIZE = (720, 260)


def bmp8(width, height, palette, rows):
    """An uncompressed 8-bit BMP file of `rows` (top row first)."""
    stride = (width + 3) & ~3
    pixels = b"".join(bytes(r) + b"\0" * (stride - width) for r in reversed(rows))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835,
                       len(palette), len(palette))
    return header + info + colours + pixels


def panel_bitmap():
    """The aircraft's panel behind the gauges: a dark grey-green sheet with a
    lighter frame, an inset for each gauge and screws at the corners."""
    width, height = PANEL_SIZE
    palette = [(64, 68, 62), (88, 94, 86), (40, 43, 39), (28, 30, 27), (150, 152, 146), (110, 114, 106)]
    sheet, light, shade, inset, screw, slot = range(6)
    rows = []
    for y in range(height):
        row = bytearray([sheet]) * width
        for x in range(width):
            if x < 4 or y < 4:
                row[x] = light
            elif x >= width - 4 or y >= height - 4:
                row[x] = shade
        rows.append(row)
    for left, top, side in ((30, 30, 200), (252, 48, 84)):  # behind the dial and the key
        for y in range(top, top + side):
            for x in range(left, left + side):
                edge = x in (left, left + side - 1) or y in (top, top + side - 1)
                rows[y][x] = shade if edge else inset
    for cx, cy in ((14, 14), (width - 15, 14), (14, height - 15), (width - 15, height - 15)):
        for y in range(cy - 5, cy + 6):
            for x in range(cx - 5, cx + 6):
                if (x - cx) ** 2 + (y - cy) ** 2 <= 25:
                    rows[y][x] = slot if abs(x - y - cx + cy) <= 1 else screw
    return bmp8(width, height, palette, rows)


def write_splash(path, width=380, height=260):
    """A sky-and-runway picture as an 8-bit BMP with a small palette."""
    palette = []
    for i in range(64):  # sky gradient
        t = i / 63
        palette.append((int(40 + 120 * t), int(90 + 110 * t), int(170 + 70 * t)))
    for i in range(32):  # ground gradient
        t = i / 31
        palette.append((int(60 + 40 * t), int(110 + 50 * t), int(50 + 20 * t)))
    runway, stripe, plane, wing, sun = 96, 97, 98, 99, 100
    palette += [(70, 70, 75), (235, 235, 235), (200, 40, 30), (230, 200, 40), (250, 235, 160)]
    horizon = height * 2 // 5
    rows = []
    for y in range(height):  # y from the top
        row = bytearray(width)
        for x in range(width):
            if y < height - horizon:
                c = min(63, y * 64 // (height - horizon))
                if (x - 300) ** 2 + (y - 50) ** 2 < 22 ** 2:
                    c = sun
            else:
                gy = y - (height - horizon)
                c = 64 + min(31, gy * 32 // horizon)
                half = 20 + gy * 3
                if abs(x - width // 2) < half:
                    c = runway
                    if abs(x - width // 2) < 2 + gy // 20 and (gy // 8) % 2 == 0:
                        c = stripe
            row[x] = c
        rows.append(row)
    # A small aircraft seen from the side, climbing out over the runway.
    for y in range(height):
        for x in range(width):
            fx, fy = x - 150, y - 110
            if -60 <= fx <= 60 and abs(fy - fx * 0.15) <= 7 - abs(fx) / 12:
                rows[y][x] = plane
            if -8 <= fx <= 14 and abs(fy - fx * 0.15 + 2) <= 2:
                rows[y][x] = wing
            if 45 <= fx <= 58 and -22 <= fy - fx * 0.15 <= 0:
                rows[y][x] = plane
    with open(path, "wb") as f:
        f.write(bmp8(width, height, palette, rows))


def write_package(package, licence=True, splash=True, files=None, archive_only=(),
                  compression=zipfile.ZIP_DEFLATED, archive=True):
    """Writes the package folder and <package>.source/.

    files: (relative path, bytes) of the add-on, packed and written to the
    source folder (default: the sample aircraft); archive_only: entries packed
    into Setup.qzp but not expected in an installation (hostile names);
    archive False: no Setup.qzp, for a maker's tool to pack the source folder."""
    source = package.rstrip("/") + ".source"
    for folder in (package, source):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)

    archive_path = os.path.join(package, "Setup.qzp") if archive else os.devnull
    with zipfile.ZipFile(archive_path, "w", compression) as zipped:
        def pack(name, data):
            if not archive:
                return
            info = zipfile.ZipInfo(name, date_time=(2000, 6, 1, 12, 0, 0))
            info.compress_type = compression
            info.external_attr = 0x20  # archive attribute, as a DOS host sets it
            info.create_system = 0
            zipped.writestr(info, data)

        for name, data in files if files is not None else addon_files():
            target = os.path.join(source, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
            pack(name, data)
        for name, data in archive_only:
            pack(name, data)

    ini = INI if splash else INI.replace("Filename=splash.bmp", "Filename=")
    with open(os.path.join(package, "Ostrel.ini"), "wb") as f:
        f.write(ini.replace("\n", "\r\n").encode("ascii"))
    if licence:
        with open(os.path.join(package, "licens.qzt"), "wb") as f:
            f.write(LICENCE.replace("\n", "\r\n").encode("ascii"))
    if splash:
        write_splash(os.path.join(package, "splash.bmp"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("package")
    parser.add_argument("--no-licence", action="store_true")
    parser.add_argument("--no-splash", action="store_true")
    parser.add_argument("--no-archive", action="store_true",
                        help="leave Setup.qzp to be packed from <package>.source")
    args = parser.parse_args()
    write_package(args.package, licence=not args.no_licence, splash=not args.no_splash,
                  archive=not args.no_archive)


if __name__ == "__main__":
    main()
