#!/usr/bin/env python3
"""Files for the self-extractor walks.

  sfx_files.py tree DIR          a small add-on's tree (folders, an empty
                                 file, text, incompressible bytes)
  sfx_files.py hostile ZIP       an archive with one good file and names that
                                 try to leave the folder or name devices
  sfx_files.py absolute-targets  where the absolute names of the hostile
                                 archive would land (one per line)
  sfx_files.py damage ZIP        flips a byte inside the first entry's data
"""
import os
import random
import sys
import zipfile

HOSTILE = [
    "../evil-up.txt",
    "docs/../../evil-up2.txt",
    "..\\evil-back.txt",
    "/tmp/tavrix-sfx-evil-abs.txt",
    "C:\\tavrix-sfx-evil-drive.txt",
    "\\\\server\\share\\evil.txt",
    "CON",
    "nul.txt",
    "docs/aux.dat",
    "COM1.txt",
    "file.txt:hidden",
    "trailing.",
]


def tree(folder):
    rng = random.Random(16)
    files = {
        "readme.txt": b"Kestrel 200 Trainer\r\n" * 40,
        "Aircraft/Kestrel 200/aircraft.cfg": b"[fltsim.0]\r\ntitle=Kestrel 200\r\n" * 30,
        "Aircraft/Kestrel 200/panel/panel.cfg": b"[Window00]\r\nfile=panel.bmp\r\n",
        "Aircraft/Kestrel 200/panel/empty.gau": b"",
        "Aircraft/Kestrel 200/model/kestrel.mdl": bytes(rng.getrandbits(8) for _ in range(70000)),
        "Scenery/airfield.bgl": bytes(range(256)) * 300,
    }
    for name, data in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def hostile(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("good.txt", "good\r\n")
        for name in HOSTILE:
            info = zipfile.ZipInfo(name)
            info.create_system = 0  # names as stored, not rewritten by a Unix host
            z.writestr(info, "evil\r\n")


def damage(path):
    """The archive's first entry must hold data (readme.txt goes first)."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        assert data[0:4] == b"PK\x03\x04"
        name_len = int.from_bytes(data[26:28], "little")
        extra_len = int.from_bytes(data[28:30], "little")
        data[30 + name_len + extra_len + 5] ^= 0x5A
        f.seek(0)
        f.write(data)


def main():
    command = sys.argv[1]
    if command == "tree":
        tree(sys.argv[2])
    elif command == "hostile":
        hostile(sys.argv[2])
    elif command == "absolute-targets":
        print("/tmp/tavrix-sfx-evil-abs.txt")
        print("drive_c/tavrix-sfx-evil-drive.txt")
    elif command == "damage":
        damage(sys.argv[2])
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
