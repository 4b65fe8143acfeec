#!/usr/bin/env bash
# The program in a real window: with TINTWELL_WINDOWED=1 an 800 x 600 window titled "Tintwell"
# appears on a virtual screen (the time it took is reported) and shows something drawn, without a
# GL driver loaded (a virtual screen offers no direct rendering), without the print system's
# library loaded before anything is printed and without a message bus started for it where the
# session has none; closing it the way a window manager does ends the program with status 0.
#   window.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768

# No session bus here (the runtime folder is the check's own): a dbus-launch first in PATH tells
# whether anything asked for one to be started.
mkdir -p "$TW_WORK/path"
printf '#!/bin/sh\necho "$*" >>"%s/dbus-launch.log"\nexit 1\n' "$TW_WORK" >"$TW_WORK/path/dbus-launch"
chmod +x "$TW_WORK/path/dbus-launch"
started=$(date +%s%N)
tw_start_program "$bin" first TINTWELL_WINDOWED=1 PATH="$TW_WORK/path:$PATH" DBUS_SESSION_BUS_ADDRESS=
pid=$TW_PID
# Two seconds is what a user waits for at most; a sanitized build on a busy machine may take
# longer, so the limit is generous and the time is reported.
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell within ${TW_WINDOW_WAIT:-10} s"
took=$((($(date +%s%N) - started) / 1000000))
echo "window after $took ms"
[ "$took" -le 2000 ] || echo "note: the window took longer than 2 s"
geometry=$(tw_window_geometry "$TW_WID")
echo "window $TW_WID at $geometry"
case $geometry in
800x600+*) ;;
*) tw_fail "the window is $geometry, not 800x600" ;;
esac
[ "$(tw_find_windows | wc -l)" -eq 1 ] || tw_fail "more than one Tintwell window"

shot="$shots/xvfb-window.png"
tw_settled_screenshot "$shot"
echo "screenshot: $shot"
colours=$(tw_colours "$shot" "$geometry")
echo "colours in the window: $colours"
[ "$colours" -gt 1 ] || tw_fail "the window shows a single colour: nothing was drawn"

# The title screen first: while a modal dialog is up its owner takes no close request.
tw_pass_title "$TW_WID"
gl=$(awk '$6 ~ /(libGL|_dri\.so|libLLVM)/ {print $6}' /proc/"$pid"/maps | sort -u)
[ -z "$gl" ] || tw_fail "a GL driver was loaded where it could only draw on the processor: $gl"
cups=$(awk '$6 ~ /libcups/ {print $6}' /proc/"$pid"/maps | sort -u)
[ -z "$cups" ] || tw_fail "the print system's library was loaded before anything was printed: $cups"
[ ! -e "$TW_WORK/dbus-launch.log" ] || tw_fail "a message bus was asked for: dbus-launch $(cat "$TW_WORK/dbus-launch.log")"
tw_close_window "$TW_WID"
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after the window was closed"
[ -z "$(ls "$XDG_RUNTIME_DIR"/*.sock 2>/dev/null)" ] || tw_fail "the instance socket was left behind"
echo "PASS"
