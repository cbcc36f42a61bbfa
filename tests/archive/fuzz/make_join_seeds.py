#!/usr/bin/env python3
"""Writes the join fuzzer's seeds: small archives cut into spanned sets the
way the component cuts them (the spanning marker first, a local header, its
name and extra field never split, the directory with each entry's disk and
offset, the end record on the last volume), each volume behind a two-byte
length. Usage: make_join_seeds.py FOLDER"""
import io
import os
import struct
import sys
import zipfile


def archive(files, comment=b"", method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", method) as z:
        for name, data in files:
            z.writestr(name, data)
        z.comment = comment
    return buffer.getvalue()


def parse(data):
    end = data.rindex(b"PK\x05\x06")
    count, size, offset, comment_length = struct.unpack_from("<HIIH", data, end + 10)
    entries, at = [], offset
    for _ in range(count):
        fields = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, at)
        name_length, extra_length, comment_len = fields[10], fields[11], fields[12]
        whole = data[at:at + 46 + name_length + extra_length + comment_len]
        local = fields[16]
        l_name, l_extra = struct.unpack_from("<HH", data, local + 26)
        header = data[local:local + 30 + l_name + l_extra]
        entries.append((bytearray(whole), header, data[local + len(header):local + len(header) + fields[8]]))
        at += len(whole)
    return entries, data[end + 22:end + 22 + comment_length]


def cut(data, volume_size):
    entries, comment = parse(data)
    volumes = [bytearray(b"PK\x07\x08")]

    def room(need):
        if len(volumes[-1]) + need > volume_size:
            volumes.append(bytearray())

    def put(blob):
        blob = bytes(blob)
        while blob:
            room(1)
            part = volume_size - len(volumes[-1])
            volumes[-1] += blob[:part]
            blob = blob[part:]

    for central, header, payload in entries:
        room(len(header))
        struct.pack_into("<HI", central, 34, len(volumes) - 1, 0)
        struct.pack_into("<I", central, 42, len(volumes[-1]))
        volumes[-1] += header
        put(payload)
    directory_disk, directory_offset, directory_size = None, 0, 0
    for central, _, _ in entries:
        room(len(central))
        if directory_disk is None:
            directory_disk, directory_offset = len(volumes) - 1, len(volumes[-1])
        volumes[-1] += central
        directory_size += len(central)
    room(22 + len(comment))
    if directory_disk is None:
        directory_disk, directory_offset = len(volumes) - 1, len(volumes[-1])
    last = len(volumes) - 1
    on_last = sum(1 for c, _, _ in entries if directory_disk == last)
    volumes[-1] += struct.pack("<IHHHHIIH", 0x06054B50, last, directory_disk, on_last, len(entries),
                               directory_size, directory_offset, len(comment)) + comment
    return b"".join(struct.pack("<H", len(v)) + bytes(v) for v in volumes)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    text = b"".join(b"line %d of the manual\n" % i for i in range(60))
    seeds = {
        "three-files-small-volumes": cut(archive([("a.txt", b"alpha"), ("dir/b.txt", text), ("c.bin", bytes(range(256)))]), 300),
        "stored-across-four": cut(archive([("big.dat", bytes(range(256)) * 3)], method=zipfile.ZIP_STORED), 250),
        "one-volume": cut(archive([("only.txt", b"one volume set")]), 4000),
        "with-comment": cut(archive([("x/y/z.txt", text)], comment=b"the set's comment"), 200),
        "empty-set": cut(archive([]), 100),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
