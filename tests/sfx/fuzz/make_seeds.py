#!/usr/bin/env python3
"""Writes the committed seeds of the stub's payload fuzzer: small PE files
(headers and a section table only) followed by a settings block and a ZIP
archive, with and without the block, cut short and padded."""
import io
import pathlib
import struct
import sys
import zipfile


def fake_pe(sections, size_of_headers=0x400):
    end = max([size_of_headers] + [o + s for o, s in sections if s])
    image = bytearray(end)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x80)
    struct.pack_into("<IHH", image, 0x80, 0x4550, 0x14C, len(sections))
    struct.pack_into("<H", image, 0x80 + 20, 224)
    struct.pack_into("<H", image, 0x80 + 24, 0x10B)
    struct.pack_into("<I", image, 0x80 + 24 + 60, size_of_headers)
    for i, (offset, size) in enumerate(sections):
        at = 0x80 + 24 + 224 + 40 * i
        image[at:at + 2] = b".s"
        struct.pack_into("<II", image, at + 16, size, offset)
    return bytes(image)


def block(options, caption=b"", folder=b"", command=b""):
    body = b"MPU" + bytes([options, len(caption), len(folder), len(command)]) + caption + folder + command
    return body + bytes(256 - len(body))


def archive(shift):
    out = io.BytesIO()
    out.write(bytes(shift))
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("readme.txt", "Kestrel 200\r\n" * 20)
        z.writestr("Aircraft/Kestrel/aircraft.cfg", "[fltsim.0]\r\n")
    return out.getvalue()[shift:]


def main(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    pe = fake_pe([(0x400, 0x200), (0x600, 0x200)])
    with_block = pe + block(0x42, b"Kestrel", b"C:\\FS2000", b"readme.txt")
    seeds = {
        "with_block.bin": with_block + archive(len(pe) + 256),
        "no_block.bin": pe + archive(len(pe)),
        "options_0x20.bin": pe + block(0x20) + archive(len(pe) + 256),
        "full_strings.bin": pe + block(0x1F, b"c" * 200, b"d" * 49) + archive(len(pe) + 256),
        "cut_short.bin": (with_block + archive(len(pe) + 256))[:-30],
        "image_only.bin": pe,
    }
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent / "seeds")
