#!/usr/bin/env bash
# A page made from a picture is coloured in the real program: tintwell-pages turns a drawing of a
# ring and a square into a page and puts it into slot 1 of the child's folder (keeping the shipped
# page under replaced/); Tintwell shows it, and a click inside the ring fills the inside of the
# ring, and nothing beyond its outline, with the current crayon (red); meanwhile tintwell-pages
# refuses to replace a page. After "q" it lists the slot as coloured and made from a picture.
#   pages.sh TINTWELL_BINARY SOURCE_DIR
set -u
bin=$1
src=$2
. "$(dirname "$0")/xvfb_common.bash"

pages=$(dirname "$(readlink -f "$bin")")/tintwell-pages
[ -x "$pages" ] || tw_fail "no tintwell-pages beside $bin"
tw_need_tools
tw_prepare_dir "$src"
tw_start_xvfb 1024x768
shots=${TW_SHOTS:-$PWD}

# The picture: twice the page's size, so page point (x, y) is picture point (2x, 2y).
picture="$TW_WORK/ring.png"
convert -size 1320x920 xc:'#f4f2ee' -fill none -stroke '#202020' -strokewidth 10 \
    -draw "circle 660,460 660,160" -draw "rectangle 1050,150 1250,350" "$picture" ||
    tw_fail "cannot draw the picture"
"$pages" make "$picture" --slot 1 --preview "$shots/xvfb-pages-page.png" || tw_fail "tintwell-pages make failed"
ls "$TW_WORK/child/replaced/"dogwood.*.TWP >/dev/null 2>&1 || tw_fail "the shipped dogwood.TWP was not kept"

# Page points: the ring's centre (clicked), inside the ring, on its outline, outside it, and
# inside the square.
points="fill 330 230
fill 250 230
fill 330 310
outline 480 230
paper 40 40
paper 575 125"

trace="$TW_WORK/trace.txt"
tw_start_program "$bin" first TINTWELL_WINDOWED=1 TINTWELL_TRACE="$trace"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
geometry=$(tw_window_geometry "$TW_WID")
wx=$(echo "$geometry" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
wy=$(echo "$geometry" | sed 's/.*+\([0-9]*\)$/\1/')
to_screen() { echo $((wx + 1 + 70 + $1)) $((wy + 1 + 70 + $2)); }

for i in $(seq $((${TW_WINDOW_WAIT:-10} * 20))); do
    grep -q ' cursor EditCursor$' "$trace" 2>/dev/null && break
    sleep 0.05
done
grep -q ' cursor EditCursor$' "$trace" || tw_fail "the page screen did not come up"

# While Tintwell runs, no page is put in its way.
"$pages" make "$picture" --slot 2 2>"$TW_WORK/refused.txt"
status=$?
[ "$status" -eq 2 ] && grep -q 'Tintwell is running' "$TW_WORK/refused.txt" ||
    tw_fail "tintwell-pages put a page into slot 2 while Tintwell ran (status $status)"

xdotool mousemove $(to_screen 330 230) click 1
fill_done() {
    awk '$3 == "IDC_WAIT" {open = 1; next} open && $2 == "cursor" {done = 1} END {exit !done}' "$trace"
}
for i in $(seq $((${TW_FILL_WAIT:-30} * 20))); do
    fill_done && break
    kill -0 "$pid" 2>/dev/null || tw_fail "the program ended during the fill"
    sleep 0.05
done
fill_done || tw_fail "no fill started and ended within ${TW_FILL_WAIT:-30} s of the click"

tw_expect_fill "$shots/xvfb-pages.png" "expected 255,0,0 inside the ring, 0,0,0 on it, anything but red beyond it"

xdotool key q
tw_wait_exit "$pid" "${TW_EXIT_WAIT:-5}" || tw_fail "still running ${TW_EXIT_WAIT:-5} s after q"
[ "$TW_STATUS" -eq 0 ] || tw_fail "exit status $TW_STATUS after q"

listing=$("$pages" list) || tw_fail "tintwell-pages list failed"
echo "$listing"
grep -Eq '^ +1 +dogwood.TWP +DOGWOOD +coloured +made from a picture, 1 replaced kept$' <<<"$listing" ||
    tw_fail "slot 1 is not listed as a coloured page made from a picture"
echo "PASS"
