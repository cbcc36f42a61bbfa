#!/usr/bin/env bash
# An installation from a spanned set on floppy disks, walked with real windows
# on a virtual screen: the program starts from disk 1 in drive A:, and each
# "Please insert ..." box is answered as a pilot would, by changing the disk
# and pressing Enter.
#
#   three-disk-walk.sh ROOT BUILD
#
# The package is the sample aircraft and some 120 KB more, packed by QzpPack
# into volumes small enough that the first one fits on disk 1 beside the
# program, its DLLs and its pictures; each volume goes on a disk of its own,
# 1440 KB memory disks labelled as the set's disks are (plain folders where
# nothing can be mounted). The prompts are answered, in order, with the disks
# they must ask for: the last disk, then volume 1 of 3, 2 of 3, 3 of 3 (of N
# where the program's files leave room for smaller volumes only), each box's
# words read by BoxText.exe. A disk is changed by InsertDisk.exe, which
# defines drive A: through Wine's mount manager, so that the program sees the
# new disk's label. Both are test programs of tests/e2e, in BUILD/tests/e2e.
#
# Fails when a window or a prompt does not come, a prompt says other words
# or comes too many, the installed tree differs from the packed one,
# Ostrel.txt is not what the package describes, or Finish does not end the
# program. Screenshots of the pages, every prompt, the installation page
# while it extracts and the completion page go to $TAVRIX_SHOTS_DIR, else
# BUILD/tests/e2e/three-disks/
# (tools/installer-screenshots.sh puts them in build/screenshots/three-disks/).
# Runs in a Wine prefix of its own (BUILD/wineprefix-three-disks), whose drive
# A: it takes away at the end; on $DISPLAY when it answers, else on an Xvfb
# of its own. Ends with 77 (skipped) where Wine's mount manager cannot
# define drive A:.
set -euo pipefail
root="$1" build="$2"
work="/dev/shm/tavrix-three-disks-$$"
shots="${TAVRIX_SHOTS_DIR:-$build/tests/e2e/three-disks}"
skipped=77
disk_size_kb=1440
# At most this much a volume: three volumes for the package below.
largest_volume=$((150 * 1024))

