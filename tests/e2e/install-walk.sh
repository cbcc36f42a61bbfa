#!/usr/bin/env bash
# One whole installation, driven by real pointer clicks on a virtual screen,
# checked on disk afterwards.
#
#   install-walk.sh ROOT BUILD CASE
#     licence     package with licence and splash
#     plain       package without either
#     hostile     archive with names that leave the folder: the good files are
#                 installed, a warning comes, nothing is written outside
#     cancel-no   Cancel during a long extraction, answered No: it completes
#     cancel-yes  answered Yes: the program ends, only whole files remain
#
# Every case: a fresh simulator folder; the installed files byte for byte
# equal to the packed ones; Ostrel.txt byte for byte; nothing written outside
# the destination folder (nor into the package folder, nor into the Wine
# drive); the program ends with 0.
set -euo pipefail
root="$1" build="$2" case="$3"
here="$root/tests/e2e"
work="/dev/shm/tavrix-e2e-$case-$$"
shots="$build/tests/e2e/$case"
prefix="$build/wineprefix-x11"

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$shots"
rm -f "$shots"/*.png
trap 'walk_cleanup; rm -rf "$work"' EXIT

package="$work/package"
simulator="$work/FS2000"
destination="$simulator/Aircraft/Tavrix Cub Trainer"
case "$case" in
    licence | hostile) kind="$case" licence=yes splash=yes ;;
    plain) kind=plain licence=no splash=no ;;
    cancel-no | cancel-yes) kind=large licence=no splash=no ;;
    *) echo "unknown case $case" >&2; exit 2 ;;
esac
python3 "$here/e2e_package.py" make "$kind" "$package"
cp "$walk_dist/Corvinel.exe" "$walk_dist/Velskin.dll" "$walk_dist/UNPACK32.DLL" "$package/"
mkdir -p "$simulator"
printf 'belongs to the simulator\r\n' >"$simulator/fs2000.cfg"

walk_use_screen
walk_prepare_prefix
walk_set_simulator_path 7.0 "$simulator"
absolute_targets=()
while read -r target; do
    case "$target" in /*) absolute_targets+=("$target") ;; *) absolute_targets+=("$prefix/$target") ;; esac
done < <(python3 "$here/e2e_package.py" absolute-targets)
rm -f "${absolute_targets[@]}"

# Every file and folder of the work area and of the Wine drive, except the
# destination's own subtree and the system folder Wine keeps for itself.
snapshot() {
    {
        find "$work" -path "$destination" -prune -o -type f -printf 'work %P %s %T@\n' -o -type d -printf 'work %P/\n'
        find "$prefix/drive_c" -path "$prefix/drive_c/windows" -prune -o -type f -printf 'drive %P %s %T@\n' \
            -o -type d -printf 'drive %P/\n'
    } | sort
}
before="$(snapshot)"

walk_start "$package"
walk_to_installation "$licence" "$splash" || exit 1

files_in() { find "$1" -path "$1/Uninstall" -prune -o -type f -print 2>/dev/null | wc -l; }
total_files="$(find "$package.source" -type f | wc -l)"
case "$case" in
    cancel-*)
        # Cancel sits where Next was; pressed as soon as the first file is
        # being written, while the rest of the archive is still to come.
        for _ in $(seq 1 300); do
            [ "$(files_in "$destination")" -gt 0 ] && break
            sleep 0.05
        done
        xdotool click 1
        wait_named "Tavrix Installer" 2 || fail "Cancel did not ask during the extraction"
        sleep 0.3
        shot 07-quit-question
        if [ -f "$destination/Ostrel.txt" ] || [ "$(files_in "$destination")" -ge "$total_files" ]; then
            fail "the extraction was over before Cancel was pressed; the test needs a larger archive"
        fi
        ;;
esac

if [ "$case" = cancel-yes ]; then
    xdotool key y
    walk_wait_exit 300 || fail "Yes during the extraction did not end the program with 0"
    # Everything the installation did is taken back: the destination and the
    # folders the destination page made for it are gone again.
    if [ -e "$destination" ]; then
        fail "the cancelled installation left $(find "$destination" | wc -l) entries behind:"
        find "$destination" >&2
    fi
    echo "cancelled: the destination is as it was before"
else
    [ "$case" = cancel-no ] && { xdotool key n; wait_gone "Tavrix Installer" 2 || fail "No did not close the question"; }
    walk_until_complete "$destination" || exit 1
    if [ "$case" = hostile ]; then
        [ "$WALK_WARNINGS" -eq 1 ] || fail "expected one warning about the refused names, saw $WALK_WARNINGS"
    else
        [ "$WALK_WARNINGS" -eq 0 ] || fail "a warning came during a clean installation"
    fi
    sleep 0.5  # Ostrel.txt is written in one piece, but let its handle close
    diff -r -x Ostrel.txt -x Uninstall "$package.source" "$destination" >&2 || fail "installed files differ from the packed ones"
    compgen -G "$destination/Uninstall/*/Record.txt" >/dev/null || fail "no installation record in $destination/Uninstall"
    python3 "$here/e2e_package.py" ostrel "$package/Ostrel.ini" "$shots/expected-Ostrel.txt"
    cmp "$shots/expected-Ostrel.txt" "$destination/Ostrel.txt" >&2 || fail "Ostrel.txt differs from the expected bytes"
    walk_finish
fi

after="$(snapshot)"
# The folders leading to the destination are made by the destination page;
# a cancel takes them back too.
if [ "$case" = cancel-yes ]; then
    expected_after="$before"
else
    expected_after="$(printf '%s\nwork FS2000/Aircraft/\n' "$before" | sort)"
fi
if [ "$after" != "$expected_after" ]; then
    fail "written outside the destination folder:"
    diff <(echo "$expected_after") <(echo "$after") >&2 || true
fi
for target in "${absolute_targets[@]}"; do
    [ -e "$target" ] && { fail "written at an absolute path: $target"; rm -f "$target"; }
done

rm -f "$shots"/.crop-*.png
[ "$walk_failures" -eq 0 ] || { echo "$walk_failures failure(s); screenshots in $shots" >&2; exit 1; }
echo "$case: passed; screenshots in $shots"
