#!/usr/bin/env bash
# A click fills a region in a real window: a click in the sky of the first page colours the whole
# sky with the current crayon (red at start) on screen, while the outline round it stays black and
# the paper beyond it stays paper. "q" then ends the program with status 0, and the page file has
# been written back as an eight-bit page, no longer blank, holding the crayon's index (2) over the
# sky and nothing new elsewhere.
#   fill.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
page="$TW_WORK/child/dogwood.TWP"
[ -f "$page" ] || tw_fail "no dogwood.TWP among the shipped pages"

# The page point clicked: in the sky, between the sun and the first flower.
cx=250
cy=60
tw_region_points "$page" $cx $cy
echo "the region clicked holds $(echo "$points" | awk '$1 == "size" {print $2}') pixels"

tw_start_page_screen "$bin" first
pid=$TW_PID
tw_fill $cx $cy
tw_expect_fill "$shots/xvfb-fill.png" "expected 255,0,0 over the region, 0,0,0 on the outline, anything but red on the paper"

xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after q"
tw_expect_saved "$page"
echo "PASS"
