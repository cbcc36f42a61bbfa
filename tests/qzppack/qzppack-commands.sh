#!/usr/bin/env bash
# QzpPack.exe end to end under Wine: each command on a small add-on tree, its
# exit status, what it prints, and the archives it writes checked with
# unzip and 7z (7z skipped, with the reason, where it is missing).
#   qzppack-commands.sh QZPPACK_EXE WORK_DIR
set -uo pipefail
qzppack="$1"
work="$2"
runner="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-run.sh"
. "$(dirname "${BASH_SOURCE[0]}")/qz-steps.sh"
rm -rf "$work"
mkdir -p "$work/addon/Aircraft/panel" "$work/addon/Docs"
cd "$work" || exit 1
printf 'Read me first.\r\n' >addon/readme.txt
seq 1 30000 >addon/Aircraft/aircraft.cfg
head -c 150000 /dev/urandom >addon/Aircraft/panel/panel.bmp
: >addon/Docs/empty.txt

peers_pass() {  # peers_pass ARCHIVE [PASSWORD]
    local password=() seven=()
    [ -n "${2:-}" ] && password=(-P "$2") && seven=(-p"$2")
    unzip -t "${password[@]}" "$1" >/dev/null 2>&1 || fail "unzip -t $1"
    if command -v 7z >/dev/null; then
        7z t "${seven[@]}" "$1" 2>&1 | grep -q "Everything is Ok" || fail "7z t $1"
    else
        echo "skipped 7z t $1: 7z is not installed (tools/install-deps.sh installs p7zip-full)"
    fi
}

# add: the whole tree by the names below addon, then check it with the peers.
qz 0 add -r -l 6 -C addon Setup.qzp '*.*'
peers_pass Setup.qzp
rm -rf unzipped && unzip -q Setup.qzp -d unzipped && diff -r addon unzipped || fail "unzip of Setup.qzp differs from addon"

# list: one line per entry, size, date and time, name.
qz 0 list Setup.qzp
[ "$(wc -l <out.txt)" = 4 ] || fail "list printed $(wc -l <out.txt) lines, expected 4: $(cat out.txt)"
grep -Eq '^ +150000  [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}  Aircraft\\panel\\panel.bmp$' out.txt ||
    fail "list line of panel.bmp: $(cat out.txt)"

qz 0 test Setup.qzp
grep -q "entries tested, no errors" out.txt || fail "test said: $(cat out.txt)"

# delete: one, then a pattern matching nothing (a failure, the archive unchanged).
qz 0 delete Setup.qzp 'Docs\empty.txt'
unzip -l Setup.qzp | grep -q empty.txt && fail "Docs/empty.txt still in the archive"
cp Setup.qzp before.qzp
qz 1 delete Setup.qzp 'no-such-*'
cmp -s Setup.qzp before.qzp || fail "a delete that matched nothing changed the archive"

# extract: into a new folder; again without -o fails, with -o succeeds.
qz 0 extract Setup.qzp out
cmp -s addon/Aircraft/aircraft.cfg out/Aircraft/aircraft.cfg || fail "extracted aircraft.cfg differs"
qz 1 extract Setup.qzp out
grep -q "File exists, not overwritten: Aircraft.aircraft.cfg" err.txt || fail "extract over files said: $(cat err.txt)"
rm out/readme.txt
qz 1 extract Setup.qzp out  # one file made again, the others kept: still a failure
[ -f out/readme.txt ] || fail "extract did not make readme.txt again"
qz 0 extract -o Setup.qzp out 'Aircraft\*.cfg'

# An encrypted archive that Info-ZIP opens with the password.
qz 0 add -pTavrix-42 -C addon Secret.qzp readme.txt 'Aircraft\aircraft.cfg'
peers_pass Secret.qzp Tavrix-42
unzip -p -P Tavrix-42 Secret.qzp readme.txt | cmp -s - addon/readme.txt || fail "unzip -P gave another readme.txt"
unzip -p -P wrong Secret.qzp readme.txt >/dev/null 2>&1 && fail "unzip opened Secret.qzp with a wrong password"
qz 0 extract -pTavrix-42 Secret.qzp secret
cmp -s secret/readme.txt addon/readme.txt || fail "QzpPack extract -p gave another readme.txt"

# sfx and unsfx: one program of the archive (PACKSFX.BIN beside QzpPack), and
# back; add onto a new .EXE makes a self-extractor too.
wine_path() { printf 'Z:%s' "$1" | tr / '\\'; }
cp Setup.qzp Pack.zip
qz 0 sfx Pack.zip
[ -f Pack.exe ] && [ ! -e Pack.zip ] || fail "sfx did not turn Pack.zip into Pack.exe"
peers_pass Pack.exe
"$runner" "$work/Pack.exe" /auto "$(wine_path "$work/sfx-out")" || fail "Pack.exe /auto failed"
diff -r out sfx-out >/dev/null || fail "Pack.exe extracted another tree than Setup.qzp holds"
qz 0 unsfx Pack.exe
cmp -s Pack.zip Setup.qzp || fail "unsfx did not give the archive back byte for byte"
[ -e Pack.exe ] && fail "unsfx left Pack.exe"
qz 1 sfx Setup.qzp
grep -q "not a zip file" err.txt || fail "sfx of a .qzp said: $(cat err.txt)"
qz 1 unsfx Setup.qzp
qz 0 add -r -C addon New.EXE '*.*'
"$runner" "$work/New.EXE" /auto "$(wine_path "$work/new-out")" || fail "New.EXE /auto failed"
diff -r addon new-out >/dev/null || fail "New.EXE extracted another tree than addon"

# A spanned set of numbered volumes of at most 100000 bytes; list, test and
# extract take its last volume.
qz 0 add --span 100000 -r -C addon Span.qzp '*.*'
[ -e Span001.qzp ] && [ -e Span002.qzp ] || fail "add --span wrote no numbered volumes: $(ls)"
[ -e Span.qzp ] && fail "add --span left a single Span.qzp"
last=$(ls Span[0-9][0-9][0-9].qzp | sort | tail -1)
for volume in Span[0-9][0-9][0-9].qzp; do
    [ "$(stat -c %s "$volume")" -le 100000 ] || fail "$volume is larger than 100000 bytes"
done
[ "$(head -c 4 Span001.qzp | od -An -tx1 | tr -d ' ')" = 504b0708 ] || fail "Span001.qzp does not start with the spanning marker"
qz 0 list "$last"
[ "$(wc -l <out.txt)" = 4 ] || fail "list of $last printed: $(cat out.txt)"
qz 0 test "$last"
grep -q "entries tested, no errors" out.txt || fail "test of $last said: $(cat out.txt)"
qz 0 extract "$last" spanned
diff -r addon spanned >/dev/null || fail "extract of the spanned set differs from addon"

# Failures and usage errors.
qz 1 list missing.qzp
qz 1 add -C no-such-folder New.qzp '*.*'
qz 1 add -C addon New.qzp 'nothing-*.xyz'
[ -e New.qzp ] && fail "an add that added nothing left New.qzp"
printf 'not an archive' >bad.qzp
qz 1 test bad.qzp
qz 2 frobnicate
qz 2 add Setup.qzp
grep -q "no file pattern given" err.txt || fail "usage error said: $(cat err.txt)"
qz 2 add -l 11 x.qzp a
qz 0 --help
grep -q "Examples:" out.txt || fail "--help shows no examples"

[ "$failures" -eq 0 ] || exit 1
echo "QzpPack commands: all checks passed"
