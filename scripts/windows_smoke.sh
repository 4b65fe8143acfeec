#!/usr/bin/env bash
# Runs the Windows program under Wine on a private virtual screen: the window "Tintwell" appears,
# the page screen comes up, and with Quit=grownup in the user's %APPDATA%\Tintwell\tintwell.ini
# (read through Windows' own GetPrivateProfileStringA) a tap on "q" does not quit but "q" held for
# two seconds does, with status 0, and the first page has been saved as an eight-bit page. Runs the 32-bit program where this machine can run 32-bit code, otherwise the
# 64-bit build of the same sources. Build first with scripts/windows_build.sh.
#   scripts/windows_smoke.sh
# Environment: TW_SHOTS (where the screenshot goes; default the build folder), TW_WINEPREFIX;
# TW_WINE_EXE and TW_WINE_DIR run that program in that folder (an installed one) instead of the
# build's in a fresh folder of pages; TW_WINE_LOCKED=1 when the caller holds the prefix's lock.
set -uo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

started=$(date +%s%N)
elapsed() { awk -v n=$(($(date +%s%N) - started)) 'BEGIN {printf "%.1f", n / 1e9}'; }
say() { echo "windows_smoke [$(elapsed) s]: $*"; }

work=""
xvfb_pid=""
wine_pid=""
settings=""
fail() {
    echo "windows_smoke: FAIL: $*"
    local log
    for log in "$work"/program.log "$work"/wineboot.log "$work"/reg.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log") ---"
        tail -n 30 "$log"
    done
    exit 1
}
cleanup() {
    if [ -n "$wine_pid" ] && kill -0 "$wine_pid" 2>/dev/null; then
        kill "$wine_pid" 2>/dev/null
    fi
    if [ -n "${WINEPREFIX:-}" ] && [ -n "${wineserver:-}" ]; then
        # Wine's own helper processes of this prefix end with its server.
        timeout 10 "$wineserver" -w 2>/dev/null || "$wineserver" -k 2>/dev/null
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$work" ] && rm -rf "$work"
    [ -n "$settings" ] && rm -f "$settings"
    return 0
}
trap cleanup EXIT

tw_wine_select
say "$tw_wine_note"
exe=${TW_WINE_EXE:-$tw_exe}
loader=$tw_loader
wineserver=$tw_wineserver
[ -f "$exe" ] || fail "$exe is missing: run scripts/windows_build.sh first"
for t in "$loader" "$wineserver"; do
    [ -x "$t" ] || fail "$t is missing: run scripts/windows_build.sh first"
done
for t in Xvfb xdotool import convert flock; do
    command -v "$t" >/dev/null || fail "$t is not installed"
done
shots=${TW_SHOTS:-$(dirname "$exe")}

# One run at a time uses the prefix: the program refuses to start beside another copy of itself
# in the same Wine.
if [ "${TW_WINE_LOCKED:-0}" != 1 ]; then
    exec 9>"$WINEPREFIX.lock"
    flock -w 600 9 || fail "another run holds $WINEPREFIX.lock"
fi

work=$(mktemp -d /tmp/twwine.XXXXXX)
if [ -n "${TW_WINE_DIR:-}" ]; then
    child=$TW_WINE_DIR
else
    child="$work/child"
    mkdir "$child"
    cp "$tw_root"/pages/* "$child/"
fi

tw_xvfb_start "$work" || fail "Xvfb did not start"
xvfb_pid=$tw_xvfb_pid
[ -f "$WINEPREFIX/system.reg" ] || say "making the Wine prefix $WINEPREFIX"
tw_wine_prefix "$work" || fail "cannot make the Wine prefix $WINEPREFIX"
say "Wine is ready"

# The user's settings file, where the program finds it through SHGetFolderPathA(CSIDL_APPDATA).
appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
[ -d "$appdata" ] || fail "the Wine prefix has no $appdata"
mkdir -p "$appdata/Tintwell"
settings="$appdata/Tintwell/tintwell.ini"
printf '[Tintwell]\r\nQuit=grownup\r\n' >"$settings"

(cd "$child" && exec "$loader" "$exe") >"$work/program.log" 2>&1 &
wine_pid=$!

wid=""
for _ in $(seq 60); do
    wid=$(timeout 1 xdotool search --sync --onlyvisible --name '^Tintwell$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    if ! kill -0 "$wine_pid" 2>/dev/null; then
        wait "$wine_pid"
        status=$?
        wine_pid=""
        fail "the program ended with status $status before its window showed"
    fi
done
[ -n "$wid" ] || fail "no window titled Tintwell within 60 s"
say "window $wid is up"

geometry=$(tw_geometry_of "$wid")
say "window at $geometry"
# 800 x 600; or the whole screen, where DirectDraw could not switch to 800 x 600 and made the
# window cover the screen as it is.
case $geometry in
800x600+* | 1024x768+0+0) ;;
*) fail "the window is $geometry, neither 800x600 nor the whole screen" ;;
esac
wx=${geometry#*+}
wy=${wx#*+}
wx=${wx%+*}

# other_window: a visible window of the program's other than the main one and Wine's input
# method helpers (1 x 1): a dialog.
other_window() {
    local w g
    for w in $(xdotool search --onlyvisible --classname 'tintwell\.exe' 2>/dev/null); do
        [ "$w" = "$wid" ] && continue
        g=$(tw_geometry_of "$w")
        case $g in
        1x1+*) ;;
        *) echo "$w" ;;
        esac
    done | tail -n1
}

# Wait for the page screen. Any other window of the program meanwhile is the title screen:
# Enter closes it.
shot="$work/shot.png"
page_up=0
for _ in $(seq 60); do
    import -window root -depth 8 "$shot" 2>/dev/null || fail "cannot take a screenshot"
    if tw_page_screen_up "$shot" "$wx" "$wy"; then
        page_up=1
        break
    fi
    other=$(other_window)
    if [ -n "$other" ]; then
        say "window $other is up: pressing Enter"
        timeout 5 xdotool windowfocus --sync "$other" key Return 2>/dev/null
    fi
    sleep 0.5
done
[ $page_up -eq 1 ] ||
    fail "the page screen did not come up ($tw_page_evidence)"
mkdir -p "$shots"
cp "$shot" "$shots/windows-smoke.png"
convert "$shot" -crop "$geometry" +repage "$shots/windows-smoke-window.png"
say "page screen is up; screenshot: $shots/windows-smoke.png"

timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null || fail "cannot give the window the focus"
xdotool key q
sleep 1.5
kill -0 "$wine_pid" 2>/dev/null || fail "a tap on q quit: Quit=grownup in $settings was not read"
say "a tap on q did not quit (Quit=grownup); holding q down"
xdotool keydown q
sleep 2.5
xdotool keyup q
for _ in $(seq 200); do
    kill -0 "$wine_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$wine_pid" 2>/dev/null && fail "still running 20 s after q was held"
wait "$wine_pid"
status=$?
wine_pid=""
[ $status -eq 0 ] || fail "exit status $status after q"
say "the program ended with status 0"

page="$child/dogwood.TWP"
size=$(stat -c %s "$page")
magic=$(head -c 2 "$page")
bits=$(od -An -tu2 -j28 -N2 "$page" | tr -d ' ')
[ "$size" -eq 304678 ] || fail "dogwood.TWP holds $size bytes, not 304678"
[ "$magic" = TW ] || fail "dogwood.TWP does not start with TW"
[ "$bits" = 8 ] || fail "dogwood.TWP has $bits bits per pixel, not 8"
say "dogwood.TWP is an eight-bit page of 304678 bytes"
echo "windows_smoke: PASS ($(elapsed) s)"
