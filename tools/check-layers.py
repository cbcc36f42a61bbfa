#!/usr/bin/env python3
"""Fails when a source includes a header from a folder its folder may not
include (docs/ARCHITECTURE.md has the table and the picture)."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Folder -> folders whose headers it may include (besides its own).
ALLOWED = {
    "common": [],
    "contract": [],
    "engines/core": ["common"],
    "engines/dll": ["engines/core", "contract", "common"],
    "engines/cli": ["engines/core", "common"],
    "archive": ["contract", "common"],
    "installer/ui": ["common"],
    "installer": ["installer/ui", "archive", "contract", "common"],
    "gauges": ["common"],
    "panelhost": ["gauges", "common"],
    "skin": ["common"],
    "qzppack": ["archive", "contract", "common"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCES = (".cpp", ".h", ".c", ".inc")


def layer_of(path):
    """The most specific folder of the table that holds `path`."""
    relative = path.relative_to(ROOT).as_posix()
    best = None
    for layer in ALLOWED:
        if relative.startswith(layer + "/") and (best is None or len(layer) > len(best)):
            best = layer
    return best


def main():
    headers = {}  # include text -> layers that have a file by that name
    layered = [p for p in ROOT.rglob("*") if p.suffix in SOURCES and layer_of(p)]
    for path in layered:
        relative = path.relative_to(ROOT).as_posix()
        parts = relative.split("/")
        for i in range(len(parts)):
            headers.setdefault("/".join(parts[i:]), set()).add(layer_of(path))
    failures = []
    for path in layered:
        layer = layer_of(path)
        for name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if (path.parent / name).exists():
                owners = {layer_of(path.parent / name)}
            else:
                owners = headers.get(name, set())
            if not owners or layer in owners:
                continue
            if not owners & set(ALLOWED[layer]):
                failures.append(f"{path.relative_to(ROOT)} includes {name} from {', '.join(sorted(owners))}")
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    if failures:
        return 1
    print(f"{len(layered)} sources include only what their folders may")
    return 0


if __name__ == "__main__":
    sys.exit(main())
