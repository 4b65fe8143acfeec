#!/usr/bin/env bash
# Real keys reach the program: Page Down shows the next picture (the caption strip changes) and
# Alt+F4 closes the window, ending the program with status 0.
#   keys.sh TINTWELL_BINARY SOURCE_DIR
set -u
bin=$1
src=$2
. "$(dirname "$0")/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$src"
tw_start_xvfb 1024x768
shots=${TW_SHOTS:-$PWD}

tw_start_program "$bin" first TINTWELL_WINDOWED=1
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
geometry=$(tw_window_geometry "$TW_WID")
wx=$(echo "$geometry" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
wy=$(echo "$geometry" | sed 's/.*+\([0-9]*\)$/\1/')
caption="140x10+$((wx + 330))+$((wy + 561))"

# Keys go to the window under the pointer (there is no window manager to give it the focus).
xdotool mousemove $((wx + 400)) $((wy + 300))
before="$TW_WORK/before.png"
tw_settled_screenshot "$before"
xdotool key Next
after="$shots/xvfb-keys.png"
changed=""
for i in $(seq 40); do
    sleep 0.25
    tw_screenshot "$after"
    if ! compare -metric AE <(convert "$before" -crop "$caption" +repage png:-) \
        <(convert "$after" -crop "$caption" +repage png:-) null: 2>/dev/null; then
        changed=yes
        break
    fi
done
[ -n "$changed" ] || tw_fail "Page Down did not change the picture's caption"
echo "Page Down changed the caption; screenshot: $after"

xdotool key alt+F4
tw_wait_exit "$pid" "${TW_EXIT_WAIT:-5}" || tw_fail "still running after Alt+F4"
[ "$TW_STATUS" -eq 0 ] || tw_fail "exit status $TW_STATUS after Alt+F4"
echo "PASS"
