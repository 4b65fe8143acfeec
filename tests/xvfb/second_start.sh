#!/usr/bin/env bash
# A second start while the first copy shows a dialog: for the title screen, Info, About, Printing
# Options, the print dialog and a message box in turn, the second copy exits with status 255 (-1),
# the first copy's screen stays as it was (the dialog on top of the window that owns it) and the
# dialog answers a mouse click on its button, which leads to the next case. Once without a window
# manager, once with one.
#   second_start.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
# The second picture is damaged, so that turning to it brings up a message box.
head -c 5000 /dev/urandom >"$TW_WORK/child/holly.TWP"

# click X Y: a left click at a point of the program's 800 x 600 screen.
click() {
    xdotool mousemove $((TW_WX + $1)) $((TW_WY + $2)) click 1
}

# second_start NAME: starts another copy, which must end with 255 and leave the screen alone.
second_start() {
    local name=$1 before="$TW_WORK/$1-before.png" after="$shots/xvfb-second-start-$1.png"
    tw_settled_screenshot "$before"
    tw_start_program "$bin" "second-$name" TINTWELL_WINDOWED=1
    tw_expect_exit "$TW_PID" 10 255 "$name: the second copy"
    kill -0 "$first" 2>/dev/null || tw_fail "$name: the first copy ended"
    tw_settled_screenshot "$after"
    tw_same_area "$before" "$after" "$geometry" ||
        tw_fail "$name: the first copy's screen changed when the second started (see $after)"
    echo "$name: the second copy ended with 255; the dialog is still on top ($after)"
}

# answer NAME X Y: a click on the dialog's button at (X, Y) must change what the screen shows there.
answer() {
    local name=$1 x=$2 y=$3 shot="$TW_WORK/$1-answered.png" i
    click "$x" "$y"
    for i in $(seq 40); do
        sleep 0.25
        tw_screenshot "$shot"
        if ! tw_same_area "$TW_WORK/$name-before.png" "$shot" "120x40+$((TW_WX + x - 60))+$((TW_WY + y - 20))"; then
            echo "$name: the dialog answered a click at ($x, $y)"
            return 0
        fi
    done
    tw_fail "$name: a click at ($x, $y) went unanswered"
}

# The top of the message box: the first row of its caption bar down the middle of the screen.
box_top() {
    convert "$1" -crop "1x600+$((TW_WX + 400))+$TW_WY" +repage -depth 8 txt:- |
        awk -F'[,:]' '/#000080/ {print $2 - 3; exit}'
}

run() {
    local label=$1 top
    tw_start_program "$bin" "first-$label" TINTWELL_WINDOWED=1 CUPS_SERVER="$TW_WORK/no-such-socket"
    first=$TW_PID
    tw_wait_window "$TW_WINDOW_WAIT" "$first" || tw_fail "$label: no window titled Tintwell"
    geometry=$(tw_window_geometry "$TW_WID")
    tw_window_origin "$TW_WID"
    # Keys go to the window under the pointer when there is no window manager.
    xdotool mousemove $((TW_WX + 400)) $((TW_WY + 590))

    # The dialogs sit in the middle of the 800 x 600 screen, two pixels a dialog unit, with a
    # one-pixel border: the centres of their buttons follow from their tables.
    second_start "$label-title"
    answer "$label-title" 399 425         # OK
    sleep 1
    xdotool key i
    second_start "$label-info"
    answer "$label-info" 400 256          # About
    second_start "$label-about"
    answer "$label-about" 399 437         # OK, back to Info
    sleep 0.5
    click 400 296                         # Printing Options
    second_start "$label-options"
    answer "$label-options" 406 380       # OK, back to Info
    sleep 0.5
    click 400 348                         # Done
    sleep 1
    xdotool key p
    # The print system is out of reach: "Save as PDF" alone, and a line that says so.
    second_start "$label-print"
    answer "$label-print" 527 363         # Cancel
    sleep 1
    xdotool key Next                      # the damaged picture
    second_start "$label-box"
    top=$(box_top "$TW_WORK/$label-box-before.png")
    [ -n "$top" ] || tw_fail "$label: no message box on the screen"
    answer "$label-box" 400 $((600 - top - 27))  # OK, at the bottom of the centred box
    sleep 1
    xdotool key q
    tw_expect_exit "$first" "${TW_EXIT_WAIT:-10}" 0 "$label: after Q"
}

run bare
if command -v openbox >/dev/null; then
    tw_start_window_manager
    run managed
else
    echo "note: no window manager (openbox): checked without one only"
fi
echo "PASS"
