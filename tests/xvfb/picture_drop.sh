#!/usr/bin/env bash
# A parent makes a page without a terminal. A picture dropped on the page screen is offered in a
# Yes/No box naming the page on screen; Yes shows the wait cursor over the page screen, which goes
# on painting while tintwell-pages makes the page, then the new page, which a click colours; the
# old page is kept under replaced/ and tintwell-pages list agrees. No leaves all as it was. A drop
# during a fill or on the title screen does nothing; a text file gets the page maker's reason in a
# box and nothing changes. A second start with a picture hands it to the running copy; a first
# start with one asks once the page screen is up.
# Drops come through the SDL host's own drop events (TINTWELL_TEST_DROP: the names of a drop put
# in a file, made into SDL's drop events where the pointer is), as a desktop's drag would.
#   picture_drop.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
pages=$(dirname "$(readlink -f "$bin")")/tintwell-pages
[ -x "$pages" ] || tw_fail "no tintwell-pages beside $bin"
child="$TW_WORK/child"
drop="$TW_WORK/drop"

# Three big shapes and a frame: a drawing with a few large areas to colour.
picture="$TW_WORK/shapes drawing.png"
convert -size 1320x920 xc:white -stroke black -strokewidth 12 -fill none \
    -draw 'rectangle 40,40 1280,880' -draw 'circle 400,460 400,200' -draw 'rectangle 800,200 1180,700' \
    -draw 'line 40,460 140,460' "$picture" || tw_fail "cannot draw the picture"
notes="$TW_WORK/notes.txt"
echo "the Tintwell notes, not a picture" >"$notes"

# drop_files NAME...: the names dropped where the pointer is, over the page.
drop_files() {
    printf '%s\n' "$@" >"$drop.new"
    mv "$drop.new" "$drop"
    for _ in $(seq 40); do
        [ -e "$drop" ] || return 0
        sleep 0.05
    done
    tw_fail "the drop was not taken from $drop"
}

# A message box of the layer has a navy title bar; the page screen has no stretch of that colour
# nearly as large.
box_up() {
    local shot="$TW_WORK/box-probe.png" navy
    tw_screenshot "$shot"
    navy=$(convert "$shot" -crop "800x600+$TW_WX+$TW_WY" -fill black +opaque 'rgb(0,0,128)' -fill white -opaque 'rgb(0,0,128)' \
        -format '%[fx:round(mean*w*h)]' info:)
    [ "${navy:-0}" -gt 3000 ]
}
wait_box() {
    for _ in $(seq $((${1:-10} * 10))); do
        box_up && return 0
        sleep 0.1
    done
    return 1
}
no_box_for() {
    for _ in $(seq $(($1 * 5))); do
        box_up && return 1
        sleep 0.2
    done
    return 0
}

