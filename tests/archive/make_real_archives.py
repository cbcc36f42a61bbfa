#!/usr/bin/env python3
"""Makes archives with the peers (Info-ZIP zip, 7z, Python's zipfile) and, for
each, the listing zipinfo gives of it: <name>.zip and <name>.expected.

The .expected file holds "count N", "comment <hex>", then one line per entry
"<uncompressed> <compressed> <hex of the name>" in directory order.

Usage: make_real_archives.py <output folder>
"""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile


def payload_tree(root):
    files = {
        "readme.txt": b"Read me first.\n" * 20,
        "docs/manual.txt": bytes(range(256)) * 40,
        "docs/deep/nested/note.txt": b"",
        "gauges/panel.cfg": b"[Window00]\nfile=panel.bmp\n" * 5,
        "bin/random.dat": os.urandom(3000),
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return files


class Unseekable(io.RawIOBase):
    """An output stream without seeking: zipfile then writes data descriptors."""

    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        return self.target.write(data)


def make_archives(out, src, files):
    names = sorted(files)
    run = lambda *cmd: subprocess.run(cmd, cwd=src, check=True, stdout=subprocess.DEVNULL)
    run("zip", "-q", "-r", os.path.join(out, "infozip.zip"), ".")
    run("zip", "-q", "-fd", "-r", os.path.join(out, "infozip_descriptors.zip"), ".")
    subprocess.run(["zip", "-q", "-z", os.path.join(out, "infozip_comment.zip")] + names, cwd=src, check=True,
                   input=b"Package archive comment\n", stdout=subprocess.DEVNULL)
    run("7z", "a", "-tzip", "-bd", "-mx=5", os.path.join(out, "sevenzip.zip"), ".")
    with zipfile.ZipFile(os.path.join(out, "python.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            z.write(os.path.join(src, name), name)
        z.comment = b"made by zipfile"
    # More entries than the classic end record can count: a ZIP64 end record.
    with zipfile.ZipFile(os.path.join(out, "python_zip64.zip"), "w", zipfile.ZIP_STORED) as z:
        for i in range(66000):
            z.writestr("many/entry%05d.txt" % i, b"")
    with open(os.path.join(out, "python_descriptors.zip"), "wb") as raw:
        with zipfile.ZipFile(Unseekable(raw), "w", zipfile.ZIP_DEFLATED) as z:
            for name in names:
                z.writestr(name, files[name])
            z.comment = b"streamed"


def zipinfo_listing(path):
    lines = subprocess.run(["zipinfo", "-l", path], check=True, stdout=subprocess.PIPE).stdout.split(b"\n")
    entries = []
    for line in lines[2:]:
        fields = line.split(None, 9)
        if len(fields) == 10 and fields[3].isdigit() and fields[5].isdigit():
            entries.append((int(fields[3]), int(fields[5]), fields[9]))
    comment = subprocess.run(["unzip", "-zq", path], check=True, stdout=subprocess.PIPE).stdout
    # unzip ends a printed comment with a line break of its own.
    if comment.endswith(b"\n") and not open(path, "rb").read().endswith(comment):
        comment = comment[:-1]
    return entries, comment


def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    with tempfile.TemporaryDirectory() as src:
        files = payload_tree(src)
        make_archives(out, src, files)
    for name in sorted(os.listdir(out)):
        if not name.endswith(".zip"):
            continue
        path = os.path.join(out, name)
        entries, comment = zipinfo_listing(path)
        with open(path[:-4] + ".expected", "w") as f:
            f.write("count %d\n" % len(entries))
            f.write("comment %s\n" % comment.hex())
            for usize, csize, entry_name in entries:
                f.write("%d %d %s\n" % (usize, csize, entry_name.hex()))


if __name__ == "__main__":
    main()
