#!/usr/bin/env bash
# The display switch on a wide screen: without TINTWELL_WINDOWED the window covers the whole
# 1280 x 720 screen (under a window manager, which is what makes windows fullscreen on X) and shows the 800 x 600 screen scaled to 960 x 720 between two black bars;
# the screen's real mode is left as it was, and clicks reach the points of the screen they were
# aimed at. Closing the window ends the program with status 0.
#   fullscreen.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1280x720
tw_start_window_manager
shots=${TW_SHOTS:-$PWD}
mode_before=$(xwininfo -root | awk '/geometry/ {print $2}')

tw_start_program "$bin" first
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
geometry=""
for i in $(seq 40); do
    geometry=$(tw_window_geometry "$TW_WID")
    [ "$geometry" = "1280x720+0+0" ] && break
    sleep 0.05
done
echo "window $TW_WID at $geometry"
[ "$geometry" = "1280x720+0+0" ] || tw_fail "the window is $geometry, not the whole screen"

shot="$shots/xvfb-fullscreen.png"
tw_settled_screenshot "$shot"
echo "screenshot: $shot"
left=$(convert "$shot" -crop 160x720+0+0 +repage -format '%k %[fx:maxima]' info:)
right=$(convert "$shot" -crop 160x720+1120+0 +repage -format '%k %[fx:maxima]' info:)
middle=$(tw_colours "$shot" 960x720+160+0)
echo "left bar: $left, right bar: $right, colours in the picture: $middle"
[ "$left" = "1 0" ] && [ "$right" = "1 0" ] || tw_fail "the bars beside the picture are not plain black"
[ "$middle" -gt 1 ] || tw_fail "the picture shows a single colour"
[ "$(xwininfo -root | awk '/geometry/ {print $2}')" = "$mode_before" ] || tw_fail "the screen's mode changed"

# Clicks land where they were aimed through the scaling: the red crayon at (188, 35) of the
# 800 x 600 screen, then the sky at (338, 116), which fills with red.
to_screen() { echo $((160 + $1 * 6 / 5)) $(($2 * 6 / 5)); }
tw_pick_and_fill "$shots/xvfb-fullscreen-fill.png"

tw_close_window "$TW_WID"
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after the window was closed"
echo "PASS"
