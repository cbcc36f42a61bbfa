#!/usr/bin/env bash
# Renders a contact sheet of the skin as the built library carries it:
# builds Velskin.dll, reads every bitmap and icon back out of it under Wine
# (skin/export/VelskinExport.cpp), and lays them out with ImageMagick, with a
# mock-up of the main window showing a wizard page, at real size.
#
#   tools/skin-sheet.sh [OUTPUT.png]     (default: build/skin-sheet.png)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sheet="${1:-$root/build/skin-sheet.png}"
work="$root/build/skin-sheet"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR" dist="$TAVRIX_WINDOWS_DIST"

if [ ! -f "$build/CMakeCache.txt" ]; then
    TAVRIX_SKIP_NATIVE=1 "$root/tools/build.sh"
fi
cmake --build "$build" -j 2 --target velskin velskin_export >/dev/null

rm -rf "$work"
mkdir -p "$work/export"
(cd "$build" && TAVRIX_DISPLAY=null "$root/cmake/wine-run.sh" skin/velskin_export.exe \
    "Z:$dist/Velskin.dll" "Z:$work/export" >/dev/null)
art="$work/export"

labelled() {  # <name> <zoom %> -> a picture with its caption under it
    local name="$1" zoom="$2" file
    file="$art/$name.bmp"
    [ -f "$file" ] || file="$art/$name.ico"
    local info
    if [ "${file##*.}" = bmp ]; then
        # Depth and colour-table count as the library stores them, from the header.
        local bits used
        bits=$(od -An -tu2 -j28 -N2 "$file" | tr -d ' ')
        used=$(od -An -tu4 -j46 -N4 "$file" | tr -d ' ')
        info="$(identify -format '%wx%h' "$file"), $bits bpp"
        if [ "$bits" -le 8 ]; then
            if [ "$used" -eq 0 ]; then info+=", $((1 << bits)) colours (count 0)"; else info+=", $used colours"; fi
        fi
    else
        info="$(identify -format '%wx%h, %z bpp' "$file[0]") icon"
    fi
    "$convert" "$file[0]" -filter point -resize "$zoom%" -background '#5d6b7f' -fill white \
        -font DejaVu-Sans -pointsize 11 label:"$name  $info" -gravity center -append \
        -bordercolor '#5d6b7f' -border 8 "$work/$name-$zoom.png"
    echo "$work/$name-$zoom.png"
}

row() {  # <output> <pictures...>
    local out="$1"; shift
    "$convert" -background '#5d6b7f' "$@" -gravity south +append "$out"
}

# The main window (421 x 326 client area) as the installer lays it out: title
# strip, emblem, the window title in black, the close button, the separator,
# then a page with the page background, the side picture, black text and the
# three buttons, "Next >>" shown pressed.
page=27
"$convert" -size 421x326 xc:white \
    \( "$art/TOP.bmp" -crop 421x25+0+0 +repage \) -geometry +0+0 -composite \
    \( "$art/AIRCRAFT.bmp" -crop 35x25+0+0 +repage \) -geometry +0+0 -composite \
    -font DejaVu-Sans-Bold -pointsize 11 -fill black -annotate +32+16 'Tavrix Installer' \
    -fill '#d4d0c8' -stroke '#808080' -draw 'rectangle 398,2 420,23' -stroke none \
    -fill black -draw 'line 405,9 413,17' -draw 'line 413,9 405,17' \
    -fill '#808080' -draw 'line 0,25 420,25' -fill white -draw 'line 0,26 420,26' \
    \( "$art/QFORM.bmp" -crop 421x299+0+0 +repage \) -geometry +0+$page -composite \
    "$art/WELCOME.bmp" -geometry +10+$((page + 10)) -composite \
    -fill black -font DejaVu-Sans-Bold -pointsize 11 -annotate +134+$((page + 24)) 'Welcome to Tavrix Installer' \
    -font DejaVu-Sans -pointsize 11 \
    -annotate +134+$((page + 52)) 'This wizard installs the add-on' \
    -annotate +134+$((page + 66)) '"Tavrix Demo Twin, livery pack"' \
    -annotate +134+$((page + 80)) 'into your flight simulator.' \
    -annotate +134+$((page + 108)) 'Close all other programs before' \
    -annotate +134+$((page + 122)) 'you go on. Press Next to continue.' \
    -fill white -stroke '#7f9db9' -draw "rectangle 134,$((page + 150)) 400,$((page + 170))" -stroke none \
    -fill black -annotate +138+$((page + 164)) 'C:\\FS2000\\Aircraft\\Tavrix Demo Twin' \
    "$art/B1.bmp" -geometry +190+$((page + 262)) -composite \
    "$art/B2.bmp" -geometry +260+$((page + 262)) -composite \
    "$art/B1.bmp" -geometry +345+$((page + 262)) -composite \
    -annotate +202+$((page + 279)) '<< Back' -annotate +273+$((page + 280)) 'Next >>' \
    -annotate +358+$((page + 279)) 'Cancel' \
    -bordercolor '#2a3a52' -border 1 "$work/mockup.png"
"$convert" "$work/mockup.png" -background '#5d6b7f' -fill white -font DejaVu-Sans -pointsize 11 \
    label:'main window with the welcome page (mock-up, real size)' -gravity center -append \
    -bordercolor '#5d6b7f' -border 8 "$work/mockup-labelled.png"

row "$work/row1.png" "$work/mockup-labelled.png" "$(labelled QFORM 100)" "$(labelled WELCOME 100)" \
    "$(labelled AUTHOR 100)"
row "$work/row2.png" "$(labelled TOP 200)"
row "$work/row3.png" "$(labelled AIRCRAFT 300)" "$(labelled B1 300)" "$(labelled B2 300)" \
    "$(labelled AU 300)" "$(labelled IE 300)" "$(labelled MAPPE_HVID 300)" "$(labelled MAINICON 300)"
row "$work/row4.png" "$(labelled BV1 300)" "$(labelled BV1A 300)" "$(labelled BV2 300)" "$(labelled BV2A 300)"

mkdir -p "$(dirname "$sheet")"
"$convert" -background '#5d6b7f' "$work"/row{1,2,3,4}.png -gravity west -append "$sheet"
echo "$sheet ($(ls "$art" | wc -l) pictures read from $dist/Velskin.dll)"
# What the library carries should be, byte for byte, the committed pictures.
for f in "$art"/*; do
    cmp -s "$f" "$root/skin/art/$(basename "$f")" || echo "differs from skin/art: $(basename "$f")"
done
