# Steps for driving the installer's real windows with real pointer clicks:
# a screen, a Wine prefix set up for it, windows found by their titles,
# clicks at client coordinates, screenshots. Sourced by the demo, the
# screenshot walk and the whole-program tests; the caller sets `set -eu`.
#
#   walk_init ROOT BUILD SHOTS   where the repo, the Windows build and the
#                                screenshots are; sets walk_dist, that build's
#                                deliverables; installs the exit cleanup
#   walk_use_screen [--private]  $DISPLAY when it answers, else (or with
#                                --private) an Xvfb of our own
#   walk_prepare_prefix          boots the prefix, fonts, no window manager
#   walk_set_simulator_path KEY FOLDER
#   walk_start PACKAGE [FOLDER]  starts Corvinel.exe there (WALK_PID)
#   windows_named / wait_named / wait_gone / click_at / shot / differs
#   walk_wait_exit [tenths]      0 when the program ended with 0

WALK_XVFB_PID=""
WALK_PID=""
walk_failures=0

walk_init() {
    walk_root="$1" walk_build="$2" walk_shots="$3"
    . "$walk_root/tools/windows-build.sh"
    walk_dist="$(tavrix_dist_of "$walk_root" "$walk_build")"
    export TAVRIX_DISPLAY=x11 TAVRIX_BUILD_DIR="$walk_build"
    mkdir -p "$walk_shots"
    trap walk_cleanup EXIT
}

walk_cleanup() {
    [ -n "$WALK_PID" ] && kill "$WALK_PID" 2>/dev/null
    walk_wine --kill 2>/dev/null || true
    [ -n "$WALK_XVFB_PID" ] && kill "$WALK_XVFB_PID" 2>/dev/null
    return 0
}

fail() {
    echo "FAIL: $*" >&2
    walk_failures=$((walk_failures + 1))
}

walk_use_screen() {
    if [ "${1:-}" != "--private" ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
        return 0
    fi
    local n
    for n in $(seq 141 190); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            WALK_XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 1 50); do
                xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
                sleep 0.1
            done
            echo "the virtual screen :$n did not start" >&2
            return 1
        fi
    done
    echo "no free display number for a virtual screen" >&2
    return 1
}

walk_wine() { "$walk_root/cmake/wine-run.sh" "$@"; }

walk_prepare_prefix() {
    walk_wine --boot-only
    # This screen has no MS Sans Serif; a face of the same widths keeps captions
    # inside their buttons as on Windows (Arial finds Liberation Sans by itself).
    walk_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Sans Serif' \
        /d 'Liberation Sans' /f >/dev/null 2>&1
    # Wine is told not to wait for a window manager (there is none on a virtual
    # screen; it would wait two seconds each time a window is hidden).
    walk_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

# A Unix path as the program sees it.
wine_path() { printf 'Z:%s' "$1" | tr / '\\'; }

walk_set_simulator_path() {  # registry key below Flight Simulator, folder
    walk_wine reg add "HKLM\\Software\\Microsoft\\Microsoft Games\\Flight Simulator\\$1" /v path \
        /d "$(wine_path "$2")" /f >/dev/null 2>&1
}

walk_start() {  # package folder [current folder, default the package's]
    (cd "${2:-$1}" && exec "$walk_root/cmake/wine-run.sh" "$1/Corvinel.exe") &
    WALK_PID=$!
}

shot() { import -window root "$walk_shots/$1.png"; echo "saved $walk_shots/$1.png"; }

# Visible windows of the program titled exactly $1, one id per line.
windows_named() {
    local pattern
    pattern="$(printf '%s' "$1" | sed 's/[][().*^$+?{}|\\]/\\&/g')"
    xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null || true
}

wait_named() {  # name [count] [tenths]: waits until that many such windows show
    local want="${2:-1}"
    for _ in $(seq 1 "${3:-150}"); do
        [ "$(windows_named "$1" | wc -l)" -ge "$want" ] && return 0
        sleep 0.1
    done
    return 1
}

wait_gone() {  # name count: waits until fewer than count such windows show
    for _ in $(seq 1 100); do
        [ "$(windows_named "$1" | wc -l)" -lt "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# Clicks at client coordinates of a window (inside its 1-pixel border).
click_at() {  # window x y [button]
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + 1 + $2)) $((Y + 1 + $3))
    sleep 0.3
    xdotool click "${4:-1}"
    sleep 0.5
}

# The main window's page buttons, by their place on the 27-pixel-high title
# bar's page area: Cancel, << Back / Accept, Next >> / Cancel / Finish.
page_click() {  # window left|middle|right
    local x
    case "$2" in left) x=48 ;; middle) x=304 ;; right) x=376 ;; esac
    click_at "$1" "$x" $((27 + 276))
}

