#!/usr/bin/env bash
# Self-extractors made by the component with the built stub, at work under
# Wine.
#
#   sfx-walk.sh ROOT BUILD silent   unzip and 7z accept the .exe; /auto FOLDER
#                                   extracts the tree whole; each overwrite mode
#                                   against existing files; a cut-off, a damaged
#                                   and a hostile archive; no settings block
#   sfx-walk.sh ROOT BUILD dialog   the window on a virtual screen: extraction,
#                                   the replace question, every row shown, a
#                                   cut-off file, the usage (screenshots in
#                                   BUILD/tests/sfx/screenshots)
set -euo pipefail
root="$1" build="$2" case="$3"
here="$root/tests/sfx"
work="/dev/shm/tavrix-sfx-$case-$$"
shots="$build/tests/sfx/screenshots"
convert_tool="$build/tests/sfx/sfx_convert.exe"

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$shots"
trap 'walk_cleanup; rm -rf "$work"' EXIT
stub="$walk_dist/PACKSFX.BIN"
[ -f "$stub" ] || { echo "no stub at $stub" >&2; exit 1; }
mkdir -p "$work"

# Makes OUT.exe from an archive with the component (sfx_convert), options after.
make_sfx() {  # archive.zip options...
    local archive="$1"
    shift
    walk_wine "$convert_tool" sfx "$(wine_path "$archive")" "$(wine_path "$stub")" "$@" >"$work/convert.log" 2>&1 ||
        { cat "$work/convert.log" >&2; fail "the component did not convert $(basename "$archive")"; return 1; }
}
# Runs a self-extractor silently; its exit code.
run_auto() {  # exe folder
    local status=0
    walk_wine "$1" /auto "$(wine_path "$2")" 2>"$work/auto.err" || status=$?
    return "$status"
}

source_tree="$work/source"
python3 "$here/sfx_files.py" tree "$source_tree"
(cd "$source_tree" && zip -qr -X "$work/Setup.zip" readme.txt Aircraft Scenery)

