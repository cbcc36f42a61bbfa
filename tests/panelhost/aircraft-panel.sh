#!/usr/bin/env bash
# PanelHost laying out aircraft panels from panel.cfg, in its script mode:
#  - a panel.cfg with two windows, a gauge name its module does not have, a
#    module that is not there and a line it cannot read: the window sizes and
#    gauge rectangles it reports, and an error for each of the three;
#  - the demo aircraft's panel.cfg (tools/demo/make_package.py), which must
#    load both gauges by their names and nothing else, and its screenshot.
#   aircraft-panel.sh ROOT DIST_DIR WORK_DIR
set -uo pipefail
root="$1" dist="$2" work="$3"
runner="$root/cmake/wine-run.sh"
rm -rf "$work"
mkdir -p "$work/two-windows"
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# run SCRIPT: PanelHost's output without Wine's CRs and its notes.
run() {
    "$runner" "$dist/PanelHost.exe" "$1" 2>&1 | tr -d '\r' | grep -v '^wine: '
    return "${PIPESTATUS[0]}"
}
expect_line() {  # OUTPUT LINE
    grep -qxF -- "$2" <<<"$1" || fail "no line '$2' in:"$'\n'"$1"
}

cp "$dist/Drelmo.gau" "$dist/Kelvor.gau" two-windows/
printf '%s\r\n' '[Window Titles]' 'Window00=Flaps' 'Window01=Engines' '' \
    '[Window00]' 'size_mm=400,320' 'gauge00=Drelmo!Flaps, 0, 0' 'gauge01=Drelmo!Drelmo, 10, 20, 302' \
    '[Window01]' 'size_mm=200' 'gauge00=Kelvor!Kelvor, 5, 6, 96' 'gauge01=Nothing!Here, 1, 1' \
    'gauge02=Kelvor Kelvor, 1, 1' >two-windows/panel.cfg
printf '%s\n' 'aircraft two-windows' 'frames 3' 'screenshot two-windows-0.bmp 0' \
    'screenshot two-windows-1.bmp 1' >two-windows.txt
out="$(run two-windows.txt)" || fail "the two-window script failed: $out"
expect_line "$out" 'window Window00 "Flaps" 400 x 320'
expect_line "$out" '  gauge01 Drelmo!Drelmo at 10, 20 size 302 x 302'
expect_line "$out" 'window Window01 "Engines" 200 x 150'
expect_line "$out" '  gauge00 Kelvor!Kelvor at 5, 6 size 96 x 96'
expect_line "$out" 'error: [Window00] gauge00=Drelmo!Flaps: Drelmo.gau has no gauge named "Flaps" (its gauge is "Drelmo")'
grep -q '^error: \[Window01\] gauge01=Nothing!Here: .*Nothing.gau' <<<"$out" || fail "no error for Nothing!Here: $out"
expect_line "$out" 'error: [Window01] gauge02: not module!gauge: Kelvor Kelvor'
[ "$(grep -c '^  gauge' <<<"$out")" = 2 ] || fail "other gauges were laid out: $out"
for n in 0 1; do
    [ -s "two-windows-$n.bmp" ] || fail "no screenshot of window $n"
done
[ "$(identify -format '%wx%h' two-windows-1.bmp 2>/dev/null)" = 200x150 ] ||
    fail "window 1's screenshot is not 200 x 150"

# The demo aircraft as the demo package installs it.
python3 "$root/tools/demo/make_package.py" --no-archive demo >/dev/null
aircraft="demo.source/Tavrix Cub"
cp "$dist/Drelmo.gau" "$dist/Kelvor.gau" "$aircraft/panel/"
printf '%s\n' "aircraft $aircraft" 'block create' 'set 329 8190' 'frames 300' 'screenshot demo-panel.bmp' >demo.txt
out="$(run demo.txt)" || fail "the demo aircraft's script failed: $out"
expect_line "$out" 'window Window00 "Main Panel" 720 x 260'
expect_line "$out" '  gauge00 Drelmo!Drelmo at 40, 40 size 180 x 180'
expect_line "$out" '  gauge01 Kelvor!Kelvor at 262, 58 size 64 x 64'
grep -q '^error\|^host:' <<<"$out" && fail "the demo aircraft's panel has errors: $out"
[ "$(identify -format '%wx%h' demo-panel.bmp 2>/dev/null)" = 720x260 ] || fail "the demo panel's screenshot is not 720 x 260"

[ "$failures" = 0 ] && echo "panel.cfg layouts as expected"
exit $((failures > 0))