. "$root/tools/demo/walk-steps.sh"
walk_init "$root" "$build" "$shots"
rm -f "$shots"/*.png
export TAVRIX_WINEPREFIX="$build/wineprefix-three-disks"
insert_disk="$build/tests/e2e/InsertDisk.exe"
box_text="$build/tests/e2e/BoxText.exe"
for helper in "$insert_disk" "$box_text"; do
    [ -f "$helper" ] || { echo "no $helper: build the test programs of tests/e2e" >&2; exit 1; }
done

mounted=()
drive_defined=""
cleanup() {
    [ -n "$WALK_PID" ] && kill "$WALK_PID" 2>/dev/null
    if [ -n "$drive_defined" ]; then walk_wine "$insert_disk" --remove 2>/dev/null || true; fi
    WALK_PID=""
    walk_cleanup
    local disk
    for disk in "${mounted[@]}"; do umount "$disk" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# The package: the sample aircraft with more of its scenery, packed below.
package="$work/package"
source="$package.source"
mkdir -p "$work"
python3 "$root/tools/demo/make_package.py" "$package" --no-archive >/dev/null
python3 - "$source/Tavrix Cub/scenery/airfield.bgl" <<'PY'
import random, sys, os
os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)
rng = random.Random(3)
open(sys.argv[1], "wb").write(bytes(rng.getrandbits(8) for _ in range(120 * 1024)))
PY
cp "$walk_dist/Corvinel.exe" "$walk_dist/UNPACK32.DLL" "$walk_dist/Velskin.dll" "$package/"

walk_use_screen
walk_prepare_prefix

# Disk 1 carries the program and its files beside the first volume: the
# volume size is what they leave free on a disk of this size, at most
# $largest_volume. Memory disks give out whole 4 KiB pages.
used=4096  # the label file
for file in "$package"/*; do
    size="$(stat -c %s "$file")"
    used=$((used + (size + 4095) / 4096 * 4096))
done
volume=$((disk_size_kb * 1024 - used - 8192))
[ "$volume" -gt "$largest_volume" ] && volume="$largest_volume"
if [ "$volume" -lt $((32 * 1024)) ]; then
    echo "the program's files take $used bytes: no room for a volume on a $disk_size_kb KB disk" >&2
    exit 1
fi
echo "disk 1 holds $used bytes of the program's files; volumes of at most $volume bytes"

volumes="$work/volumes"
mkdir -p "$volumes"
walk_wine "$walk_dist/QzpPack.exe" add -r --span "$volume" -C "$(wine_path "$source")" \
    "$(wine_path "$volumes/Setup.qzp")" '*.*' >"$work/pack.log" 2>&1 ||
    { cat "$work/pack.log" >&2; echo "QzpPack did not write the set" >&2; exit 1; }
mapfile -t parts < <(find "$volumes" -type f | sort)
count="${#parts[@]}"
[ "$count" -ge 2 ] || { echo "QzpPack wrote $count volume(s), not a spanned set" >&2; exit 1; }
echo "QzpPack wrote $count volumes"

# Disks of a floppy's size where memory disks can be mounted, else folders.
disks="$work/disks"
mount_error=""
for n in $(seq 1 "$count"); do
    disk="$disks/disk$n"
    mkdir -p "$disk"
    [ -n "$mount_error" ] && continue
    if mount -t tmpfs -o "size=${disk_size_kb}k" tmpfs "$disk" 2>"$work/mount-error"; then
        mounted+=("$disk")
    else
        mount_error="$(cat "$work/mount-error")"
        echo "disks are plain folders: cannot mount a memory disk: $mount_error"
    fi
done
for n in $(seq 1 "$count"); do
    disk="$disks/disk$n"
    printf 'PKBACK# %03d' "$n" >"$disk/.windows-label"
    cp "${parts[$((n - 1))]}" "$disk/Setup.qzp"
done
cp "$package"/* "$disks/disk1/"
# A package on disks carries its description on the last disk too, where
# the drive still holds that disk when the installation completes.
cp "$package/Ostrel.ini" "$disks/disk$count/"

simulator="$work/FS2000"
destination="$simulator/Aircraft/Tavrix Cub Trainer"
mkdir -p "$simulator"
walk_set_simulator_path 7.0 "$simulator"

insert() {  # disk number
    walk_wine "$insert_disk" "$disks/disk$1"
}
status=0
insert 1 || status=$?
if [ "$status" -ne 0 ]; then
    echo "SKIP: Wine's mount manager did not define drive A: (InsertDisk ended with $status)"
    exit "$skipped"
fi
drive_defined=yes

# Started from the disk, as a pilot does.
(cd "$disks/disk1" && exec "$root/cmake/wine-run.sh" 'A:\Corvinel.exe') &
WALK_PID=$!

walk_to_ready yes yes || exit 1
walk_press_install

number=5
next_shot() {  # name
    number=$((number + 1))
    shot "$(printf '%02d' "$number")-$1"
}
box_of_main() { windows_named 'Tavrix Installer' | grep -vx "$WALK_MAIN" | head -1 || true; }

# The disks asked for, in order: the last one, for the set's directory; then
# each volume as its files are extracted. Each entry: the picture's name, the
# disk to insert, the box's words (line breaks as BoxText.exe writes them).
prompts=("last-disk|$count|Please insert last disk\nin drive: A")
for n in $(seq 1 "$count"); do
    prompts+=("volume-$n-of-$count|$n|Please insert disk volume $n of $count\nin drive: A")
done
for prompt in "${prompts[@]}"; do
    IFS='|' read -r name disk words <<<"$prompt"
    box=""
    for _ in $(seq 1 300); do
        box="$(box_of_main)"
        [ -n "$box" ] && break
        kill -0 "$WALK_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$box" ]; then
        next_shot "no-prompt-for-$name"
        fail "no prompt came for $name"
        exit 1
    fi
    sleep 0.4
    next_shot "prompt-$name"
    said="$(walk_wine "$box_text" 'Tavrix Installer' | tr -d '\r')"
    [ "$said" = "$words" ] || fail "the prompt for $name says \"$said\", not \"$words\""
    # Before the last disk, the page as it shows the extraction well under
    # way: the prompt is moved below it first, as a pilot may drag it aside
    # (between two prompts there is no time for a picture).
    if [ "$name" = "volume-$count-of-$count" ]; then
        eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
        xdotool windowmove "$box" "$X" $((Y + HEIGHT + 20))
        sleep 0.5
        next_shot installing
    fi
    insert "$disk" || { fail "InsertDisk did not put disk $disk in the drive"; exit 1; }
    xdotool key Return  # OK
    for _ in $(seq 1 100); do
        windows_named 'Tavrix Installer' | grep -qx "$box" || break
        sleep 0.1
    done
    if windows_named 'Tavrix Installer' | grep -qx "$box"; then
        fail "Enter did not close the prompt for $name"
    fi
done

for _ in $(seq 1 300); do
    [ -f "$destination/Ostrel.txt" ] && break
    if [ -n "$(box_of_main)" ]; then
        next_shot unexpected-box
        fail "a box came after the last disk"
        break
    fi
    sleep 0.1
done
[ -f "$destination/Ostrel.txt" ] || { fail "the installation did not complete"; exit 1; }
sleep 0.5
next_shot completion
[ -z "$(box_of_main)" ] || fail "a box is open over the completion page"
diff -r -x Ostrel.txt -x Uninstall "$source" "$destination" >&2 || fail "the installed tree differs from the packed one"
compgen -G "$destination/Uninstall/*/Record.txt" >/dev/null || fail "no installation record in $destination/Uninstall"
python3 "$root/tests/e2e/e2e_package.py" ostrel "$package/Ostrel.ini" "$work/expected-Ostrel.txt"
cmp "$work/expected-Ostrel.txt" "$destination/Ostrel.txt" >&2 || fail "Ostrel.txt differs from the expected bytes"
walk_finish

rm -f "$shots"/.crop-*.png
[ "$walk_failures" -eq 0 ] || { echo "$walk_failures failure(s); screenshots in $shots" >&2; exit 1; }
echo "three disks: passed ($count volumes); screenshots in $shots"
