#!/usr/bin/env bash
# A desktop smaller than 800 x 600: the program tells the user in a message box instead of
# switching the display, waits for the answer, and ends with status 0 once it is given.
#   small_screen.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 640x480

tw_start_program "$bin" first
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
shot="$shots/xvfb-small-screen.png"
tw_settled_screenshot "$shot"
echo "screenshot: $shot"
kill -0 "$pid" 2>/dev/null || tw_fail "the program ended without waiting for the user"
geometry=$(tw_window_geometry "$TW_WID")
case $geometry in
800x600+*) ;;
*) tw_fail "the window is $geometry: the display was switched" ;;
esac
# Something is shown in the middle of the screen (the message box).
[ "$(tw_colours "$shot" 320x120+160+180)" -gt 2 ] || tw_fail "nothing is shown in the middle of the screen"

xdotool mousemove 320 240 key Return
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after the message was answered"
echo "PASS"