differs() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != "0" ]; }

main_area() {  # screenshot name, window -> crop of that window
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$2")"
    convert "$walk_shots/$1.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$walk_shots/.crop-$1.png"
    echo "$walk_shots/.crop-$1.png"
}

walk_wait_exit() {  # [tenths]
    for _ in $(seq 1 "${1:-100}"); do
        kill -0 "$WALK_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$WALK_PID" 2>/dev/null && return 1
    local status=0
    wait "$WALK_PID" || status=$?
    WALK_PID=""
    return "$status"
}

# The splash comes first, alone.
walk_expect_splash() {
    local splash=""
    for _ in $(seq 1 100); do
        splash="$(xdotool search --onlyvisible --class 'corvinel' 2>/dev/null | head -1 || true)"
        [ -n "$splash" ] && break
        sleep 0.1
    done
    if [ -n "$splash" ] && [ -z "$(windows_named 'Tavrix Installer')" ]; then
        sleep 0.5
        shot 01-splash
    else
        fail "no splash window before the main window"
    fi
}

# Waits for the main window (WALK_MAIN) and lets the pointer enter it as a
# user's would before the first click.
walk_main_window() {
    # A first start in a fresh prefix on a busy machine can take a while.
    wait_named "Tavrix Installer" 1 600 || { fail "the main window did not come"; return 1; }
    WALK_MAIN="$(windows_named 'Tavrix Installer' | head -1)"
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
    xdotool mousemove $((X + 200)) $((Y + 100))
    sleep 1
}

# The installation, page by page, as a user clicks it: splash (when the
# package has one), agreement (when it has a licence), welcome, destination,
# ready.
walk_to_ready() {  # has_licence has_splash
    if [ "$2" = yes ]; then walk_expect_splash; fi
    walk_main_window || return 1
    if [ "$1" = yes ]; then
        shot 02-agreement
        page_click "$WALK_MAIN" middle  # Accept
    fi
    shot 03-welcome
    page_click "$WALK_MAIN" right  # Next
    shot 04-destination
    differs "$(main_area 03-welcome "$WALK_MAIN")" "$(main_area 04-destination "$WALK_MAIN")" ||
        fail "Next did not leave the welcome page"
    page_click "$WALK_MAIN" right  # Next
    shot 05-ready
    differs "$(main_area 04-destination "$WALK_MAIN")" "$(main_area 05-ready "$WALK_MAIN")" ||
        fail "Next did not leave the destination page"
}

# The ready page's Next, without waiting: the installation starts. The
# pointer stays where the installation page has its Cancel button.
walk_press_install() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$WALK_MAIN")"
    xdotool mousemove $((X + 1 + 376)) $((Y + 1 + 27 + 276)) sleep 0.3 click 1
}

walk_to_installation() {  # has_licence has_splash
    walk_to_ready "$@" || return 1
    walk_press_install
    shot 06-installing
}

# Waits for the completion page's information file, answering the warning
# box that comes first when files could not be installed (WALK_WARNINGS
# counts them). Then shows the completion page.
walk_until_complete() {  # destination folder [tenths]
    WALK_WARNINGS=0
    for _ in $(seq 1 "${2:-600}"); do
        if [ "$(windows_named 'Tavrix Installer' | wc -l)" -ge 2 ]; then
            sleep 0.3
            WALK_WARNINGS=$((WALK_WARNINGS + 1))
            shot "07-warning-$WALK_WARNINGS"
            xdotool key Return
            wait_gone "Tavrix Installer" 2 || fail "the warning box did not close"
        fi
        [ -f "$1/Ostrel.txt" ] && { sleep 0.3; shot 08-completion; return 0; }
        kill -0 "$WALK_PID" 2>/dev/null || { fail "the program ended before the completion page"; return 1; }
        sleep 0.1
    done
    fail "no Ostrel.txt in $1: the installation did not complete"
    return 1
}

walk_finish() {
    page_click "$WALK_MAIN" right  # Finish
    walk_wait_exit || fail "Finish did not end the program with 0"
}
