#!/usr/bin/env python3
"""`QzpPack check` under Wine on package folders: the demo package, the
sample package and a set on floppies pass; a table of broken folders, one
fault each, fail with exit status 1 and the words of their problem.

    check_packages.py ROOT DIST_DIR WORK_DIR

DIST_DIR holds QzpPack.exe with the engines, and the installer's files the
packages carry. Runs QzpPack through cmake/wine-run.sh.
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

ROOT, DIST, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
sys.path.insert(0, os.path.join(ROOT, "tools", "demo"))
import make_package  # noqa: E402

RUNNER = os.path.join(ROOT, "cmake", "wine-run.sh")
QZPPACK = os.path.join(DIST, "QzpPack.exe")
PROGRAM_FILES = ("Corvinel.exe", "Velskin.dll", "UNPACK32.DLL")
failures = []


def qzppack(*args):
    """Runs QzpPack in WORK; its status and its output without Wine's CRs."""
    run = subprocess.run([RUNNER, QZPPACK, *args], cwd=WORK, capture_output=True)
    out = run.stdout.decode("latin-1").replace("\r", "")
    err = "\n".join(l for l in run.stderr.decode("latin-1").replace("\r", "").splitlines()
                    if not l.startswith("wine: "))
    return run.returncode, out + err


def with_program_files(folder):
    for name in PROGRAM_FILES:
        shutil.copy(os.path.join(DIST, name), folder)


def demo_package(name):
    """The demo's package as tools/demo.sh makes it: the aircraft packed by
    QzpPack from the source folder beside the package."""
    folder = os.path.join(WORK, name)
    make_package.write_package(folder, archive=False)
    with_program_files(folder)
    status, out = qzppack("add", "-r", "-C", name + ".source", name + "\\Setup.qzp", "*.*")
    if status != 0:
        sys.exit(f"QzpPack could not pack {name}: {out}")
    return folder


