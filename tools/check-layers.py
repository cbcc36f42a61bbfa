#!/usr/bin/env python3
"""Fails when a source includes a header from a folder its folder may not
include (docs/ARCHITECTURE.md has the table and the picture), when an
include does not name its file from the repository root, or when a header
says `using namespace` (it would say it for every file that includes it)."""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Folder -> folders whose headers it may include (besides its own).
ALLOWED = {
    "common": [],
    "contract": [],
    "engines/core": ["common"],
    "engines/dll": ["engines/core", "contract", "common"],
    "engines/cli": ["engines/core", "common"],
    "sfx": ["engines/core", "common"],
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


USING_NAMESPACE = re.compile(r"^\s*using\s+namespace\b", re.MULTILINE)


def tracked_sources():
    """The repository's sources; without git (a copied tree), every source
    outside the build folders."""
    suffixes = SOURCES + (".rc",)
    try:
        listed = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True, check=True)
        return [ROOT / name for name in listed.stdout.split() if pathlib.Path(name).suffix in suffixes]
    except (OSError, subprocess.CalledProcessError):
        return [p for p in ROOT.rglob("*") if p.suffix in suffixes and p.is_file()
                and not {"build", "dist", ".git", "_deps"} & set(p.relative_to(ROOT).parts)]


def main():
    failures = []
    sources = tracked_sources()
    for path in sources:
        text = path.read_text(encoding="utf-8", errors="replace")
        relative = path.relative_to(ROOT)
        layer = layer_of(path)
        for name in INCLUDE.findall(text):
            if not (ROOT / name).is_file():
                failures.append(f"{relative} includes {name}, which is no path from the repository root")
                continue
            owner = layer_of(ROOT / name)
            if layer and owner and owner != layer and owner not in ALLOWED[layer]:
                failures.append(f"{relative} includes {name} from {owner}")
        if path.suffix == ".h" and USING_NAMESPACE.search(text):
            failures.append(f"{relative} says using namespace")
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    if failures:
        return 1
    print(f"{len(sources)} sources name their includes from the root and include only what their folders may")
    return 0


if __name__ == "__main__":
    sys.exit(main())
