#!/usr/bin/env bash
# QzpPack.exe's questions under Wine: a spanned set written over volumes that
# are already there asks before each one is overwritten, reads the answers
# from its input, and without input cancels cleanly; volumes too small for
# the archive are refused with the smallest size that works.
#   qzppack-questions.sh QZPPACK_EXE WORK_DIR
set -uo pipefail
qzppack="$1"
work="$2"
runner="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-run.sh"
. "$(dirname "${BASH_SOURCE[0]}")/qz-steps.sh"
rm -rf "$work"
mkdir -p "$work/addon/Docs"
cd "$work" || exit 1
seq 1 20000 >addon/numbers.txt
head -c 150000 /dev/urandom >addon/Docs/noise.bin

asked() { grep -c "Do you want to overwrite this file" err.txt; }

qz 0 add --span 100000 -r -C addon Span.qzp '*.*' </dev/null
volumes=$(ls Span[0-9][0-9][0-9].qzp | wc -l)
[ "$volumes" -ge 2 ] || fail "add --span wrote $volumes volumes"
cp Span001.qzp first.before

# The same again: each volume there is asked about; yes to all overwrites.
yes y | head -n 20 | qz 0 add --span 100000 -r -C addon Span.qzp '*.*'
[ "$(asked)" = "$volumes" ] || fail "asked $(asked) times for $volumes volumes: $(cat err.txt)"
grep -q "\[y\]es, \[n\]o or \[c\]ancel?" err.txt || fail "the question shows no answers: $(cat err.txt)"
qz 0 test "Span$(printf %03d "$volumes").qzp" </dev/null

# Cancel at the first question: nothing is overwritten, the command fails.
printf 'maybe\nc\n' | qz 1 add --span 100000 -r -C addon Span.qzp '*.*'
[ "$(asked)" = 1 ] || fail "cancel: asked $(asked) times"
grep -q "User canceled operation" err.txt || fail "cancel said: $(cat err.txt)"
cmp -s Span001.qzp first.before || fail "a cancelled add changed Span001.qzp"

# No console input at all: the question is cancelled, not answered for us.
qz 1 add --span 100000 -r -C addon Span.qzp '*.*' </dev/null
grep -q "no answer on the console input" err.txt || fail "without input said: $(cat err.txt)"
cmp -s Span001.qzp first.before || fail "an add without input changed Span001.qzp"

# Volumes too small for the largest header: refused before any is written,
# naming the smallest size that works.
qz 1 add --span 60 -r -C addon Tiny.qzp '*.*' </dev/null
smallest=$(sed -n 's/.*each must take at least \([0-9]*\) bytes.*/\1/p' err.txt)
[ -n "$smallest" ] || fail "--span 60 said: $(cat err.txt)"
ls Tiny*.qzp >/dev/null 2>&1 && fail "--span 60 left volumes: $(ls Tiny*.qzp)"

[ "$failures" -eq 0 ] || exit 1
echo "QzpPack questions: all checks passed"
