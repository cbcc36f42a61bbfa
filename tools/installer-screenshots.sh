#!/usr/bin/env bash
# Walks the installer on the sample package with real windows on a virtual
# screen and real pointer clicks, and saves a screenshot of every window in
# build/screenshots/; then the self-extractor's dialog on the same archive;
# then the keyboard walks of tests/e2e, whose pictures (the focus mark on
# every page, an incomplete installation) go to build/screenshots/keyboard/
# and build/screenshots/full-disk/; then an installation from floppy disks,
# each "Please insert ..." prompt answered by changing the disk
# (tests/e2e/three-disk-walk.sh), into build/screenshots/three-disks/. Fails
# when a window or a prompt does not come, a click does not move the wizard,
# an installed tree differs from its package, or the program does not end
# when asked.
#
#   tools/installer-screenshots.sh             builds the Windows side first
#   tools/installer-screenshots.sh --no-build  uses what is built
#
# Uses $DISPLAY when it is set (tools/test.sh gives a private Xvfb), else
# starts an Xvfb of its own.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
out="$root/build/screenshots"

[ "${1:-}" = "--no-build" ] || TAVRIX_SKIP_NATIVE=1 "$root/tools/build.sh" >/dev/null

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$out"
rm -rf "$out"
mkdir -p "$out"
walk_use_screen

# The package: the sample files, the program, the skin, a splash picture and
# an archive. The real skin when it is built, else the tests' stand-in.
package="$out/package"
mkdir -p "$package"
cp "$root/tools/sample-package/Ostrel.ini" "$root/tools/sample-package/licens.qzt" "$package/"
cp "$walk_dist/Corvinel.exe" "$package/"
cp "$walk_dist/UNPACK32.DLL" "$package/"  # the installation page loads it at start-up
if [ -f "$walk_dist/Velskin.dll" ]; then
    cp "$walk_dist/Velskin.dll" "$package/"
else
    cp "$build/tests/installer/skin-complete/Velskin.dll" "$package/"
fi
convert -size 360x220 gradient:'#1d3f73-#8fb3e0' -fill white -font DejaVu-Sans-Bold -pointsize 26 \
    -gravity center -annotate +0-10 'Kestrel 200 Trainer' -pointsize 13 -annotate +0+24 'for Flight Simulator 2000' \
    -type TrueColor BMP3:"$package/splash.bmp"
(cd "$package" && printf 'Kestrel 200 Trainer\r\n' >readme.txt && zip -q Setup.qzp readme.txt && rm readme.txt)

walk_prepare_prefix

# The simulator this package names, installed in a folder of the walk's own.
simulator="$out/FS2000"
mkdir -p "$simulator"
walk_set_simulator_path 7.0 "$simulator"

# Started from another folder: the program finds its package and its skin
# beside itself, not in the current folder.
walk_start "$package" "$out"

walk_expect_splash
walk_main_window || exit 1
main="$WALK_MAIN"
shot 02-agreement

# The context menu of the main window, and its About item, before any other
# dialog: a right click that lands while the main window is being enabled
# again after a modal loop is lost, and a menu opened in that moment can be
# closed again by the late activation. Each try first left-clicks the page's
# note, as a pilot's first click would, so the window is active before the
# menu opens; the first three tries then right-click, the last two ask with
# Shift+F10 (on a loaded machine right clicks have all been lost). Each waits
# up to six seconds for a menu and three for the about box.
context_menu() {  # how -> menu, menu_x, menu_y
    local X Y WIDTH HEIGHT SCREEN WINDOW window geometry
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + WIDTH + 40)) $((Y + 40))
    sleep 0.3
    xdotool mousemove $((X + 201)) $((Y + 41))
    sleep 0.3
    xdotool click 1
    sleep 0.7
    if [ "$1" = keyboard ]; then
        xdotool key shift+F10
    else
        xdotool mousedown 3
        sleep 0.2
        xdotool mouseup 3
    fi
    for _ in $(seq 1 60); do
        for window in $(xdotool search --onlyvisible --class corvinel 2>/dev/null || true); do
            [ "$window" != "$main" ] && [ -z "$(xdotool getwindowname "$window" 2>/dev/null)" ] || continue
            # A window that is gone by now was not the menu, or a menu
            # already closed again.
            geometry="$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
            eval "$geometry"
            menu="$window" menu_x="$X" menu_y="$Y"
            return 0
        done
        sleep 0.1
    done
    return 1
}
screen_for_the_log() {
    local X Y WIDTH HEIGHT SCREEN WINDOW window geometry
    for window in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
        geometry="$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
        eval "$geometry"
        echo "  window $window '$(xdotool getwindowname "$window" 2>/dev/null)' at $X,$Y ${WIDTH}x$HEIGHT"
    done
    eval "$(xdotool getmouselocation --shell)"
    echo "  pointer at $X,$Y; main window $main"
}
menu_opened=""
about_opened=""
for how in pointer pointer pointer keyboard keyboard; do
    menu=""
    context_menu "$how" || continue
    if [ -z "$menu_opened" ]; then
        sleep 0.3
        shot 03-context-menu
        menu_opened=1
    fi
    xdotool mousemove $((menu_x + 20)) $((menu_y + 10))
    sleep 0.3
    xdotool click 1
    if wait_named "About Tavrix Installer" 1 30; then
        about_opened=1
        break
    fi
    # A menu still open would take the next click; Esc on the page itself
    # would press its Cancel, so only an open menu gets one.
    if xdotool search --onlyvisible --class corvinel 2>/dev/null | grep -qx "$menu"; then
        xdotool key Escape
    fi
