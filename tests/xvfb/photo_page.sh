#!/usr/bin/env bash
# A page made from a photo is coloured in the real program: tintwell-pages takes a photo-like
# picture (a sky shading from blue to pale, a sun, a ball on shaded grass, with a camera's grain)
# for a photo and puts its page into slot 1, the page Tintwell opens on. In Tintwell one click in the sky fills all of the
# sky, from its top to the horizon and on both sides of the sun, and nothing else; a click on the
# grass then fills all of the grass round the ball, and neither click fills the sun or the ball.
#   photo_page.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
pages=$(dirname "$(readlink -f "$bin")")/tintwell-pages
[ -x "$pages" ] || tw_fail "no tintwell-pages beside $bin"

# Twice the page's size, so page point (x, y) is picture point (2x, 2y); the horizon at y = 280.
picture="$TW_WORK/garden.jpg"
convert -seed 1 -size 1320x560 gradient:'#4a86e0-#c4d8e4' \( -size 1320x360 gradient:'#4c9c3a-#3a6424' \) -append \
    -fill '#ffd830' -draw 'circle 1060,180 1060,270' -fill '#d42424' -draw 'circle 420,700 420,810' \
    -attenuate 0.3 +noise Gaussian -quality 90 "$picture" || tw_fail "cannot draw the picture"
said=$("$pages" make "$picture" --slot 1 --preview "$shots/xvfb-photo-page-page.png") ||
    tw_fail "tintwell-pages make failed"
echo "$said"
grep -q 'looks like a photo' <<<"$said" || tw_fail "the picture was not taken for a photo"

tw_start_page_screen "$bin" photo
pid=$TW_PID

sky="fill 20 20
fill 640 20
fill 330 140
fill 630 250
fill 20 260"
sun="paper 530 90"
ball="paper 210 350"
grass="fill 20 440
fill 640 300
fill 330 440"

tw_fill 20 20
points="$sky
$sun
$ball
${grass//fill/paper}"
tw_expect_fill "$shots/xvfb-photo-page-sky.png" "expected all of the sky red, and nothing else"

tw_fill 20 440
points="$sky
$sun
$ball
$grass"
tw_expect_fill "$shots/xvfb-photo-page.png" "expected the sky and the grass red, the sun and the ball not"

xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after q"
echo "PASS"
