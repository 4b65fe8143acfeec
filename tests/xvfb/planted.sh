#!/usr/bin/env bash
# Things planted in the child's folder by someone else who can write there hang nothing and send
# no write outside it. FIFOs in place of the first page, of a page turned to and of printer.dta:
# the program says the pages are missing, skips them and goes on, and "q" ends it. Links in place
# of the files a save writes first (dogwood.TWP.new a symbolic link, holly.TWP.new a hard link to
# files outside the folder, pansies.TWP.new a FIFO): the files outside stay as they were, and the
# pages are saved, the first with its colouring.
#   planted.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768
child="$TW_WORK/child"
mkdir "$TW_WORK/shipped"
cp "$child"/* "$TW_WORK/shipped/"

# 1. FIFOs: the first page, the third page and printer.dta.
rm "$child/dogwood.TWP" "$child/pansies.TWP"
mkfifo "$child/dogwood.TWP" "$child/pansies.TWP" "$child/printer.dta"
TW_TRACE="$TW_WORK/trace-fifos.txt"
tw_start_program "$bin" fifos TINTWELL_WINDOWED=1 TINTWELL_TRACE="$TW_TRACE"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" "$pid" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"  # printer.dta is read here
# The box for the first page, answered; then the second page's screen.
tw_settled_screenshot "$shots/xvfb-planted-fifo-box.png"
xdotool key Return
tw_wait_trace ' cursor EditCursor$' 10 || tw_fail "the page screen did not come up past the FIFO page"
xdotool key Next
tw_settled_screenshot "$TW_WORK/next.png"
xdotool key Return  # the box for pansies.TWP
tw_settled_screenshot "$shots/xvfb-planted-fifo-next.png"
xdotool key q
tw_expect_exit "$pid" 10 0 "after q past the FIFOs"
[ -p "$child/dogwood.TWP" ] && [ -p "$child/pansies.TWP" ] && [ -p "$child/printer.dta" ] ||
    tw_fail "a FIFO was replaced"
echo "FIFOs as pages and as printer.dta: skipped, no hang"

# 2. Links and a FIFO where the saves write first.
rm -f "$child"/*
cp "$TW_WORK/shipped"/* "$child/"
echo "not the program's" >"$TW_WORK/outside-a"
echo "not the program's either" >"$TW_WORK/outside-b"
cp "$TW_WORK/outside-a" "$TW_WORK/outside-a.before"
cp "$TW_WORK/outside-b" "$TW_WORK/outside-b.before"
ln -s "$TW_WORK/outside-a" "$child/dogwood.TWP.new"
ln "$TW_WORK/outside-b" "$child/holly.TWP.new"
mkfifo "$child/pansies.TWP.new"
tw_region_points "$child/dogwood.TWP" 250 60
tw_start_page_screen "$bin" links
tw_fill 250 60
xdotool key Next   # saves dogwood.TWP
sleep 1
xdotool key Next   # saves holly.TWP
sleep 1
xdotool key q      # saves pansies.TWP
tw_expect_exit "$TW_PID" 10 0 "after q"
cmp -s "$TW_WORK/outside-a" "$TW_WORK/outside-a.before" || tw_fail "the file behind the symbolic link changed"
cmp -s "$TW_WORK/outside-b" "$TW_WORK/outside-b.before" || tw_fail "the file behind the hard link changed"
tw_expect_saved "$child/dogwood.TWP"
for page in dogwood.TWP holly.TWP pansies.TWP; do
    [ -f "$child/$page" ] && [ ! -L "$child/$page" ] || tw_fail "$page is not a file of its own"
    [ "$(stat -c %s "$child/$page")" -eq 304678 ] || tw_fail "$page was not saved"
done
ls "$child"/*.new >/dev/null 2>&1 && tw_fail "left behind: $(ls "$child"/*.new)"
echo "links and a FIFO as the new files: nothing outside the folder changed, every page saved"
echo "PASS"