sums() { (cd "$child" && md5sum ./*.TWP ./*.twp; ls -R replaced 2>/dev/null); }

# The title screen takes no drop.
tw_start_program "$bin" main TINTWELL_WINDOWED=1 TINTWELL_TRACE="$TW_WORK/trace-main.txt" TINTWELL_TEST_DROP="$drop"
pid=$TW_PID
TW_TRACE="$TW_WORK/trace-main.txt"
tw_wait_window "${TW_WINDOW_WAIT:-10}" "$pid" || tw_fail "no window titled Tintwell"
tw_window_origin "$TW_WID"
tw_settled_screenshot "$TW_WORK/title.png"
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300))
before=$(sums)
drop_files "$picture"
no_box_for 2 || tw_fail "a drop on the title screen was offered"
echo "a drop on the title screen did nothing"
tw_pass_title "$TW_WID"
tw_wait_trace ' cursor EditCursor$' "${TW_WINDOW_WAIT:-10}" || tw_fail "the page screen did not come up"

# No: nothing changes.
xdotool mousemove $(tw_to_screen 330 230)
drop_files "$picture"
wait_box 10 || tw_fail "no question after the drop"
tw_screenshot "$shots/xvfb-picture-drop-question.png"
xdotool key Right Return
sleep 1
box_up && tw_fail "the box stayed after No"
[ "$(sums)" = "$before" ] || tw_fail "No changed the pages: $(sums)"
echo "No left the pages as they were"

# A text file: the page maker's reason in a box, nothing replaced.
drop_files "$notes"
wait_box 10 || tw_fail "no question for the text file"
xdotool key Return
wait_box 60 || tw_fail "no reason given for the text file"
tw_screenshot "$shots/xvfb-picture-drop-not-a-picture.png"
xdotool key Return
sleep 1
# The page on screen was saved before the page maker ran (as turning the page saves it), but no
# page was made or replaced.
"$pages" list >"$TW_WORK/list.txt"
grep -E '^ +1 +dogwood.TWP .*as shipped *$' "$TW_WORK/list.txt" >/dev/null && [ ! -e "$child/replaced" ] ||
    tw_fail "the text file changed the pages: $(cat "$TW_WORK/list.txt"; ls -R "$child")"
echo "the text file was refused with a reason, nothing changed"

# A drop during a fill is not taken.
fills=$(tw_fills_done)
xdotool mousemove $(tw_to_screen 20 20) click 1
tw_wait_trace ' cursor IDC_WAIT$' 10 || tw_fail "no fill began"
drop_files "$picture"
for _ in $(seq 600); do
    [ "$(tw_fills_done)" -gt "$fills" ] && break
    sleep 0.05
done
no_box_for 2 || tw_fail "a drop during a fill was offered"
echo "a drop during a fill did nothing"
waits_before=$(grep -c ' cursor IDC_WAIT$' "$TW_TRACE")

# Yes: the wait cursor over a page screen that still paints, then the new page.
xdotool mousemove $(tw_to_screen 330 230)
drop_files "$picture"
wait_box 10 || tw_fail "no question after the second drop"
xdotool key Return
for _ in $(seq 200); do
    [ "$(grep -c ' cursor IDC_WAIT$' "$TW_TRACE")" -gt "$waits_before" ] && break
    sleep 0.05
done
[ "$(grep -c ' cursor IDC_WAIT$' "$TW_TRACE")" -gt "$waits_before" ] || tw_fail "no wait cursor while the page was made"
python3 "$(dirname "$0")/cursor_shot.py" "$shots/xvfb-picture-drop-making.png" ||
    tw_fail "no screenshot while the page was made"
for _ in $(seq 600); do
    ls "$child"/replaced/dogwood.*.TWP >/dev/null 2>&1 && break
    sleep 0.1
done
kept=$(ls "$child"/replaced/dogwood.*.TWP 2>/dev/null | head -n1)
[ -n "$kept" ] || tw_fail "the old page was not kept in replaced/"
cmp -s "$kept" "$child/dogwood.TWP" && tw_fail "the slot still holds the old page"
tw_settled_screenshot "$shots/xvfb-picture-drop-new-page.png"
"$pages" list | tee "$TW_WORK/list.txt"
grep -E '^ +1 +dogwood.TWP .*made from a picture, 1 replaced kept' "$TW_WORK/list.txt" >/dev/null ||
    tw_fail "tintwell-pages list does not show the made page and its kept one"

# The new page colours: a click inside the circle fills it, left and right of the click.
tw_fill 200 230
tw_screenshot "$shots/xvfb-picture-drop-coloured.png"
red=$(convert "$shots/xvfb-picture-drop-coloured.png" -format '%[pixel:p{'"$(tw_to_screen 200 230 | tr ' ' ',')"'}]' info:)
[ "$red" != "srgb(255,255,255)" ] && [ "$red" != "white" ] || tw_fail "the click did not colour the new page ($red)"
echo "the new page is on screen and colours"

# tintwell PICTURE from a second start, named from where it starts: handed to the running copy,
# which asks and, on Yes, makes the page; the coloured page it replaces is kept too.
xdotool mousemove $(tw_to_screen 330 230)
tw_start "$TW_WORK" second env TINTWELL_WINDOWED=1 "$(readlink -f "$bin")" "$(basename "$picture")"
tw_expect_exit "$TW_PID" 10 255 "the second copy"
wait_box 10 || tw_fail "the running copy did not ask about the second start's picture"
xdotool key Return
for _ in $(seq 600); do
    [ "$(ls "$child"/replaced/dogwood.*.TWP 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
done
"$pages" list >"$TW_WORK/list.txt"
grep -E '^ +1 +dogwood.TWP .*not coloured +made from a picture, 2 replaced kept' "$TW_WORK/list.txt" >/dev/null ||
    tw_fail "the second start's picture made no page: $(cat "$TW_WORK/list.txt")"
tw_settled_screenshot "$TW_WORK/second.png"
echo "the second start's picture became the page in the running copy"

xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 0 "after q"

# tintwell PICTURE with no copy running: asked once the page screen is up, not before.
tw_start "$TW_WORK" first env TINTWELL_WINDOWED=1 "$(readlink -f "$bin")" "$picture"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" "$pid" || tw_fail "no window for tintwell PICTURE"
tw_window_origin "$TW_WID"
no_box_for 2 || tw_fail "asked on the title screen"
tw_pass_title "$TW_WID"
wait_box 10 || tw_fail "tintwell PICTURE did not ask once the page screen was up"
xdotool key Right Return
sleep 1
box_up && tw_fail "the box stayed after No"
xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 0 "after q"
echo "tintwell PICTURE asked once the page screen was up"
echo "PASS"
