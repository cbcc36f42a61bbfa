#!/usr/bin/env python3
"""Room for the first volume on disk 1 of the demo package on floppies.

Disk 1 of a package on floppies carries the installer beside the first
volume: the 32-bit Corvinel.exe, UNPACK32.DLL and Velskin.dll from dist/, and
the package's Ostrel.ini, licence and splash picture (the demo's, made by
tools/demo/make_package.py). On a 1.44 MB FAT12 disk every file takes whole
512-byte clusters of the 1,457,664 bytes of data clusters (names live in the
root directory's own sectors); what is left is the room for the first volume,
and it must be at least MIN_ROOM bytes.

    check-disk1-room.py ROOT DIST_DIR [--also FILE]... [--also-size BYTES]...

--also adds a file to disk 1, --also-size a file of that many bytes, to see
what a larger set leaves. Reads files only: it runs on machines that cannot
start 32-bit programs too.
"""
import argparse
import os
import subprocess
import sys
import tempfile

DATA_BYTES = 1_457_664  # 2,847 data clusters of a 1.44 MB FAT12 disk
CLUSTER = 512
ROOT_ENTRIES = 224  # the root directory's fixed size on such a disk
MIN_ROOM = 655_360
PROGRAM_FILES = ("Corvinel.exe", "UNPACK32.DLL", "Velskin.dll")
PACKAGE_FILES = ("Ostrel.ini", "licens.qzt", "splash.bmp")


def on_disk(size):
    return (size + CLUSTER - 1) // CLUSTER * CLUSTER


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("dist")
    parser.add_argument("--also", action="append", default=[])
    parser.add_argument("--also-size", action="append", default=[], type=int)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as work:
        package = os.path.join(work, "package")
        subprocess.run([sys.executable, os.path.join(args.root, "tools", "demo", "make_package.py"),
                        package, "--no-archive"], check=True, stdout=subprocess.DEVNULL)
        files = [os.path.join(args.dist, name) for name in PROGRAM_FILES]
        files += [os.path.join(package, name) for name in PACKAGE_FILES]
        files += args.also
        for n, size in enumerate(args.also_size):
            path = os.path.join(work, f"extra{n}.bin")
            with open(path, "wb") as f:
                f.truncate(size)
            files.append(path)
        missing = [f for f in files if not os.path.isfile(f)]
        if missing:
            print("disk 1: missing " + ", ".join(missing), file=sys.stderr)
            return 1
        # Names longer than 8.3 take extra root entries; the set is far below
        # the root's 224 either way, and a volume needs one more.
        if len(files) + 1 > ROOT_ENTRIES:
            print(f"disk 1: {len(files)} files do not fit the root directory", file=sys.stderr)
            return 1

        used = 0
        print(f"{'file on disk 1':<24}{'bytes':>10}{'on disk':>10}")
        for path in files:
            size = os.path.getsize(path)
            used += on_disk(size)
            print(f"{os.path.basename(path):<24}{size:>10,}{on_disk(size):>10,}")
    room = DATA_BYTES - used
    print(f"{'taken':<24}{'':>10}{used:>10,}")
    print(f"room for the first volume: {room:,} bytes of {DATA_BYTES:,} (at least {MIN_ROOM:,} needed)")
    if room < MIN_ROOM:
        print(f"disk 1: {MIN_ROOM - room:,} bytes short of room for the first volume", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