done
if [ -z "$menu_opened" ]; then
    screen_for_the_log
    shot 03-no-context-menu
    fail "neither a right click nor Shift+F10 opened the context menu"
    xdotool key Escape  # in case it opens late
fi
if [ -n "$about_opened" ] || wait_named "About Tavrix Installer"; then
    sleep 0.5
    shot 04-about
    about="$(windows_named 'About Tavrix Installer' | head -1)"
    click_at "$about" 229 140  # OK
    wait_gone "About Tavrix Installer" 1 || fail "the about box did not close"
else
    fail "the context menu did not open the about box"
fi

page_click "$main" left  # Author(s)
if wait_named "Author(s)"; then
    sleep 0.5
    shot 05-authors
    dialog="$(windows_named 'Author(s)' | head -1)"
    click_at "$dialog" 344 205  # OK
    wait_gone "Author(s)" 1 || fail "the authors dialog did not close"
else
    fail "Author(s) did not open the authors dialog"
fi

shot 06-agreement-again
page_click "$main" middle  # Accept
shot 07-welcome
differs "$(main_area 06-agreement-again "$main")" "$(main_area 07-welcome "$main")" || fail "Accept did not show the welcome page"
page_click "$main" right  # Next
shot 08-destination
page_click "$main" right  # Next
shot 09-ready
differs "$(main_area 08-destination "$main")" "$(main_area 09-ready "$main")" || fail "Next did not show the ready page"
[ -d "$simulator/Aircraft/Kestrel 200 Trainer" ] ||
    fail "Next did not create the proposed folder under the simulator's"
for page in ready destination welcome; do
    page_click "$main" middle  # << Back
done
shot 10-back-at-agreement
differs "$(main_area 06-agreement-again "$main")" "$(main_area 10-back-at-agreement "$main")" &&
    fail "Back three times did not return to the agreement page as it was"

click_at "$main" 409 13  # the title bar's close button
if wait_named "Tavrix Installer" 2; then
    sleep 0.5
    shot 11-quit-confirmation
    xdotool key n
    wait_gone "Tavrix Installer" 2 || fail "No did not close the question"
    sleep 0.5
    [ -n "$(windows_named 'Tavrix Installer')" ] || fail "No ended the program"
    page_click "$main" right  # Cancel
    wait_named "Tavrix Installer" 2 || fail "Cancel did not ask"
    xdotool key y
else
    fail "the close button did not ask before quitting"
fi
walk_wait_exit || fail "Yes did not end the program with 0"

# The self-extractor's dialog: the same package archive behind PACKSFX.BIN
# and a settings block (caption, folder, the file list), its offsets moved
# for the prefix by zip -A, as the component's ConvertSFX would.
sfx="$out/sfx"
mkdir -p "$sfx"
python3 - "$sfx/block.bin" "$(wine_path "$out/FS2000/Aircraft/Kestrel 200 Trainer")" <<'PY'
import sys
# No command after extraction: a program it started would come up over the
# report box and take the key meant for it.
caption, folder, command = b"Kestrel 200 Trainer", sys.argv[2].encode(), b""
options = 0x02  # ask for the files
body = b"MPU" + bytes([options, len(caption), len(folder), len(command)]) + caption + folder + command
open(sys.argv[1], "wb").write(body + bytes(256 - len(body)))
PY
cat "$walk_dist/PACKSFX.BIN" "$sfx/block.bin" "$package/Setup.qzp" >"$sfx/Setup.exe"
zip -qA "$sfx/Setup.exe"
(cd "$sfx" && exec "$walk_root/cmake/wine-run.sh" "$sfx/Setup.exe") &
WALK_PID=$!
if wait_named "Kestrel 200 Trainer"; then
    sleep 1
    shot 12-self-extractor
    xdotool key Return
    if wait_named "Kestrel 200 Trainer" 2 300; then
        sleep 0.5
        shot 13-self-extractor-done
        xdotool key Return
    else
        fail "the self-extractor gave no report"
    fi
    walk_wait_exit || fail "the self-extractor did not end with 0"
else
    fail "the self-extractor's dialog did not come"
fi

# The focus mark on every page, walked with the keyboard alone, and the
# completion page of an installation whose drive filled up.
for walk in keyboard full-disk; do
    status=0
    TAVRIX_SHOTS_DIR="$out/$walk" bash "$root/tests/e2e/keyboard-walk.sh" "$root" "$build" "$walk" || status=$?
    case "$status" in
        0) ;;
        77) echo "no $walk pictures: the walk was skipped" ;;
        *) fail "the $walk walk failed" ;;
    esac
done

# A package on three disks: the start, every prompt for a disk, the page while
# it extracts, the completion page.
status=0
TAVRIX_SHOTS_DIR="$out/three-disks" bash "$root/tests/e2e/three-disk-walk.sh" "$root" "$build" || status=$?
case "$status" in
    0) ;;
    77) echo "no three-disk pictures: the walk was skipped" ;;
    *) fail "the three-disk walk failed" ;;
esac

rm -f "$out"/.crop-*.png
if [ "$walk_failures" -ne 0 ]; then
    echo "$walk_failures failure(s); screenshots in $out" >&2
    exit 1
fi
echo "walk passed; screenshots in $out"
