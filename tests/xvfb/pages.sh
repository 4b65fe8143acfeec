#!/usr/bin/env bash
# A page made from a picture is coloured in the real program: tintwell-pages turns a drawing of a
# ring and a square into a page and puts it into slot 1 of the child's folder (keeping the shipped
# page under replaced/); Tintwell shows it, and a click inside the ring fills the inside of the
# ring, and nothing beyond its outline, with the current crayon (red); meanwhile tintwell-pages
# refuses to replace a page, even from another runtime folder. After "q" it lists the slot as
# coloured and made from a picture.
#   pages.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
pages=$(dirname "$(readlink -f "$bin")")/tintwell-pages
[ -x "$pages" ] || tw_fail "no tintwell-pages beside $bin"

# The picture: twice the page's size, with a border drawn round it (so that it is not cut to what
# is drawn), so page point (x, y) is picture point (2x, 2y).
picture="$TW_WORK/ring.png"
convert -size 1320x920 xc:'#f4f2ee' -fill none -stroke '#202020' -strokewidth 10 -draw "rectangle 30,30 1290,890" \
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

tw_start_page_screen "$bin" first
pid=$TW_PID

# While Tintwell runs, no page is put in its way, whatever runtime folder tintwell-pages has.
mkdir -m 700 "$TW_WORK/elsewhere"
XDG_RUNTIME_DIR="$TW_WORK/elsewhere" "$pages" make "$picture" --slot 2 2>"$TW_WORK/refused.txt"
status=$?
[ "$status" -eq 2 ] && grep -q 'Tintwell is running' "$TW_WORK/refused.txt" ||
    tw_fail "tintwell-pages put a page into slot 2 while Tintwell ran (status $status)"

tw_fill 330 230
tw_expect_fill "$shots/xvfb-pages.png" "expected 255,0,0 inside the ring, 0,0,0 on it, anything but red beyond it"

xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after q"

listing=$("$pages" list) || tw_fail "tintwell-pages list failed"
echo "$listing"
grep -Eq '^ +1 +dogwood.TWP +DOGWOOD +coloured +made from a picture, 1 replaced kept$' <<<"$listing" ||
    tw_fail "slot 1 is not listed as a coloured page made from a picture"
echo "PASS"
