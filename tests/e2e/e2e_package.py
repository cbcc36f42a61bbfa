#!/usr/bin/env python3
"""Packages for the whole-program installations, and the information file
they must leave behind.

    e2e_package.py make KIND PACKAGE   KIND: licence, plain, hostile, large,
                                       roomy, crowded, newer, root-a, root-b,
                                       scenery, repaint (the README's two
                                       examples), gauges
    e2e_package.py gauge MAJOR OUT     a gauge of file version MAJOR.0.0.0
    e2e_package.py ostrel INI OUT      the exact bytes Ostrel.txt must hold
"""
import configparser
import os
import struct
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "demo"))
import make_package  # noqa: E402

# Names that would leave the destination folder; none may be written.
HOSTILE = [
    ("../escaped-one-up.txt", b"one folder up\r\n"),
    ("Tavrix Cub/../../../../escaped-four-up.txt", b"four folders up\r\n"),
    ("..\\escaped-backslash.txt", b"backslash\r\n"),
    ("/tavrix-e2e-hostile-absolute.txt", b"absolute\r\n"),
    ("C:/tavrix-e2e-hostile-drive.txt", b"drive letter\r\n"),
]
ABSOLUTE_TARGETS = ["/tavrix-e2e-hostile-absolute.txt", "drive_c/tavrix-e2e-hostile-drive.txt"]

LARGE_FILES = 12
LARGE_FILE_SIZE = 25 * 1024 * 1024
# Bytes alone go by in a fraction of a second where the engine runs natively
# on a memory disk; every file costs a fixed time, so many small files after
# the first keep the extraction going long enough for a click to land in it.
SMALL_FILES = 4000
SMALL_FILE_SIZE = 512


def large_files():
    """About 300 MB that does not compress, stored, in files of 25 MB, and a
    few thousand small files before them, so an extraction takes seconds and
    can be interrupted between files."""
    yield "Tavrix Cub/aircraft.cfg", b"[fltsim.0]\r\ntitle=Tavrix Cub Trainer\r\n"
    for n in range(SMALL_FILES):
        yield f"Tavrix Cub/gauges/part{n:04}.dat", os.urandom(SMALL_FILE_SIZE)
    for n in range(LARGE_FILES):
        yield f"Tavrix Cub/scenery/tile{n:02}.bgl", os.urandom(LARGE_FILE_SIZE)


ROOMY_FILES = 3
ROOMY_FILE_SIZE = 1024 * 1024


def roomy_files():
    """3 MiB that does not compress: more than a drive of 4 MiB has free
    while another 2 MiB lie on it."""
    for n in range(ROOMY_FILES):
        yield f"Tavrix Cub/texture/part{n}.bmp", os.urandom(ROOMY_FILE_SIZE)


CROWDED_SMALL_FILES = 500
CROWDED_SMALL_FILE_SIZE = 1000


def crowded_files():
    """About 1.4 MiB by the listing, which a drive of 2 MiB has room for;
    but every small file takes a whole 4 KiB page of a memory disk, so the
    drive fills up part way through the small ones."""
    yield "Tavrix Cub/scenery/tile.bgl", os.urandom(900 * 1024)
    for n in range(CROWDED_SMALL_FILES):
        yield f"Tavrix Cub/gauges/part{n:03}.dat", os.urandom(CROWDED_SMALL_FILE_SIZE)


def newer_files():
    """The sample add-on's next version: one file changed, one file gone,
    one new."""
    for name, data in make_package.addon_files():
        if name.endswith("Checklist.txt"):
            continue
        if name.endswith("aircraft.cfg"):
            data = data.replace(b"atc_model=J3", b"atc_model=J3 Mk II")
        yield name, data
    yield "Tavrix Cub/Docs/WhatsNew.txt", b"Version 2: a new model name.\r\n"


ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def versioned_gauge(major):
    """A real linker's gauge with its file version made MAJOR.0.0.0."""
    with open(os.path.join(ROOT, "tests", "installer", "sim-files", "versioned-x86_64.gau"), "rb") as f:
        blob = bytearray(f.read())
    at = blob.index(struct.pack("<I", 0xFEEF04BD))
    blob[at + 8:at + 16] = struct.pack("<II", major << 16, 0)
    return bytes(blob)


