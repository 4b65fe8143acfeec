#!/usr/bin/env bash
# One Tintwell at a time: a second copy started beside a running one exits with status 255
# (-1) without a window of its own, the first keeps running (and is restored if it was
# minimised, where a window manager can minimise it); after the first was killed
# outright (leaving its rendezvous socket behind) a new copy starts normally.
#   single_instance.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768

tw_start_program "$bin" first TINTWELL_WINDOWED=1
first=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "the first copy shows no window"
first_window=$TW_WID

tw_start_program "$bin" second TINTWELL_WINDOWED=1
second=$TW_PID
tw_expect_exit "$second" 5 255 "the second copy"
kill -0 "$first" 2>/dev/null || tw_fail "the first copy ended"
[ "$(tw_find_windows)" = "$first_window" ] || tw_fail "windows now: $(tw_find_windows | tr '\n' ' ')"
echo "second copy refused with 255"

# Under a window manager: a second copy started while the first is minimised restores it.
if command -v openbox >/dev/null; then
    tw_start_window_manager
    # The window manager takes a moment to manage the window; until it does, a request to
    # minimise goes unanswered, so ask again until the window is gone from the screen.
    for i in $(seq 50); do
        sleep 0.2
        timeout 2 xdotool windowminimize --sync "$first_window" 2>/dev/null || true
        xwininfo -id "$first_window" | grep -q 'IsUnMapped' && break
    done
    xwininfo -id "$first_window" | grep -q 'IsUnMapped' || tw_fail "the first copy's window did not minimise"
    tw_start_program "$bin" fourth TINTWELL_WINDOWED=1
    tw_expect_exit "$TW_PID" 10 255 "the copy started beside the minimised one"
    for i in $(seq 40); do
        xwininfo -id "$first_window" | grep -q 'IsViewable' && break
        sleep 0.05
    done
    xwininfo -id "$first_window" | grep -q 'IsViewable' || tw_fail "the minimised window was not restored"
    echo "the minimised first copy was restored"
else
    echo "note: no window manager (openbox): the minimised case is not checked"
fi

kill -9 "$first"
wait "$first" 2>/dev/null
ls "$XDG_RUNTIME_DIR"/*.sock >/dev/null 2>&1 || echo "note: no socket file was left behind"

tw_start_program "$bin" third TINTWELL_WINDOWED=1
third=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window after the first copy was killed"
tw_pass_title "$TW_WID"
tw_close_window "$TW_WID"
tw_expect_exit "$third" "${TW_EXIT_WAIT:-5}" 0 "the third copy, after its window was closed"
echo "PASS"
