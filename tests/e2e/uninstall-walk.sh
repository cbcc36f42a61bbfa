#!/usr/bin/env bash
# An add-on's whole life with real windows: installed, updated, and taken
# away again by the uninstaller its installation left in its record's folder.
# Every case compares the destination tree, each file's bytes included, with
# the tree it must be.
#
#   uninstall-walk.sh ROOT BUILD CASE
#     update   a pilot's file in the way, replaced; the newer version over
#              the older; the uninstaller: the folder as before the first
#     edited   a file changed after the installation survives the uninstall
#     two      two add-ons in the simulator's own folder: uninstalling the
#              later leaves the earlier whole, then the earlier goes too
#     cancel   a quit confirmed midway into a folder that held the pilot's
#              files, one of them replaced: the folder as it was
#     killed   the installer killed during its extraction: the uninstaller
#              removes what was written, and nothing else
#     scenery  the README's scenery example: its area in scenery.cfg with the
#              right Local, then the uninstaller: scenery.cfg byte for byte
#     virtualstore  the same with the user's VirtualStore copy of scenery.cfg,
#              which gets the area too and loses it again
#     repaint  the README's repaint example: its [fltsim.N] in the aircraft's
#              aircraft.cfg, and out again
#     gauges   a newer Kelvor.gau in the Gauges folder survives a Replace and
#              the question names it with both versions; the older Drelmo.gau
#              is replaced, and put back by the uninstaller
set -euo pipefail
root="$1" build="$2" case="$3"
here="$root/tests/e2e"
work="/dev/shm/tavrix-uninstall-$case-$$"
shots="$build/tests/e2e/uninstall-$case"

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$shots"
rm -f "$shots"/*.png
trap 'walk_cleanup; rm -rf "$work"' EXIT

simulator="$work/FS2000"
mkdir -p "$simulator"
printf 'belongs to the simulator\r\n' >"$simulator/fs2000.cfg"

walk_use_screen
walk_prepare_prefix
walk_set_simulator_path 7.0 "$simulator"

# Every file with its bytes' hash, and every folder, below the simulator.
tree() { (cd "$simulator" && find . -mindepth 1 \( -type d -printf '%p/\n' -o -type f -print \) | sort |
    while read -r entry; do
        case "$entry" in */) echo "$entry" ;; *) echo "$entry $(md5sum <"$entry" | cut -c1-32)" ;; esac
    done); }
expect_tree() {  # expected tree, what it is
    local now
    now="$(tree)"
    [ "$now" = "$1" ] || { fail "$2:"; diff <(echo "$1") <(echo "$now") >&2 || true; }
}

package_of() {  # kind -> a package folder with the program beside it
    local package="$work/package-$1"
    python3 "$here/e2e_package.py" make "$1" "$package"
    cp "$walk_dist/Corvinel.exe" "$walk_dist/Velskin.dll" "$walk_dist/UNPACK32.DLL" "$package/"
    echo "$package"
}

# One installation clicked through to Finish; a question about files in the
# way is answered with its default, Yes (replace them). The installation is
# over once its record is complete with the information file in it, written
# after this start (an earlier installation's may be there already).
install() {  # package destination title
    local record="$2/Uninstall/$3/Record.txt" marker="$work/.started-$RANDOM"
    touch "$marker"
    walk_start "$1"
    walk_to_installation no no || exit 1
    for _ in $(seq 1 600); do
        if [ "$(windows_named 'Tavrix Installer' | wc -l)" -ge 2 ]; then
            sleep 0.3
            shot "question-$3"
            # Its words, for the cases that check them (BoxText.exe is a test
            # program of tests/e2e).
            walk_wine "$build/tests/e2e/BoxText.exe" 'Tavrix Installer' >"$work/question-$3" 2>/dev/null || true
            xdotool key Return
            wait_gone "Tavrix Installer" 2 || fail "the question did not close"
        fi
        if [ -n "$(find "$record" -newer "$marker" 2>/dev/null)" ] && grep -q '^State=complete' "$record" &&
            tr -d '\r' <"$record" | grep -q ' Ostrel.txt$'; then
            sleep 0.3
            shot "done-$3"
            walk_finish
            return 0
        fi
        kill -0 "$WALK_PID" 2>/dev/null || { fail "the installer ended before its completion page"; exit 1; }
        sleep 0.1
    done
    fail "the installation of $3 did not complete"
    exit 1
}

