#!/usr/bin/env python3
"""Copies whole library files of this machine, in their folders, into
STAGING/Bench Addon/ until about MEGABYTES are there (names Windows accepts
only).

    stage_files.py STAGING MEGABYTES
"""
import os
import shutil
import sys

target, budget = sys.argv[1], int(sys.argv[2]) * 1024 * 1024
base = "/usr/lib/x86_64-linux-gnu"
total = 0
for folder, dirs, files in os.walk(base):
    dirs.sort()
    for name in sorted(files):
        path = os.path.join(folder, name)
        if os.path.islink(path) or not os.path.isfile(path) or any(c in name for c in ':*?"<>|\\'):
            continue
        size = os.path.getsize(path)
        if total + size > budget:
            continue
        destination = os.path.join(target, "Bench Addon", os.path.relpath(path, base))
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copyfile(path, destination)
        total += size
print(f"add-on: {total / 1e6:.0f} MB")
