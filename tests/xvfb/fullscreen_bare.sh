#!/usr/bin/env bash
# Full screen with no window manager at all (a kiosk session started by xinit): the window still
# covers the whole 1280 x 1024 screen, the 800 x 600 screen shows scaled to 1280 x 960 between
# two black bars of 32 rows, and a click fills the region of the page it was aimed at.
#   fullscreen_bare.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1280x1024
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && tw_fail "a window manager is running"

tw_start_program "$bin" bare
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
geometry=$(tw_window_geometry "$TW_WID")
echo "window $TW_WID at $geometry"
[ "$geometry" = "1280x1024+0+0" ] || tw_fail "the window is $geometry, not the whole screen"

tw_pass_title "$TW_WID"
shot="$shots/xvfb-fullscreen-bare.png"
tw_settled_screenshot "$shot"
echo "screenshot: $shot"
top=$(convert "$shot" -crop 1280x32+0+0 +repage -format '%k %[fx:maxima]' info:)
bottom=$(convert "$shot" -crop 1280x32+0+992 +repage -format '%k %[fx:maxima]' info:)
middle=$(tw_colours "$shot" 1280x960+0+32)
echo "top bar: $top, bottom bar: $bottom, colours in the picture: $middle"
[ "$top" = "1 0" ] && [ "$bottom" = "1 0" ] || tw_fail "the bars above and below the picture are not plain black"
[ "$middle" -gt 1 ] || tw_fail "the picture shows a single colour"

# The red crayon at (188, 35) of the 800 x 600 screen, then the sky at (338, 116).
to_screen() { echo $(($1 * 8 / 5)) $((32 + $2 * 8 / 5)); }
tw_pick_and_fill "$shots/xvfb-fullscreen-bare-fill.png"

# Q is dropped while the fill runs: asked once the screen has settled.
tw_settled_screenshot "$TW_WORK/settled.png"
xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 0 "after Q"
echo "PASS"
