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

tw_wine_select
say "$tw_wine_note"
exe=${TW_WINE_EXE:-$tw_exe}
[ -f "$exe" ] || tw_fail "$exe is missing: run scripts/windows_build.sh first"
for t in "$tw_loader" "$tw_wineserver"; do
    [ -x "$t" ] || tw_fail "$t is missing: run scripts/windows_build.sh first"
done
tw_require Xvfb xdotool xwininfo import convert flock
shots=${TW_SHOTS:-$(dirname "$exe")}

tw_wine_lock
tw_work
if [ -n "${TW_WINE_DIR:-}" ]; then
    child=$TW_WINE_DIR
else
    child="$TW_WORK/child"
    mkdir "$child"
    cp "$tw_root"/pages/* "$child/"
fi

tw_start_xvfb 1024x768
[ -f "$WINEPREFIX/system.reg" ] || say "making the Wine prefix $WINEPREFIX"
tw_wine_prefix || tw_fail "cannot make the Wine prefix $WINEPREFIX"
say "Wine is ready"

# The user's settings file, where the program finds it through SHGetFolderPathA(CSIDL_APPDATA).
appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
[ -d "$appdata" ] || tw_fail "the Wine prefix has no $appdata"
mkdir -p "$appdata/Tintwell"
settings="$appdata/Tintwell/tintwell.ini"
printf '[Tintwell]\r\nQuit=grownup\r\n' >"$settings"
tw_on_exit 'rm -f "$settings"'

tw_start "$child" wine "$tw_loader" "$exe"
wine_pid=$TW_PID
tw_wait_window 60 "$wine_pid"
case $? in
0) ;;
2) tw_fail "the program ended with status $TW_STATUS before its window showed" ;;
*) tw_fail "no window titled Tintwell within 60 s" ;;
esac
wid=$TW_WID
say "window $wid is up"

geometry=$(tw_window_geometry "$wid")
say "window at $geometry"
# 800 x 600; or the whole screen, where DirectDraw could not switch to 800 x 600 and made the
# window cover the screen as it is.
case $geometry in
800x600+* | 1024x768+0+0) ;;
*) tw_fail "the window is $geometry, neither 800x600 nor the whole screen" ;;
esac
tw_window_origin "$wid"

# Wait for the page screen. Any other window of the program meanwhile is the title screen:
# Enter closes it.
shot="$TW_WORK/shot.png"
page_up=0
for _ in $(seq 60); do
    tw_screenshot "$shot"
    if tw_page_screen_up "$shot" "$TW_WX" "$TW_WY"; then
        page_up=1
        break
    fi
    other=$(tw_wine_dialogs "$wid" | tail -n1)
    if [ -n "$other" ]; then
        say "window $other is up: pressing Enter"
        timeout 5 xdotool windowfocus --sync "$other" key Return 2>/dev/null
    fi
    sleep 0.5
done
[ $page_up -eq 1 ] ||
    tw_fail "the page screen did not come up ($tw_page_evidence)"
mkdir -p "$shots"
cp "$shot" "$shots/windows-smoke.png"
convert "$shot" -crop "$geometry" +repage "$shots/windows-smoke-window.png"
say "page screen is up; screenshot: $shots/windows-smoke.png"

timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null || tw_fail "cannot give the window the focus"
xdotool key q
sleep 1.5
kill -0 "$wine_pid" 2>/dev/null || tw_fail "a tap on q quit: Quit=grownup in $settings was not read"
say "a tap on q did not quit (Quit=grownup); holding q down"
xdotool keydown q
sleep 2.5
xdotool keyup q
tw_expect_exit "$wine_pid" 20 0 "after q was held"
say "the program ended with status 0"

page="$child/dogwood.TWP"
size=$(stat -c %s "$page")
magic=$(head -c 2 "$page")
bits=$(od -An -tu2 -j28 -N2 "$page" | tr -d ' ')
[ "$size" -eq 304678 ] || tw_fail "dogwood.TWP holds $size bytes, not 304678"
[ "$magic" = TW ] || tw_fail "dogwood.TWP does not start with TW"
[ "$bits" = 8 ] || tw_fail "dogwood.TWP has $bits bits per pixel, not 8"
say "dogwood.TWP is an eight-bit page of 304678 bytes"
echo "windows_smoke: PASS ($(elapsed) s)"
