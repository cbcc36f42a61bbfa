#!/usr/bin/env bash
# Renders the gauges through the panel host's scripted mode, for a person to
# look at: the flaps dial at each marked position in both looks, the key, the
# panel at the gauges' default widths, and the demo aircraft's panel laid out
# from its panel.cfg. Writes BMP and PNG files to out/gauges/ (or the folder
# given as the first argument).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/out/gauges}")"
mkdir -p "$out"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR" dist="$TAVRIX_WINDOWS_DIST"

if [ ! -f "$dist/PanelHost.exe" ] || [ "${TAVRIX_RENDER_NO_BUILD:-0}" != 1 ]; then
    TAVRIX_SKIP_NATIVE=1 "$root/tools/build.sh" >/dev/null
fi

script="$out/render.txt"
{
    echo "# Drawn by tools/render-gauges.sh"
    echo "panel 650 322"
    echo "scale 3"
    echo "block create"  # the switch exists before the gauges look for it; its word picks the look
    echo "load $dist/Drelmo.gau 10 10 302"
    echo "load $dist/Kelvor.gau 330 11"
    echo "frames 2"
    # Each marked value in rising order, then the bright look at the same place.
    # The needle rises 32 units a frame: enough frames to get there, and a few more.
    previous=0
    for mark in UP:0 1:2050 5:6143 10:8190 20:12253 25:14331 30:16382; do
        label="${mark%%:*}"; value="${mark#*:}"
        echo "set 329 $value"
        echo "frames $(( (value - previous) / 32 + 8 ))"
        previous=$value
        echo "screenshot flaps-$label-normal.bmp"
        # A tree is updated only while it is shown: the other look's needle
        # turns over from where it was last left, 6 degrees a frame.
        echo "block word 1"
        echo "frames 60"
        echo "screenshot flaps-$label-bright.bmp"
        echo "block word 0"
        echo "frames 60"
    done
    # Between two marks, and past the end of the scale.
    echo "set 329 13292"  # a fall: the needle holds one frame, then walks down
    echo "frames 110"
    echo "screenshot flaps-between-20-25.bmp"
    echo "set 329 16383"
    echo "frames 110"
    echo "screenshot flaps-beyond-30.bmp"
    echo "light 0.45"
    echo "frames 1"
    echo "screenshot panel-night-normal.bmp"
    echo "block word 1"
    echo "frames 60"
    echo "screenshot panel-night-bright.bmp"
    echo "unload"
    # Both gauges at their default widths (50 and 100 mm at 3 pixels a millimetre).
    echo "light 1"
    echo "block word 0"
    echo "set 329 8190"
    echo "load $dist/Drelmo.gau 20 20"
    echo "load $dist/Kelvor.gau 200 11"
    echo "frames 265"
    echo "screenshot panel-default-widths.bmp"
} >"$script"

(cd "$build" && "$root/cmake/wine-run.sh" "$dist/PanelHost.exe" "$script")

# The demo aircraft as its package installs it, the gauges beside its
# panel.cfg, with the flaps at 10 and the engines started.
aircraft="$out/demo-aircraft"
python3 "$root/tools/demo/make_package.py" --no-archive "$aircraft" >/dev/null
rm -rf "$aircraft"  # the package folder; the aircraft is in demo-aircraft.source
cp "$dist/Drelmo.gau" "$dist/Kelvor.gau" "$aircraft.source/Tavrix Cub/panel/"
printf '%s\n' "aircraft demo-aircraft.source/Tavrix Cub" "block create" "set 329 8190" "frames 300" \
    "screenshot demo-aircraft-panel.bmp" >"$out/aircraft.txt"
(cd "$build" && "$root/cmake/wine-run.sh" "$dist/PanelHost.exe" "$out/aircraft.txt")
for bmp in "$out"/*.bmp; do
    convert "$bmp" "${bmp%.bmp}.png"
done
echo "Rendered into $out:"
ls "$out"/*.png