def sample_package(name):
    """tools/sample-package with what tools/installer-screenshots.sh adds."""
    folder = os.path.join(WORK, name)
    os.makedirs(folder)
    for file in ("Ostrel.ini", "licens.qzt"):
        shutil.copy(os.path.join(ROOT, "tools", "sample-package", file), folder)
    with_program_files(folder)
    make_package.write_splash(os.path.join(folder, "splash.bmp"))
    with zipfile.ZipFile(os.path.join(folder, "Setup.qzp"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("readme.txt", b"Kestrel 200 Trainer\r\n")
    return folder


def floppy_set(name, extra_bytes, span):
    """The demo package as a numbered set of volumes of at most `span`, with
    `extra_bytes` of incompressible data more in the add-on."""
    folder = demo_package(name)
    os.remove(os.path.join(folder, "Setup.qzp"))
    with open(os.path.join(folder + ".source", "Tavrix Cub", "extra.bin"), "wb") as f:
        f.write(random.Random(7).randbytes(extra_bytes))
    status, out = qzppack("add", "-r", "-l", "0", "--span", span, "-C", name + ".source",
                          name + "\\Setup.qzp", "*.*")
    if status != 0:
        sys.exit(f"QzpPack could not pack the set {name}: {out}")
    return folder


def edit_ini(folder, old, new):
    path = os.path.join(folder, "Ostrel.ini")
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    if old not in text:
        sys.exit(f"the test's Ostrel.ini lacks {old!r}")
    with open(path, "wb") as f:
        f.write(text.replace(old, new).encode("latin-1"))


def remove(folder, name):
    os.remove(os.path.join(folder, name))


def rezip(folder, extra):
    """Setup.qzp of the demo's files and `extra` (name, bytes) entries."""
    with zipfile.ZipFile(os.path.join(folder, "Setup.qzp"), "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in make_package.addon_files():
            z.writestr(name, data)
        for name, data in extra:
            z.writestr(zipfile.ZipInfo(name), data)


def damage(folder):
    """Flips bytes in the middle of the first large entry's data."""
    path = os.path.join(folder, "Setup.qzp")
    with open(path, "r+b") as f:
        f.seek(60_000)
        block = bytearray(f.read(64))
        f.seek(60_000)
        f.write(bytes(b ^ 0x5A for b in block))


def expect(name, folder, status, *words):
    got, out = qzppack("check", os.path.basename(folder))
    if got != status:
        failures.append(f"{name}: exit status {got}, expected {status}\n{out}")
        return
    for word in words:
        if word not in out:
            failures.append(f"{name}: the report lacks {word!r}\n{out}")
    return out


def broken(name, fault, *words):
    """A copy of the good package with one fault, and the words it must cause."""
    folder = os.path.join(WORK, "broken-" + name)
    shutil.copytree(GOOD, folder)
    fault(folder)
    expect(name, folder, 1, *words, "will not install as intended")


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)

GOOD = demo_package("demo")
report = expect("demo package", GOOD, 0, "No problems",
                "folder proposed with Flightsimulator 2000: <Flight Simulator 2000>\\Aircraft\\Tavrix Cub Trainer",
                "folder proposed with Flightsimulator 98: none", "tested, no errors", "splash.bmp: 380 x 260")
expect("sample package", sample_package("sample"), 0, "No problems", "Kestrel 200 Trainer")
# Three volumes of at most 500 KB: the first fits on disk 1 beside the program.
expect("set on floppies", floppy_set("floppies", 600_000, "500K"), 0, "No problems", "disk 1 must hold",
       "Setup001.qzp:")

BROKEN = [
    ("version-case", lambda f: edit_ini(f, "Flightsimulator 2000", "FlightSimulator 2000"),
     "letter case", "fix: write Version=Flightsimulator 2000"),
    ("version-other", lambda f: edit_ini(f, "Flightsimulator 2000", "Flight Simulator 2002"),
     "names no simulator"),
    ("type-scenery", lambda f: edit_ini(f, "Type=Aircraft", "Type=scenery md"), "Type=Scenery MD"),
    ("type-path", lambda f: edit_ini(f, "Type=Aircraft", "Type=Aircraft\\Props"), "several folders"),
    ("title-missing", lambda f: edit_ini(f, "hl=Tavrix Cub Trainer", "hl="), "hl is missing"),
    ("title-device", lambda f: edit_ini(f, "hl=Tavrix Cub Trainer", "hl=Tavrix?"), "cannot be a folder's name"),
    ("section-misspelt", lambda f: edit_ini(f, "[Flightsim]", "[Flightsims]"),
     "[Flightsims] Version is never read", "Version is missing"),
    ("author-address", lambda f: edit_ini(f, "1=ann.smith@example.com", "1=Ann Smith"), "not an e-mail address"),
    ("splash-extension", lambda f: edit_ini(f, "splash.bmp", "splash.png"), "bmp, ico, emf or wmf"),
    ("splash-missing", lambda f: remove(f, "splash.bmp"), "does not load", "put splash.bmp in the package folder"),
    ("splash-not-a-bitmap", lambda f: open(os.path.join(f, "splash.bmp"), "wb").write(b"GIF89a" + bytes(200)),
     "Bitmap image is not valid"),
    ("description-missing", lambda f: remove(f, "Ostrel.ini"), "Ostrel.ini is missing"),
    ("installer-missing", lambda f: remove(f, "Corvinel.exe"), "Corvinel.exe is missing"),
    ("skin-missing", lambda f: remove(f, "Velskin.dll"), "Velskin.dll is missing"),
    ("engine-missing", lambda f: remove(f, "UNPACK32.DLL"), "UNPACK32.DLL is missing"),
    ("licence-misnamed", lambda f: os.rename(os.path.join(f, "licens.qzt"), os.path.join(f, "license.txt")),
     "license.txt is never shown", "name it licens.qzt"),
    ("archive-missing", lambda f: remove(f, "Setup.qzp"), "there is no Setup.qzp"),
    ("archive-hostile", lambda f: rezip(f, [("../escaped.txt", b"up\r\n")]),
     '"..\\escaped.txt", which would land outside the destination'),
    ("archive-device-name", lambda f: rezip(f, [("Tavrix Cub/aux.cfg", b"x\r\n")]), "a name Windows cannot create"),
    ("archive-damaged", damage, "does not test clean"),
]
for args in BROKEN:
    broken(*args)

# A set without its middle volume, and one whose first volume leaves no room.
middle = floppy_set("set-missing-middle", 600_000, "500K")
remove(middle, "Setup002.qzp")
expect("set missing its middle volume", middle, 1, "Setup002.qzp is missing from the set",
       "takes Setup001.qzp for its last volume")
expect("set too large for disk 1", floppy_set("set-too-large", 1_500_000, "1400K"), 1,
       "disk 1 is", "too full", "fix: pack the set again with --span")

for failure in failures:
    print("FAIL: " + failure)
print(f"{len(BROKEN) + 5} package folders checked, {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
