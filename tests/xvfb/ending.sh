#!/usr/bin/env bash
# However the program ends, the colouring reaches the page file: after a fill in the sky of the
# first page, SIGTERM (what logout and shutdown send), SIGHUP, the window manager's close and the
# end of the X server itself each end the program with status 0 and leave the sky red in
# dogwood.TWP; so do SIGTERM and the X server's end at once, as at a logout. SIGTERM while the
# title screen is up ends the program there.
#   ending.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
page="$TW_WORK/child/dogwood.TWP"
cp "$page" "$TW_WORK/shipped.TWP"
tw_region_points "$page" 250 60

# end_after_fill NAME HOW: a fresh first page, a fill in its sky, then HOW ends the program.
end_after_fill() {
    local name=$1 how=$2
    cp "$TW_WORK/shipped.TWP" "$page"
    tw_start_page_screen "$bin" "$name"
    tw_fill 250 60
    case $how in
    TERM | HUP) kill -"$how" "$TW_PID" ;;
    close) tw_close_window "$TW_WID" ;;
    display) tw_stop_xvfb ;;
    logout)
        kill -TERM "$TW_PID"
        tw_stop_xvfb
        ;;
    esac
    tw_expect_exit "$TW_PID" "${TW_EXIT_WAIT:-10}" 0 "after $name"
    tw_expect_saved "$page"
    echo "$name: the colouring was kept"
}

end_after_fill SIGTERM TERM
end_after_fill SIGHUP HUP
end_after_fill "the window manager's close" close

# SIGTERM on the title screen: the program ends instead of going on to the page screen.
cp "$TW_WORK/shipped.TWP" "$page"
tw_start_program "$bin" title TINTWELL_WINDOWED=1
tw_wait_window "${TW_WINDOW_WAIT:-10}" "$TW_PID" || tw_fail "no window titled Tintwell"
tw_settled_screenshot "$TW_WORK/title.png"
kill -TERM "$TW_PID"
tw_expect_exit "$TW_PID" "${TW_EXIT_WAIT:-10}" 0 "after SIGTERM on the title screen"
cmp -s "$page" "$TW_WORK/shipped.TWP" || tw_fail "SIGTERM on the title screen changed dogwood.TWP"
echo "SIGTERM on the title screen: the program ended"

# The display goes away under the program, alone and together with SIGTERM.
end_after_fill "the X server's end" display
tw_start_xvfb 1024x768
end_after_fill "SIGTERM with the X server's end" logout
echo "PASS"
