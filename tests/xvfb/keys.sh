#!/usr/bin/env bash
# Real keys reach the program: Page Down shows the next picture (the caption strip changes) and
# Alt+F4 closes the window, ending the program with status 0.
#   keys.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768

tw_start_program "$bin" first TINTWELL_WINDOWED=1
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
caption="140x10+$((TW_WX + 330))+$((TW_WY + 561))"

# Keys go to the window under the pointer (there is no window manager to give it the focus).
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300))
before="$TW_WORK/before.png"
tw_settled_screenshot "$before"
xdotool key Next
after="$shots/xvfb-keys.png"
changed=""
for i in $(seq 40); do
    sleep 0.25
    tw_screenshot "$after"
    if ! tw_same_area "$before" "$after" "$caption"; then
        changed=yes
        break
    fi
done
[ -n "$changed" ] || tw_fail "Page Down did not change the picture's caption"
echo "Page Down changed the caption; screenshot: $after"

xdotool key alt+F4
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after Alt+F4"
echo "PASS"
