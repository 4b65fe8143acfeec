#!/usr/bin/env bash
# One Tintwell at a time on a child's folder: a second copy started beside a running one exits
# with status 255 (-1) without a window of its own, the first keeps running (and is restored if
# it was minimised, where a window manager can minimise it). A copy that cannot reach the first
# (another runtime folder: another login or session) is refused all the same, with a box that
# names the folder in use; a copy on another folder runs beside it. After the first was killed
# outright (leaving its rendezvous socket behind) a new copy starts normally. Before all of them,
# a copy started where there is no display at all says so and ends, keeping the folder from
# no one.
#   single_instance.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768

tw_start_program "$bin" nowhere -u DISPLAY -u WAYLAND_DISPLAY TINTWELL_WINDOWED=1
tw_expect_exit "$TW_PID" 10 1 "the copy without a display"
grep -q 'cannot open the display' "$TW_WORK/program-nowhere.log" || tw_fail "the copy without a display did not say so"
echo "a copy without a display: told, status 1"

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

# Another runtime folder, the same child's folder: told in a box of its own window, then 255.
mkdir -m 700 "$TW_WORK/run2"
tw_start_program "$bin" unreachable TINTWELL_WINDOWED=1 XDG_RUNTIME_DIR="$TW_WORK/run2"
unreachable=$TW_PID
box=""
for i in $(seq 200); do
    box=$(tw_find_windows | grep -vx "$first_window" | head -n1)
    [ -n "$box" ] && break
    sleep 0.05
done
[ -n "$box" ] || tw_fail "no box from the copy with another runtime folder"
grep -q "already open with the pictures in $TW_WORK/child" "$TW_WORK/program-unreachable.log" ||
    tw_fail "the copy with another runtime folder did not say which folder is in use"
tw_settled_screenshot "$shots/xvfb-single-instance-in-use.png"
tw_window_origin "$box"
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key Return
tw_expect_exit "$unreachable" 10 255 "the copy with another runtime folder"
kill -0 "$first" 2>/dev/null || tw_fail "the first copy ended"
echo "a copy with another runtime folder: refused with a box naming the folder, 255"

# Another child's folder, the same runtime folder: no other copy there, so it runs.
mkdir "$TW_WORK/other-child"
tw_start_program "$bin" beside TINTWELL_WINDOWED=1 TINTWELL_PAGES="$TW_WORK/other-child"
beside=$TW_PID
for i in $(seq 200); do
    [ "$(tw_find_windows | wc -l)" -ge 2 ] && break
    sleep 0.05
done
[ "$(tw_find_windows | wc -l)" -ge 2 ] || tw_fail "a copy on another folder did not start beside the first"
kill -TERM "$beside"
tw_expect_exit "$beside" 10 0 "the copy on another folder, after SIGTERM"
echo "a copy on another folder runs beside the first"

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