if [ "$case" = silent ]; then
    walk_wine --boot-only
    cp "$work/Setup.zip" "$work/Plain.zip"
    make_sfx "$work/Setup.zip" --caption "Kestrel 200 Trainer" || exit 1
    exe="$work/Setup.exe"
    [ -f "$exe" ] && [ ! -f "$work/Setup.zip" ] || fail "ConvertSFX did not replace Setup.zip by Setup.exe"
    echo "self-extractor: $(stat -c %s "$exe") bytes, stub $(stat -c %s "$stub") bytes"

    unzip -tq "$exe" >"$work/unzip.log" 2>&1 || { cat "$work/unzip.log" >&2; fail "unzip -t refused the .exe"; }
    grep -qi "warning" "$work/unzip.log" && { cat "$work/unzip.log" >&2; fail "unzip warned about the .exe's offsets"; }
    if command -v 7z >/dev/null; then
        7z t "$exe" >"$work/7z.log" 2>&1 || { cat "$work/7z.log" >&2; fail "7z t refused the .exe"; }
    else
        echo "SKIPPED 7z t: 7z is not installed (tools/install-deps.sh installs p7zip-full)"
    fi

    # Whole tree into a folder that does not exist yet (nor its parent).
    run_auto "$exe" "$work/out/fresh" || fail "/auto into a fresh folder failed: $(cat "$work/auto.err")"
    diff -r "$source_tree" "$work/out/fresh" >&2 || fail "the extracted tree differs from the source"

    # Existing files: the block's mode decides; nobody can be asked, so the
    # default (confirm) keeps them.
    prepare_existing() {
        rm -rf "$work/out/existing"
        mkdir -p "$work/out/existing/Aircraft/Kestrel 200"
        printf 'mine\r\n' >"$work/out/existing/readme.txt"
        printf 'mine too\r\n' >"$work/out/existing/Aircraft/Kestrel 200/aircraft.cfg"
    }
    check_existing() {  # kept|replaced label
        local readme
        readme="$(cat "$work/out/existing/readme.txt")"
        if [ "$1" = kept ]; then
            [ "$readme" = $'mine\r' ] || fail "$2: an existing file was replaced"
        else
            cmp -s "$work/out/existing/readme.txt" "$source_tree/readme.txt" || fail "$2: an existing file was kept"
        fi
        cmp -s "$work/out/existing/Scenery/airfield.bgl" "$source_tree/Scenery/airfield.bgl" ||
            fail "$2: a new file was not extracted"
    }
    prepare_existing
    run_auto "$exe" "$work/out/existing" || fail "/auto with existing files failed: $(cat "$work/auto.err")"
    check_existing kept "confirm (silent)"
    for mode in always never; do
        cp "$work/Plain.zip" "$work/Mode-$mode.zip"
        make_sfx "$work/Mode-$mode.zip" --mode "$mode" || continue
        prepare_existing
        run_auto "$work/Mode-$mode.exe" "$work/out/existing" || fail "/auto in mode $mode failed"
        [ "$mode" = always ] && check_existing replaced "$mode" || check_existing kept "$mode"
    done

    # A download cut short: refused with a reason, nothing written.
    head -c -100 "$exe" >"$work/Cut.exe"
    if run_auto "$work/Cut.exe" "$work/out/cut"; then fail "a cut-off .exe reported success"; fi
    grep -q "incomplete" "$work/auto.err" || fail "the cut-off .exe did not say why: $(cat "$work/auto.err")"
    [ -e "$work/out/cut" ] && fail "the cut-off .exe wrote $(find "$work/out/cut" | wc -l) paths"
    head -c "$(($(stat -c %s "$stub") - 300))" "$exe" >"$work/Stub-cut.exe"
    if run_auto "$work/Stub-cut.exe" "$work/out/cut"; then fail "an .exe cut inside the stub reported success"; fi
    [ -e "$work/out/cut" ] && fail "the .exe cut inside the stub wrote something"

    # Damaged data: found before the first file is written.
    cp "$work/Plain.zip" "$work/Damaged.zip"
    python3 "$here/sfx_files.py" damage "$work/Damaged.zip"
    make_sfx "$work/Damaged.zip"
    if run_auto "$work/Damaged.exe" "$work/out/damaged"; then fail "a damaged archive reported success"; fi
    grep -q "damaged" "$work/auto.err" || fail "the damaged archive did not say why: $(cat "$work/auto.err")"
    [ -e "$work/out/damaged" ] && fail "the damaged archive wrote something"

    # Hostile names: the good file lands, nothing outside the folder.
    prefix="$(walk_wine --boot-only >/dev/null; echo "${TAVRIX_WINEPREFIX:-$build/wineprefix-null}")"
    targets=()
    while read -r target; do
        case "$target" in /*) targets+=("$target") ;; *) targets+=("$prefix/$target") ;; esac
    done < <(python3 "$here/sfx_files.py" absolute-targets)
    rm -f "${targets[@]}"
    python3 "$here/sfx_files.py" hostile "$work/Hostile.zip"
    make_sfx "$work/Hostile.zip"
    mkdir -p "$work/jail/inside"
    before="$(find "$work" -path "$work/jail/inside" -prune -o -print | sort)"
    if run_auto "$work/Hostile.exe" "$work/jail/inside/out"; then fail "refused names were not reported"; fi
    [ "$(cat "$work/jail/inside/out/good.txt")" = $'good\r' ] || fail "the good file of the hostile archive is missing"
    [ "$(find "$work/jail/inside/out" -type f | wc -l)" -eq 1 ] || fail "more than the good file was written"
    after="$(find "$work" -path "$work/jail/inside" -prune -o -print | sort)"
    [ "$before" = "$after" ] || { fail "written outside the folder:"; diff <(echo "$before") <(echo "$after") >&2; }
    for target in "${targets[@]}"; do [ -e "$target" ] && { fail "written at $target"; rm -f "$target"; }; done

    # No settings block at all: the stub and a moved archive (zip -A).
    cat "$stub" "$work/Plain.zip" >"$work/Bare.exe"
    zip -qA "$work/Bare.exe"
    run_auto "$work/Bare.exe" "$work/out/bare" || fail "a stub without settings block failed: $(cat "$work/auto.err")"
    diff -r "$source_tree" "$work/out/bare" >&2 || fail "the tree from the block-less .exe differs"

    # Add with ZipFileName New.EXE: the stub first, then the packing engine
    # adds the files; a working self-extractor.
    (cd "$source_tree" && walk_wine "$convert_tool" new "$(wine_path "$work/New.EXE")" "$(wine_path "$stub")" \
        "$(wine_path "$walk_dist")" '*.*' >"$work/convert.log" 2>&1) ||
        { cat "$work/convert.log" >&2; fail "the creation form and the packing engine made no .EXE"; }
    unzip -tq "$work/New.EXE" >/dev/null 2>&1 || fail "unzip -t refused the .EXE filled by the engine"
    run_auto "$work/New.EXE" "$work/out/new" || fail "the .EXE filled by the engine failed: $(cat "$work/auto.err")"
    diff -r "$source_tree" "$work/out/new" >&2 || fail "the tree from the .EXE filled by the engine differs"

    # Back to an archive: the same entries and data.
    cp "$work/Plain.zip" "$work/Round.zip"
    make_sfx "$work/Round.zip" --caption "Round trip"
    walk_wine "$convert_tool" unsfx "$(wine_path "$work/Round.exe")" >"$work/convert.log" 2>&1 || fail "ConvertZIP failed"
    cmp -s "$work/Round.zip" "$work/Plain.zip" || fail "ConvertSFX then ConvertZIP did not give the archive back"
fi

if [ "$case" = dialog ]; then
    walk_use_screen
    walk_prepare_prefix
    start_exe() {  # exe [args]
        (cd "$work" && exec "$root/cmake/wine-run.sh" "$@") &
        WALK_PID=$!
    }
    caption="Kestrel 200 Trainer"
    out="$work/dialog-out"
    make_sfx "$work/Setup.zip" --caption "$caption" --dir "$(wine_path "$out")" || exit 1

    # Extract with the defaults: Return presses Extract.
    start_exe "$work/Setup.exe"
    wait_named "$caption" || { fail "the dialog did not come"; exit 1; }
    sleep 1
    shot sfx-01-dialog
    xdotool key Return
    wait_named "$caption" 2 300 || fail "no report after the extraction"
    sleep 0.5
    shot sfx-02-done
    xdotool key Return
    walk_wait_exit 100 || fail "the dialog did not end with 0 after extracting"
    diff -r "$source_tree" "$out" >&2 || fail "the tree extracted through the dialog differs"

    # Again into the same folder, one file changed: asked before replacing.
    printf 'changed\r\n' >"$out/readme.txt"
    printf 'changed\r\n' >"$out/Scenery/airfield.bgl"
    start_exe "$work/Setup.exe"
    wait_named "$caption" || fail "the dialog did not come again"
    sleep 1
    xdotool key Return
    # Six files exist: Yes for readme.txt (asked first), No for the five
    # others; then the report.
    asked=0
    for answer in y n n n n n; do
        wait_named "$caption" 2 100 || break
        sleep 0.5
        asked=$((asked + 1))
        [ "$asked" = 1 ] && shot sfx-03-replace
        xdotool key "$answer"
        wait_gone "$caption" 2 || true
    done
    wait_named "$caption" 2 100 && { sleep 0.3; xdotool key Return; }
    walk_wait_exit 100 || fail "the dialog did not end with 0 after the questions"
    [ "$asked" = 6 ] || fail "six existing files, $asked questions"
    cmp -s "$out/readme.txt" "$source_tree/readme.txt" || fail "Yes did not replace readme.txt"
    [ "$(cat "$out/Scenery/airfield.bgl")" = $'changed\r' ] || fail "No replaced airfield.bgl"

    # Every row: the file list, the overwrite box, the command to run.
    cp "$work/Setup.exe" "$work/Setup-kept.exe"
    (cd "$source_tree" && zip -qr -X "$work/Full.zip" readme.txt Aircraft Scenery)
    make_sfx "$work/Full.zip" --caption "$caption (all options)" --dir "$(wine_path "$work/full-out")" \
        --command "notepad.exe readme.txt" --options $((1 | 2 | 16)) || exit 1
    start_exe "$work/Full.exe"
    wait_named "$caption (all options)" || fail "the dialog with every row did not come"
    sleep 1
    shot sfx-04-all-rows
    xdotool key Escape
    walk_wait_exit 100 && fail "Cancel ended with 0"
    [ -e "$work/full-out" ] && fail "Cancel wrote files"

    # A cut-off download: said plainly, nothing written.
    head -c -100 "$work/Setup-kept.exe" >"$work/Cut.exe"
    start_exe "$work/Cut.exe"
    wait_named "$caption" 1 100 && fail "the cut-off .exe showed its dialog"
    wait_named "Self-extracting Archive" || fail "no message for the cut-off .exe"
    sleep 0.5
    shot sfx-05-cut-off
    xdotool key Return
    walk_wait_exit 100 && fail "the cut-off .exe ended with 0"

    # The usage.
    start_exe "$work/Setup-kept.exe" "/?"
    wait_named "Self-extracting Archive" || fail "/? showed no usage"
    sleep 0.5
    shot sfx-06-usage
    xdotool key Return
    walk_wait_exit 100 || fail "/? did not end with 0"
fi

rm -f "$shots"/.crop-*.png
[ "$walk_failures" -eq 0 ] || { echo "$walk_failures failure(s)" >&2; exit 1; }
echo "sfx $case: passed"
