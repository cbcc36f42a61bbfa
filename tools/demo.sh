#!/usr/bin/env bash
# The installer at work on a demo package, start to end:
#   - installs what is missing (Debian packages) and builds the shipped
#     Windows files alone (the tests build the rest);
#   - assembles a package folder from dist/ (Corvinel.exe, Velskin.dll,
#     UNPACK32.DLL) and tools/demo/make_package.py (Ostrel.ini, licence,
#     splash and the files of a small aircraft), and packs the aircraft into
#     Setup.qzp with QzpPack.exe as a package maker does; on a machine that cannot start
#     32-bit programs, from the 64-bit build of the same files instead
#     (tools/windows-build.sh);
#   - points the simulator's registry key, in a Wine prefix of the demo's
#     own, at a simulator folder it creates;
#   - runs the installer in a real window when $DISPLAY answers, else on a
#     private virtual screen, clicks through every page by itself and saves a
#     screenshot of each in build/demo/screenshots/;
#   - prints the installed tree and Ostrel.txt.
# A second run rebuilds nothing and installs into a fresh simulator folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/windows-build.sh"
tavrix_choose_windows_build "$root"
build="$TAVRIX_WINDOWS_BUILD_DIR"
demo="$root/build/demo"
package="$demo/package"
simulator="$demo/FS2000"

"$root/tools/install-deps.sh"
mkdir -p "$demo"
echo "Building the Windows side (log: $demo/build.log)"
TAVRIX_SKIP_NATIVE=1 TAVRIX_ONLY_SHIPPED=1 "$root/tools/build.sh" >"$demo/build.log" 2>&1 || {
    tail -40 "$demo/build.log" >&2
    exit 1
}
python3 "$root/tools/bench/shipped_sizes.py" "$root/dist"

python3 "$root/tools/demo/make_package.py" --no-archive "$package"
if [ "$TAVRIX_WINDOWS_BITS" = 32 ]; then
    echo "Installing with the shipped 32-bit files from dist/ ($TAVRIX_WINDOWS_REASON)"
else
    echo "Installing with the 64-bit build of the same files, ${TAVRIX_WINDOWS_DIST#"$root"/}/ ($TAVRIX_WINDOWS_REASON)"
fi
cp "$TAVRIX_WINDOWS_DIST/Corvinel.exe" "$TAVRIX_WINDOWS_DIST/Velskin.dll" "$TAVRIX_WINDOWS_DIST/UNPACK32.DLL" "$package/"
rm -rf "$simulator" "$demo/screenshots"
mkdir -p "$simulator"

. "$root/tools/demo/walk-steps.sh"
export TAVRIX_WINEPREFIX="$demo/wineprefix-win$TAVRIX_WINDOWS_BITS"
walk_init "$root" "$build" "$demo/screenshots"
walk_use_screen
walk_prepare_prefix
walk_set_simulator_path 7.0 "$simulator"

echo "Packing $package/Setup.qzp with QzpPack.exe"
windows_path() { walk_wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# QzpPack loads PACK32.DLL from its own folder, as in dist/; Wine's own notes
# on the error stream are left out.
qzppack() { walk_wine "$TAVRIX_WINDOWS_DIST/QzpPack.exe" "$@" 2> >(grep -v '^wine: ' >&2) | tr -d '\r'; }
qzppack add -r -l 9 -C "$(windows_path "$package.source")" "$(windows_path "$package/Setup.qzp")" '*.*' ||
    { echo "demo: QzpPack could not pack the aircraft" >&2; exit 1; }
qzppack list "$(windows_path "$package/Setup.qzp")" | sed 's/^/  /'

echo "Installing the package in $package on display $DISPLAY"
destination="$simulator/Aircraft/Tavrix Cub Trainer"
walk_start "$package"
if walk_to_installation yes yes && walk_until_complete "$destination"; then
    walk_finish
fi
rm -f "$demo/screenshots"/.crop-*.png
if [ "$walk_failures" -ne 0 ]; then
    echo "demo: $walk_failures failure(s); screenshots in $demo/screenshots" >&2
    exit 1
fi
diff -r -x Ostrel.txt -x Uninstall "$package.source" "$destination" >/dev/null ||
    { echo "demo: the installed files differ from the package's" >&2; exit 1; }

echo
echo "Installed into $destination:"
# One line per folder and file, indented by depth, sizes in bytes.
(cd "$simulator" && find . -mindepth 1 | LC_ALL=C sort | while IFS= read -r f; do
    depth="$(tr -cd / <<<"$f" | wc -c)"
    indent="$(printf '%*s' $((2 * depth)) '')"
    if [ -d "$f" ]; then
        printf '%s%s/\n' "$indent" "${f##*/}"
    else
        printf '%-50s %9d\n' "$indent${f##*/}" "$(stat -c %s "$f")"
    fi
done)
echo
echo "Ostrel.txt:"
tr -d '\r' <"$destination/Ostrel.txt" | sed 's/^/  | /'
echo
echo "Screenshots: $demo/screenshots"
