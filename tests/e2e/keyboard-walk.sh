#!/usr/bin/env bash
# Whole installations driven by the keyboard alone (key presses on a virtual
# screen, the pointer never pressed), checked on disk afterwards.
#
#   keyboard-walk.sh ROOT BUILD CASE
#     keyboard    agreement to completion with Enter, Tab, Alt+letter and
#                 Esc; a screenshot of the focus mark on every page
#     space       the destination on a small memory disk with too little
#                 room: the box, Cancel back to the destination page with
#                 nothing extracted, then Retry once room is made
#     full-disk   a drive that fills up during the extraction although the
#                 check before it passed: the completion page says the
#                 installation is incomplete, the files that are there are
#                 whole, and the record that cannot be written is not there
#
# The last two mount a memory disk (root, and a sandbox that allows it); where
# that is refused they print why and end with 77, which the test run counts
# as skipped. Screenshots go to $TAVRIX_SHOTS_DIR, else build/tests/e2e/.
set -euo pipefail
root="$1" build="$2" case="$3"
here="$root/tests/e2e"
work="/dev/shm/tavrix-keys-$case-$$"
shots="${TAVRIX_SHOTS_DIR:-$build/tests/e2e/keyboard-$case}"
skipped=77

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$shots"
rm -f "$shots"/*.png
mounted=""
cleanup() {
    walk_cleanup
    if [ -n "$mounted" ]; then umount "$mounted" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

package="$work/package"
simulator="$work/FS2000"
destination="$simulator/Aircraft/Tavrix Cub Trainer"
case "$case" in
    keyboard) kind=licence ;;
    space) kind=roomy ;;
    full-disk) kind=crowded ;;
    *) echo "unknown case $case" >&2; exit 2 ;;
esac
mkdir -p "$simulator"
if [ "$case" != keyboard ]; then
    size=4m
    [ "$case" = full-disk ] && size=2m
    if ! mount -t tmpfs -o "size=$size" tmpfs "$simulator" 2>"$work.mount-error"; then
        echo "SKIP: cannot mount a $size memory disk for the destination: $(cat "$work.mount-error")"
        rm -f "$work.mount-error"
        exit "$skipped"
    fi
    rm -f "$work.mount-error"
    mounted="$simulator"
fi
python3 "$here/e2e_package.py" make "$kind" "$package"
cp "$walk_dist/Corvinel.exe" "$walk_dist/Velskin.dll" "$walk_dist/UNPACK32.DLL" "$package/"

# Another add-on already takes half of the small drive.
[ "$case" = space ] && head -c $((2 * 1024 * 1024)) /dev/zero >"$simulator/other-addon.bgl"

walk_use_screen
walk_prepare_prefix
walk_set_simulator_path 7.0 "$simulator"
walk_start "$package"

# The keys go to the window that has the focus, as typed keys do.
key() {
    xdotool key --delay 120 "$@"
    sleep 0.6
}

# Waits up to three seconds for a window to hold the keyboard focus; goes on
# either way (the key that follows is what the walk checks).
wait_focus() {  # window
    for _ in $(seq 1 30); do
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
        sleep 0.1
    done
    return 0
}

# A picture of one button of the page area, to tell whether it changed.
button_area() {  # shot name, page x -> crop of the 64 x 25 button at the bottom
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
    convert "$shots/$1.png" -crop "64x25+$((X + 1 + $2))+$((Y + 1 + 27 + 264))" +repage "$shots/.crop-$1-$2.png"
    echo "$shots/.crop-$1-$2.png"
}
# Width of the completion page's heading as drawn (text darker than the page).
heading_width() {  # shot name
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
    convert "$shots/$1.png" -crop "280x24+$((X + 1 + 128))+$((Y + 1 + 27 + 22))" +repage \
        -colorspace Gray -threshold 50% -negate -trim -format '%w' info: 2>/dev/null
}
# A screenshot of the page a key moved to. On a loaded machine the new page
# can paint after the first picture, so the picture is taken again, for up to
# five seconds, until the window differs from the page before.
shot_of_next_page() {  # shot name, shot of the page before
    for _ in $(seq 1 10); do
        shot "$1" >/dev/null
        if differs "$(main_area "$2" "$WALK_MAIN")" "$(main_area "$1" "$WALK_MAIN")"; then
            echo "saved $shots/$1.png"
            return 0
        fi
        sleep 0.5
    done
    return 1
}
boxes_up() { [ "$(windows_named 'Tavrix Installer' | wc -l)" -ge 2 ]; }
# The box is told from the main window by its id: another box may follow
# it at once under the same title.
answer_box() {  # key, screenshot name
    wait_named "Tavrix Installer" 2 || { fail "no box came before $2"; return 1; }
    local box
    box="$(windows_named 'Tavrix Installer' | grep -vx "$WALK_MAIN" | head -1)"
    sleep 0.4
    shot "$2"
    key "$1"
    for _ in $(seq 1 100); do
        windows_named 'Tavrix Installer' | grep -qx "$box" || return 0
        sleep 0.1
    done
    fail "the box before $2 did not close with $1"
}

# A first start in a fresh prefix on a busy machine can take a while.
wait_named "Tavrix Installer" 1 600 || { fail "the main window did not come"; exit 1; }
WALK_MAIN="$(windows_named 'Tavrix Installer' | head -1)"
sleep 1

if [ "$case" = keyboard ]; then
    shot 01-agreement-focus  # the mark on Accept
    key alt+u
    if wait_named "Author(s)"; then
        sleep 0.4
        shot 02-authors-focus
        # On a loaded machine Wine may give a new dialog the keyboard late,
        # and a key pressed before goes to the page behind it. So Esc waits
        # for the dialog to hold the focus, and is pressed again (twice at
        # most) while the dialog stays; it must still be Esc that closes it.
        authors="$(windows_named 'Author(s)' | head -1)"
        for _ in 1 2 3; do
            wait_focus "$authors"
            key Escape
            wait_gone "Author(s)" 1 && break
        done
        [ "$(windows_named 'Author(s)' | wc -l)" -eq 0 ] || fail "Esc did not close the authors dialog"
        wait_focus "$WALK_MAIN"
    else
        fail "Alt+U did not open the authors dialog"
    fi
    key Tab  # to Cancel
    shot 03-agreement-tab
    differs "$(button_area 01-agreement-focus 272)" "$(button_area 03-agreement-tab 272)" ||
        fail "Tab did not take the mark off Accept"
    differs "$(button_area 01-agreement-focus 344)" "$(button_area 03-agreement-tab 344)" ||
        fail "Tab did not put the mark on Cancel"
    key shift+Tab
    key Return  # Accept
    shot_of_next_page 04-welcome-focus 01-agreement-focus || fail "Enter did not accept the agreement"
    key alt+n
    shot_of_next_page 05-destination-focus 04-welcome-focus || fail "Alt+N did not leave the welcome page"
    key Tab  # into the folder box
    shot 06-destination-edit-focus
    differs "$(button_area 05-destination-focus 344)" "$(button_area 06-destination-edit-focus 344)" ||
        fail "no focus mark on Next, or Tab did not move it"
    key Tab Tab Tab Tab  # Browse, Cancel, Back, Next
    shot 07-destination-next-again
    differs "$(button_area 05-destination-focus 344)" "$(button_area 07-destination-next-again 344)" &&
        fail "Tab did not come round to Next"
    key Return
    shot 08-ready-focus
    [ -d "$destination" ] || fail "Enter on the destination page did not make the folder"
    key Return
    shot 09-installing-focus  # the mark on Cancel, the page's only button
else
    key Return  # Next on the welcome page (no licence in this package)
    key Return  # Next on the destination page
    key Return  # Next on the ready page: the check before the extraction
fi

files_in() { find "$1" -path "$1/Uninstall" -prune -o -type f -print 2>/dev/null | wc -l; }
total_files="$(find "$package.source" -type f | wc -l)"

if [ "$case" = space ]; then
    answer_box Escape 10-not-enough-space || exit 1
    [ "$(files_in "$destination")" -eq 0 ] || fail "files were extracted although there was no room"
    shot 11-back-at-destination
    key Return  # Next: ready
    key Return  # Next: installation, the check again
    wait_named "Tavrix Installer" 2 || fail "the check did not ask again"
    rm -f "$simulator/other-addon.bgl"
    key Return  # Retry
    wait_gone "Tavrix Installer" 2 || fail "Retry did not close the box"
fi

if [ "$case" = full-disk ]; then
    # A warning about the files that did not fit, the completion page, then
    # the report that the record could not be written either.
    answer_box Return 10-files-not-written || exit 1
    answer_box Return 11-record-not-written || exit 1
    sleep 0.3
    shot 12-incomplete
    [ -e "$destination/Ostrel.txt" ] && fail "a record was left on a full drive"
    [ -e "$destination/Ostrel.txt.new" ] && fail "a partial record was left on a full drive"
    installed="$(files_in "$destination")"
    [ "$installed" -gt 0 ] && [ "$installed" -lt "$total_files" ] ||
        fail "expected some of the $total_files files to fit, found $installed"
    while IFS= read -r -d '' file; do
        relative="${file#"$destination"/}"
        cmp -s "$file" "$package.source/$relative" || fail "half-written or foreign file: $relative"
    done < <(find "$destination" -path "$destination/Uninstall" -prune -o -type f -print0)
    width="$(heading_width 12-incomplete)"
    # "Installation complete" is about 170 pixels wide in this font;
    # "Installation incomplete" about 15 more.
    echo "completion heading: $width pixels wide; $installed of $total_files files installed, each whole"
    [ "${width:-0}" -gt 180 ] || fail "the completion page does not say the installation is incomplete"
    key Return  # Finish
    walk_wait_exit || fail "Finish did not end the program with 0"
else
    for _ in $(seq 1 600); do
        [ -f "$destination/Ostrel.txt" ] && break
        boxes_up && { shot 10-unexpected-box; fail "a box came during the installation"; key Return; }
        sleep 0.1
    done
    [ -f "$destination/Ostrel.txt" ] || { fail "the installation did not complete"; exit 1; }
    sleep 0.5
    shot 12-complete-focus  # the mark on Finish
    width="$(heading_width 12-complete-focus)"
    echo "completion heading: $width pixels wide"
    [ "${width:-0}" -le 180 ] || fail "the completion page does not say the installation is complete"
    diff -r -x Ostrel.txt -x Uninstall "$package.source" "$destination" >&2 || fail "installed files differ from the packed ones"
    compgen -G "$destination/Uninstall/*/Record.txt" >/dev/null || fail "no installation record in $destination/Uninstall"
    python3 "$here/e2e_package.py" ostrel "$package/Ostrel.ini" "$shots/expected-Ostrel.txt"
    cmp "$shots/expected-Ostrel.txt" "$destination/Ostrel.txt" >&2 || fail "Ostrel.txt differs from the expected bytes"
    key Return  # Finish
    walk_wait_exit || fail "Enter on the completion page did not end the program with 0"
fi

rm -f "$shots"/.crop-*.png
[ "$walk_failures" -eq 0 ] || { echo "$walk_failures failure(s); screenshots in $shots" >&2; exit 1; }
echo "$case: passed; screenshots in $shots"
