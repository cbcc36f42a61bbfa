#!/usr/bin/env python3
"""Writes the committed archive corpus: good/ holds archives for the directory
reader's edge cases, bad/ one file per kind of damage. Each file is built
byte by byte here so that the damage is exactly the one its name says.

Run from this folder: python3 make_corpus.py
"""
import os
import struct

LOCAL, CENTRAL, END, SPAN = 0x04034B50, 0x02014B50, 0x06054B50, 0x08074B50


class Entry:
    def __init__(self, name, data=b"", host=3, version=30, comment=b"", extra=b"",
                 name_len=None, comment_len=None, extra_len=None, local_offset=None, signature=CENTRAL):
        self.name, self.data, self.host, self.version = name, data, host, version
        self.comment, self.extra = comment, extra
        self.name_len, self.comment_len, self.extra_len = name_len, comment_len, extra_len
        self.local_offset, self.signature = local_offset, signature


def build(entries, comment=b"", prefix=b"", shift_offsets=False, this_disk=0, central_disk=0,
          total=None, dir_size=None, dir_offset=None, comment_len=None, marker=False, zip64=False):
    """An archive; `prefix` bytes go first, offsets adjusted only with shift_offsets."""
    body = bytearray(struct.pack("<I", SPAN) if marker else b"")
    offsets = []
    for e in entries:
        offsets.append(len(body))
        body += struct.pack("<IHHHIIIIHH", LOCAL, 20, 0, 0, 0, 0, len(e.data), len(e.data), len(e.name), 0)
        body += e.name + e.data
    central = bytearray()
    for e, off in zip(entries, offsets):
        local = e.local_offset if e.local_offset is not None else off + (len(prefix) if shift_offsets else 0)
        central += struct.pack("<IBBHHHIIIIHHHHHII", e.signature, e.version, e.host, 20, 0, 0, 0, 0,
                               len(e.data), len(e.data),
                               len(e.name) if e.name_len is None else e.name_len,
                               len(e.extra) if e.extra_len is None else e.extra_len,
                               len(e.comment) if e.comment_len is None else e.comment_len,
                               0, 0, 0, local)
        central += e.name + e.extra + e.comment
    start = len(body) + (len(prefix) if shift_offsets else 0)
    n = len(entries) if total is None else total
    zip64_records = b""
    if zip64:
        # ZIP64 end record and locator; the classic record says "see there".
        record_at = len(prefix) + len(body) + len(central) if shift_offsets else len(body) + len(central)
        zip64_records = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, n, n, len(central), start)
        zip64_records += struct.pack("<IIQI", 0x07064B50, 0, record_at, 1)
        n, dir_offset = 0xFFFF, 0xFFFFFFFF
    end = struct.pack("<IHHHHIIH", END, this_disk, central_disk, n, n,
                      len(central) if dir_size is None else dir_size,
                      start if dir_offset is None else dir_offset,
                      len(comment) if comment_len is None else comment_len)
    return bytes(prefix) + bytes(body) + bytes(central) + zip64_records + end + comment


def two_entries():
    return [Entry(b"readme.txt", b"hello, world\n"), Entry(b"docs/guide.txt", b"guide text\n")]


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def good():
    write("good", "plain.zip", build(two_entries()))
    write("good", "comment10.zip", build(two_entries(), comment=b"0123456789"))
    write("good", "garbage100.zip", build(two_entries(), comment=b"note") + b"G" * 100)
    base = build(two_entries())
    padded = build(two_entries(), comment=b"c" * (4096 - 200 - len(base)))
    assert len(padded) == 3896
    write("good", "padded4096.zip", padded + bytes(200))
    write("good", "stub20.zip", build(two_entries(), prefix=b"S" * 20))
    write("good", "stub20shifted.zip", build(two_entries(), prefix=b"S" * 20, shift_offsets=True))
    write("good", "empty.zip", build([]))
    write("good", "fat_oem.zip", build([Entry(b"M\x81ller/\x94l.txt", b"x", host=0, version=20)]))
    write("good", "unix_high.zip", build([Entry(b"M\x81ller/\x94l.txt", b"x", host=3, version=30)]))
    write("good", "ntfs50.zip", build([Entry(b"\x81.txt", b"x", host=11, version=50),
                                       Entry(b"\x81.txt", b"x", host=11, version=20)]))
    write("good", "entry_comment.zip", build([Entry(b"a.txt", b"a", comment=b"first file"),
                                              Entry(b"b.txt", b"b", extra=b"\x55\x54\x05\x00\x01abcd")]))
    write("good", "zip64_end.zip", build(two_entries() + [Entry(b"third.txt", b"3")], zip64=True))
    write("good", "zip64_end_stub.zip", build(two_entries(), zip64=True, prefix=b"S" * 20))
    write("good", "nul_in_name.zip", build([Entry(b"cut\x00here.txt", b"x")]))


def bad():
    write("bad", "too_short.zip", b"PK\x05\x06\x00\x00")
    write("bad", "no_end_record.zip", bytes((i * 7 + 3) % 251 for i in range(300)))
    huge = build([Entry(b"a", b"")], total=65535, comment=b"n" * 100)
    assert len(huge) == 200
    write("bad", "count_65535_in_200_bytes.zip", huge)
    write("bad", "count_two_one_present.zip", build([Entry(b"a.txt", b"a")], total=2))
    write("bad", "name_past_end.zip", build([Entry(b"a.txt", b"a", name_len=5000)]))
    write("bad", "entry_comment_past_end.zip", build([Entry(b"a.txt", b"a", comment=b"c", comment_len=5000)]))
    write("bad", "extra_past_end.zip", build([Entry(b"a.txt", b"a", extra_len=60000)]))
    write("bad", "archive_comment_past_end.zip", build(two_entries(), comment=b"short", comment_len=1000))
    write("bad", "comment_length_on_last_record.zip", build(two_entries(), comment_len=5))
    write("bad", "wrong_central_signature.zip",
          build([Entry(b"a.txt", b"a"), Entry(b"b.txt", b"b", signature=LOCAL)]))
    write("bad", "dir_size_beyond_file.zip", build(two_entries(), dir_size=0xFFFFFF00))
    write("bad", "dir_offset_outside_file.zip", build(two_entries(), dir_offset=0x7FFFFFF0))
    write("bad", "local_offset_outside_file.zip",
          build([Entry(b"a.txt", b"a", local_offset=0xFFFFFFF0), Entry(b"b.txt", b"b")]))
    write("bad", "spanned_first_volume.zip", struct.pack("<II", SPAN, LOCAL) + bytes(100))
    write("bad", "directory_on_other_disk.zip", build(two_entries(), this_disk=2, central_disk=0))
    write("bad", "end_signature_only.zip", b"PK\x05\x06")


if __name__ == "__main__":
    good()
    bad()