# The uninstaller in a record's folder: its page, Uninstall, the done page,
# Finish; then its folder goes once the program has ended.
uninstall() {  # record folder, screenshot prefix
    [ -f "$1/Corvinel.exe" ] && [ -f "$1/Velskin.dll" ] || { fail "no uninstaller in $1"; return 1; }
    walk_start "$1"
    walk_main_window || return 1
    shot "$2-1-confirm"
    page_click "$WALK_MAIN" right  # Uninstall
    # The record goes last of the add-on's files: then the done page shows.
    for _ in $(seq 1 600); do
        [ -e "$1/Record.txt" ] || break
        sleep 0.1
    done
    sleep 1
    shot "$2-2-done"
    differs "$(main_area "$2-1-confirm" "$WALK_MAIN")" "$(main_area "$2-2-done" "$WALK_MAIN")" ||
        fail "Uninstall did not change the page"
    page_click "$WALK_MAIN" right  # Finish
    walk_wait_exit || fail "Finish did not end the uninstaller with 0"
    for _ in $(seq 1 600); do
        [ -e "$1" ] || return 0
        sleep 0.1
    done
    fail "the uninstaller's folder is still there a minute after it ended:"
    find "$1" >&2
}

destination="$simulator/Aircraft/Tavrix Cub Trainer"
records="$destination/Uninstall"
case "$case" in
    update)
        mkdir -p "$destination/Tavrix Cub"
        printf 'the pilot'"'"'s own aircraft.cfg\r\n' >"$destination/Tavrix Cub/aircraft.cfg"
        printf 'the pilot'"'"'s notes\r\n' >"$destination/notes.txt"
        before="$(tree)"
        install "$(package_of plain)" "$destination" "Tavrix Cub Trainer"
        cmp "$work/package-plain.source/Tavrix Cub/aircraft.cfg" "$destination/Tavrix Cub/aircraft.cfg" ||
            fail "the pilot's file was not replaced"
        newer="$(package_of newer)"
        install "$newer" "$destination" "Tavrix Cub Trainer"
        diff -r -x Ostrel.txt -x Uninstall -x notes.txt "$newer.source" "$destination" >&2 ||
            fail "the newer version's files are not what it packed"
        uninstall "$records/Tavrix Cub Trainer" update
        expect_tree "$before" "the folder is not as it was before the first installation"
        ;;
    edited)
        before="$(tree)"
        install "$(package_of plain)" "$destination" "Tavrix Cub Trainer"
        printf 'tuned by the pilot\r\n' >>"$destination/Tavrix Cub/aircraft.cfg"
        edited="$(md5sum <"$destination/Tavrix Cub/aircraft.cfg" | cut -c1-32)"
        uninstall "$records/Tavrix Cub Trainer" edited
        expect_tree "$(printf '%s\n./Aircraft/\n./Aircraft/Tavrix Cub Trainer/\n./Aircraft/Tavrix Cub Trainer/Tavrix Cub/\n./Aircraft/Tavrix Cub Trainer/Tavrix Cub/aircraft.cfg %s\n' \
            "$before" "$edited" | sed '/^$/d' | sort)" "only the edited file (and its folders) may stay"
        ;;
    two)
        before="$(tree)"
        install "$(package_of root-a)" "$simulator" "Tavrix Cub Trainer"
        with_one="$(tree)"
        install "$(package_of root-b)" "$simulator" "Tavrix Hangar"
        [ -f "$simulator/Tavrix Hangar/hangar.bgl" ] || fail "the second add-on was not installed"
        uninstall "$simulator/Uninstall/Tavrix Hangar" two-b
        expect_tree "$with_one" "uninstalling the second add-on touched the first"
        uninstall "$simulator/Uninstall/Tavrix Cub Trainer" two-a
        expect_tree "$before" "the simulator's folder is not as it was"
        ;;
    cancel)
        # A quit confirmed midway into a folder that held the pilot's files,
        # one of them in the package's way and replaced: all as it was.
        mkdir -p "$destination/Tavrix Cub"
        printf 'the pilot'"'"'s own aircraft.cfg\r\n' >"$destination/Tavrix Cub/aircraft.cfg"
        printf 'the pilot'"'"'s notes\r\n' >"$destination/notes.txt"
        before="$(tree)"
        walk_start "$(package_of large)"
        walk_to_installation no no || exit 1
        wait_named "Tavrix Installer" 2 600 || fail "no question about the file in the way"
        sleep 0.3
        shot question-replace
        xdotool key Return  # Yes: replace it
        for _ in $(seq 1 300); do
            [ "$(find "$destination/Tavrix Cub/gauges" -type f 2>/dev/null | wc -l)" -gt 20 ] && break
            sleep 0.05
        done
        page_click "$WALK_MAIN" right  # Cancel
        wait_named "Tavrix Installer" 2 || fail "Cancel did not ask during the extraction"
        xdotool key y
        walk_wait_exit 600 || fail "Yes during the extraction did not end the program with 0"
        expect_tree "$before" "the cancelled installation did not leave the folder as it was"
        ;;
    killed)
        before="$(tree)"
        walk_start "$(package_of large)"
        walk_to_installation no no || exit 1
        for _ in $(seq 1 300); do
            [ "$(find "$destination" -path "$records" -prune -o -type f -print 2>/dev/null | wc -l)" -gt 20 ] && break
            sleep 0.05
        done
        walk_wine --kill
        wait "$WALK_PID" 2>/dev/null || true
        WALK_PID=""
        [ -f "$destination/Ostrel.txt" ] && fail "the extraction was over before the kill; the test needs a larger archive"
        grep -q '^State=installing' "$records/Tavrix Cub Trainer/Record.txt" || fail "the record does not say the installation was cut short"
        uninstall "$records/Tavrix Cub Trainer" killed
        expect_tree "$before" "the uninstaller did not take back exactly what the killed installation wrote"
        ;;
    scenery | virtualstore)
        library="$simulator/scenery.cfg"
        printf '[General]\r\nTitle=FS2000 World Scenery\r\n\r\n[Area.001]\r\nTitle=Default Terrain\r\nLocal=Scenery\\World\r\nLayer=1\r\nActive=TRUE\r\nRequired=TRUE\r\n\r\n[Area.012]\r\nTitle=Addon Scenery\r\nLocal=Addon Scenery\r\nLayer=4\r\nActive=TRUE\r\nRequired=FALSE\r\n' >"$library"
        cp "$library" "$work/library-before"
        copy=""
        if [ "$case" = virtualstore ]; then
            # The user's copy, where Windows keeps it for the simulator.
            local_app_data="$(walk_wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')"
            copy="$(walk_wine winepath -u "$local_app_data" | tr -d '\r')/VirtualStore$simulator/scenery.cfg"
            mkdir -p "$(dirname "$copy")"
            trap 'walk_cleanup; rm -rf "$work" "${copy%/FS2000/scenery.cfg}"' EXIT
            printf '[Area.1]\nTitle=Default Terrain\nLocal=Scenery\\World\nLayer=1\nActive=True\nRequired=True\n' >"$copy"
            cp "$copy" "$work/copy-before"
        fi
        before="$(tree)"
        destination="$simulator/Scenery/Lakeside Airfield"
        install "$(package_of scenery)" "$destination" "Lakeside Airfield"
        [ -f "$destination/scenery/lakeside.bgl" ] || fail "the scenery's files were not installed"
        { cat "$work/library-before"; printf '\r\n[Area.013]\r\nTitle=Lakeside Airfield\r\nLocal=Scenery\\Lakeside Airfield\r\nLayer=5\r\nActive=TRUE\r\nRequired=FALSE\r\n'; } >"$work/library-expected"
        cmp "$work/library-expected" "$library" || { fail "scenery.cfg does not hold the area as expected:"; diff "$work/library-expected" "$library" >&2; }
        if [ -n "$copy" ]; then
            { cat "$work/copy-before"; printf '[Area.2]\nTitle=Lakeside Airfield\nLocal=Scenery\\Lakeside Airfield\nLayer=2\nActive=True\nRequired=False\n'; } >"$work/copy-expected"
            cmp "$work/copy-expected" "$copy" || fail "the VirtualStore copy does not hold the area"
        fi
        uninstall "$destination/Uninstall/Lakeside Airfield" "$case"
        expect_tree "$before" "scenery.cfg and the simulator's folder are not as they were"
        [ -z "$copy" ] || cmp "$work/copy-before" "$copy" || fail "the VirtualStore copy is not as it was"
        ;;
    repaint)
        aircraft="$simulator/Aircraft/Kestrel 200 Trainer"
        mkdir -p "$aircraft"
        liveries='[fltsim.0]\r\ntitle=Kestrel 200 Trainer\r\nsim=Kestrel200\r\nmodel=\r\npanel=\r\nsound=\r\ntexture=\r\n\r\n[fltsim.1]\r\ntitle=Kestrel 200 Trainer Blue\r\nsim=Kestrel200\r\nmodel=\r\npanel=\r\nsound=\r\ntexture=Blue\r\n'
        printf "$liveries"'\r\n[General]\r\natc_type=KESTREL\r\n' >"$aircraft/aircraft.cfg"
        before="$(tree)"
        install "$(package_of repaint)" "$aircraft" "Kestrel 200 Trainer Red"
        [ -f "$aircraft/texture.Red/kestrel.bmp" ] || fail "the livery's files were not installed"
        printf "$liveries"'\r\n[fltsim.2]\r\ntitle=Kestrel 200 Trainer Red\r\nsim=Kestrel200\r\nmodel=\r\npanel=\r\nsound=\r\ntexture=Red\r\n\r\n[General]\r\natc_type=KESTREL\r\n' >"$work/aircraft-expected"
        cmp "$work/aircraft-expected" "$aircraft/aircraft.cfg" || { fail "aircraft.cfg does not hold the livery as expected:"; diff "$work/aircraft-expected" "$aircraft/aircraft.cfg" >&2; }
        uninstall "$aircraft/Uninstall/Kestrel 200 Trainer Red" repaint
        expect_tree "$before" "aircraft.cfg and the aircraft's folder are not as they were"
        ;;
    gauges)
        mkdir -p "$simulator/Gauges"
        for name in Kelvor Drelmo; do python3 "$here/e2e_package.py" gauge 2 "$simulator/Gauges/$name.gau"; done
        before="$(tree)"
        package="$(package_of gauges)"
        install "$package" "$simulator" "Tavrix Gauges"
        question="$work/question-Tavrix Gauges"
        grep -qF 'Newer copies there are kept either way:\nGauges\Kelvor.gau: 2.0.0.0 there, 1.0.0.0 in this add-on' "$question" ||
            fail "the question does not name the newer gauge kept: $(cat "$question" 2>/dev/null)"
        grep -q 'Drelmo' "$question" && fail "the question names the older gauge as kept"
        cmp <(python3 "$here/e2e_package.py" gauge 2 /dev/stdout) "$simulator/Gauges/Kelvor.gau" || fail "the newer Kelvor.gau was replaced"
        cmp "$package.source/Gauges/Drelmo.gau" "$simulator/Gauges/Drelmo.gau" || fail "the older Drelmo.gau was not replaced"
        uninstall "$simulator/Uninstall/Tavrix Gauges" gauges
        expect_tree "$before" "the Gauges folder is not as it was"
        ;;
    *) echo "unknown case $case" >&2; exit 2 ;;
esac

rm -f "$shots"/.crop-*.png
[ "$walk_failures" -eq 0 ] || { echo "$walk_failures failure(s); screenshots in $shots" >&2; exit 1; }
echo "$case: passed; screenshots in $shots"