def with_sample_description(package, sample, files):
    """A package of these files described by one of the README's examples."""
    make_package.write_package(package, licence=False, splash=False, files=files)
    with open(os.path.join(ROOT, "tools", sample, "Ostrel.ini"), "rb") as f:
        ini = f.read()
    with open(os.path.join(package, "Ostrel.ini"), "wb") as f:
        f.write(ini.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))


def make(kind, package):
    if kind == "licence":
        make_package.write_package(package)
    elif kind == "plain":
        make_package.write_package(package, licence=False, splash=False)
    elif kind == "hostile":
        make_package.write_package(package, archive_only=HOSTILE)
    elif kind == "large":
        make_package.write_package(package, licence=False, splash=False, files=large_files(),
                                   compression=zipfile.ZIP_STORED)
    elif kind == "roomy":
        make_package.write_package(package, licence=False, splash=False, files=roomy_files(),
                                   compression=zipfile.ZIP_STORED)
    elif kind == "crowded":
        make_package.write_package(package, licence=False, splash=False, files=crowded_files(),
                                   compression=zipfile.ZIP_STORED)
    elif kind == "newer":
        make_package.write_package(package, licence=False, splash=False, files=newer_files())
    elif kind in ("root-a", "root-b"):
        # Two add-ons whose type puts them both in the simulator's own folder.
        files = None if kind == "root-a" else [("Tavrix Hangar/hangar.bgl", b"a hangar\r\n" * 50)]
        make_package.write_package(package, licence=False, splash=False, files=files)
        ini_path = os.path.join(package, "Ostrel.ini")
        with open(ini_path, "rb") as f:
            ini = f.read().replace(f"Type={make_package.ADDON_TYPE}".encode("ascii"), b"Type=Scenery MD")
        if kind == "root-b":
            ini = ini.replace(make_package.TITLE.encode("ascii"), b"Tavrix Hangar")
        with open(ini_path, "wb") as f:
            f.write(ini)
    elif kind == "scenery":
        with_sample_description(package, "sample-scenery-package",
                                [("scenery/lakeside.bgl", b"BGL" * 100), ("texture/lakeside.bmp", b"BM" * 50)])
    elif kind == "repaint":
        with_sample_description(package, "sample-repaint-package", [("texture.Red/kestrel.bmp", b"BM" * 50)])
    elif kind == "gauges":
        # Into the simulator's own folder: an older Kelvor and a newer Drelmo
        # than the simulator's (version 2).
        make_package.write_package(package, licence=False, splash=False,
                                   files=[("Gauges/Kelvor.gau", versioned_gauge(1)),
                                          ("Gauges/Drelmo.gau", versioned_gauge(3))])
        ini_path = os.path.join(package, "Ostrel.ini")
        with open(ini_path, "rb") as f:
            ini = f.read().replace(f"Type={make_package.ADDON_TYPE}".encode("ascii"), b"Type=Scenery MD")
        with open(ini_path, "wb") as f:
            f.write(ini.replace(make_package.TITLE.encode("ascii"), b"Tavrix Gauges"))
    else:
        raise SystemExit(f"unknown package kind {kind}")


def info_lines(ini_path):
    ini = configparser.RawConfigParser(strict=False, interpolation=None)
    with open(ini_path, encoding="cp1252") as f:
        ini.read_file(f)

    def value(section, key):
        return ini.get(section, key, fallback="").strip()

    return [
        value("Title", "hl"),
        f"For more information about this {value('Addon', 'Type')}, please contact:",
        "",
        value("Authors", "2"), value("Authors", "1"), "",
        value("Authors", "4"), value("Authors", "3"), "",
        value("Authors", "6"), value("Authors", "5"),
        "", "", "", "",
        "_" * 36,
        "Build with Tavrix Builder ver 3.00",
    ]


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "ostrel":
        lines = info_lines(sys.argv[2])
        assert len(lines) == 17
        with open(sys.argv[3], "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("cp1252"))
    elif len(sys.argv) == 4 and sys.argv[1] == "gauge":
        with open(sys.argv[3], "wb") as f:
            f.write(versioned_gauge(int(sys.argv[2])))
    elif len(sys.argv) == 2 and sys.argv[1] == "absolute-targets":
        print("\n".join(ABSOLUTE_TARGETS))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
