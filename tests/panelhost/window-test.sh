#!/usr/bin/env bash
# The host's window on a real (virtual) screen: a person's clicks reach the
# gauges and the window's title reports what the simulator did.
#   window-test.sh <PanelHost.exe beside Kelvor.gau and Drelmo.gau> <wine runner>
set -uo pipefail
program="$1"
runner="$2"
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: skipped"; exit 77; }

TAVRIX_DISPLAY=x11 "$runner" "$program" >/dev/null 2>&1 &
host_pid=$!
trap 'kill "$host_pid" 2>/dev/null' EXIT

window=""
for _ in $(seq 1 100); do
    window="$(xdotool search --name "Tavrix Panel Host" 2>/dev/null | head -1)"
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "the panel window did not appear"; exit 1; }

title() { xdotool getwindowname "$window" 2>/dev/null; }
expect_title() {  # <text the title must hold>
    for _ in $(seq 1 50); do
        case "$(title)" in *"$1"*) return 0 ;; esac
        sleep 0.1
    done
    echo "title '$(title)' lacks '$1'"
    exit 1
}

expect_title "flaps 0/8, engines off, normal look"
# Kelvor at (230, 20), 300 x 300: the upper half starts the engines.
xdotool mousemove --window "$window" 380 60 click 1
expect_title "engines running"
# Drelmo at (30, 95), 150 x 150: the lower half extends the flaps one step.
xdotool mousemove --window "$window" 100 200 click 1
expect_title "flaps 1/8"
# A right click does nothing.
xdotool mousemove --window "$window" 100 200 click 3
sleep 0.5
expect_title "flaps 1/8"
xdotool key --window "$window" b
expect_title "bright look"
xdotool key --window "$window" Escape
for _ in $(seq 1 50); do
    kill -0 "$host_pid" 2>/dev/null || exit 0
    sleep 0.1
done
echo "the window did not close on Escape"
exit 1
