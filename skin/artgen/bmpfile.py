"""Writers for the Windows picture files the skin ships: BMP and ICO.

All multi-byte fields are little-endian. Pixel rows are stored bottom-up and
padded to a multiple of four bytes, as a device-independent bitmap wants.
"""

import struct

INFO_HEADER_SIZE = 40
FILE_HEADER_SIZE = 14
BI_RGB = 0
PIXELS_PER_METRE = 3780  # 96 dots per inch


def _stride(width, bits):
    return ((width * bits + 31) // 32) * 4


def info_header(width, height, bits, colours_used, image_size):
    return struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height, 1, bits, BI_RGB, image_size,
                       PIXELS_PER_METRE, PIXELS_PER_METRE, colours_used, 0)


def _palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def _pack_rows(rows, bits, pack_pixel_row):
    stride = _stride(len(rows[0]), bits)
    out = bytearray()
    for row in reversed(rows):
        data = pack_pixel_row(row)
        out += data + b"\0" * (stride - len(data))
    return bytes(out)


def _file(dib, palette_len):
    offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + palette_len
    return struct.pack("<2sIHHI", b"BM", FILE_HEADER_SIZE + len(dib), 0, 0, offset) + dib


def bmp8(palette, index_rows, colours_used):
    """An 8-bit BMP whose colour table holds exactly len(palette) entries.
    colours_used is the header's count: the entry count, or 0 for a full
    table of 256."""
    assert colours_used == (0 if len(palette) == 256 else len(palette))
    pixels = _pack_rows(index_rows, 8, bytes)
    header = info_header(len(index_rows[0]), len(index_rows), 8, colours_used, len(pixels))
    table = _palette_bytes(palette)
    return _file(header + table + pixels, len(table))


def bmp24(rgb_rows):
    pixels = _pack_rows(rgb_rows, 24, lambda row: b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row))
    header = info_header(len(rgb_rows[0]), len(rgb_rows), 24, 0, len(pixels))
    return _file(header + pixels, 0)


def _nibbles(row):
    padded = list(row) + [0] * (len(row) % 2)
    return bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))


def _bits(row):
    padded = list(row) + [0] * (-len(row) % 8)
    return bytes(sum(bit << (7 - j) for j, bit in enumerate(padded[i:i + 8])) for i in range(0, len(padded), 8))


def bmp_low(palette, index_rows):
    """A 1- or 4-bit BMP (as few bits as the palette needs) whose colour table
    holds exactly len(palette) entries: for glyphs of a handful of colours."""
    assert 1 <= len(palette) <= 16
    bits, pack = (1, _bits) if len(palette) <= 2 else (4, _nibbles)
    pixels = _pack_rows(index_rows, bits, pack)
    header = info_header(len(index_rows[0]), len(index_rows), bits, len(palette), len(pixels))
    table = _palette_bytes(palette)
    return _file(header + table + pixels, len(table))


def ico4(palette, index_rows, transparent_rows):
    """A one-image ICO file with a 16-colour picture; transparent_rows holds
    1 where the desktop shows through (the AND mask)."""
    assert len(palette) == 16
    width, height = len(index_rows[0]), len(index_rows)
    xor = _pack_rows(index_rows, 4, _nibbles)
    mask = _pack_rows(transparent_rows, 1, _bits)
    # The icon's header counts both masks in its height.
    image = info_header(width, height * 2, 4, 0, len(xor) + len(mask)) + _palette_bytes(palette) + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image
