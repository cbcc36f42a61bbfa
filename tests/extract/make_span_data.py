#!/usr/bin/env python3
"""Makes what the spanning tests read, with Info-ZIP zip as the peer that
writes the single archives:

  tree/         mixed files: text that compresses, random bytes that do not
  small.zip     the tree zipped (about 350 KB): a few 100000-byte volumes
  described.zip the same entries with data descriptors (Python's zipfile on
                a stream that cannot seek)
  big.zip       about 3.3 MB of random bytes: three 1.44 MB disks
  disks/        disk1 .. disk4, each a small tmpfs of 1440 KB where this
                machine lets us mount one, else a plain folder; mode.txt says
                which ("tmpfs" or "folders: <reason>"), unix-root.txt where
                they are for Wine's mount manager

Usage: make_span_data.py <output folder> | --cleanup <output folder>
"""
import io
import os
import random
import shutil
import subprocess
import sys
import zipfile

DISKS = 4


def unmount_disks(out):
    for n in range(1, DISKS + 1):
        path = os.path.join(out, "disks", "disk%d" % n)
        if os.path.ismount(path):
            subprocess.run(["umount", path], check=False)


def make_tree(root, rng):
    files = {
        "readme.txt": b"Read me first: a small add-on for the simulator.\n" * 300,
        "aircraft/panel/panel.cfg": b"[Window00]\nfile=panel.bmp\nsize_mm=640\n" * 400,
        "aircraft/model/model.mdl": bytes(rng.getrandbits(8) for _ in range(150000)),
        "aircraft/texture/skin.bmp": bytes(rng.getrandbits(8) for _ in range(120000)),
        "sound/engine.wav": bytes(rng.getrandbits(8) for _ in range(60000)),
        "docs/empty.txt": b"",
        "docs/manual.txt": bytes(range(256)) * 200,
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


class Unseekable(io.RawIOBase):
    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        self.target.write(data)
        return len(data)


def zip_tree(tree, archive):
    if os.path.exists(archive):
        os.remove(archive)
    subprocess.run(["zip", "-q", "-r", "-X", archive, "."], cwd=tree, check=True)


def make_disks(out):
    disks = os.path.join(out, "disks")
    unmount_disks(out)
    shutil.rmtree(disks, ignore_errors=True)
    reason = ""
    for n in range(1, DISKS + 1):
        path = os.path.join(disks, "disk%d" % n)
        os.makedirs(path)
        if reason:
            continue
        if os.geteuid() != 0:
            reason = "not root, no tmpfs can be mounted"
            continue
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1440k", "tmpfs", path],
                              stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            reason = "mount failed: " + done.stderr.strip()
            unmount_disks(out)
    with open(os.path.join(disks, "mode.txt"), "w") as f:
        f.write("tmpfs" if not reason else "folders: " + reason)
    with open(os.path.join(disks, "unix-root.txt"), "w") as f:
        f.write(os.path.abspath(disks))
    print("disks:", "tmpfs of 1440 KB each" if not reason else "plain folders (" + reason + ")")


def main():
    if sys.argv[1] == "--cleanup":
        unmount_disks(sys.argv[2])
        return
    out = sys.argv[1]
    rng = random.Random(1440)
    tree = os.path.join(out, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    make_tree(tree, rng)
    zip_tree(tree, os.path.join(out, "small.zip"))

    with open(os.path.join(out, "described.zip"), "wb") as raw:
        with zipfile.ZipFile(Unseekable(raw), "w", zipfile.ZIP_DEFLATED) as z:
            for folder, _, names in sorted(os.walk(tree)):
                for name in sorted(names):
                    path = os.path.join(folder, name)
                    z.write(path, os.path.relpath(path, tree))

    big = os.path.join(out, "bigtree")
    shutil.rmtree(big, ignore_errors=True)
    os.makedirs(big)
    for n in range(6):
        with open(os.path.join(big, "part%d.dat" % n), "wb") as f:
            f.write(bytes(rng.getrandbits(8) for _ in range(550000)))
    zip_tree(big, os.path.join(out, "big.zip"))
    make_disks(out)


if __name__ == "__main__":
    main()
