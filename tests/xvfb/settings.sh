#!/usr/bin/env bash
# The settings for parents and classrooms in a real window, with the mouse and the keys:
#  1. From tintwell.ini: Quit=grownup (a tap on "q" and a click on Quit do not quit; Quit held
#     down with the mouse shows its bar filling, then quits and saves), Print=off ("p" and the
#     Print button open no dialog), Music=off (no sound device at start-up; after a fill's
#     effects, silence).
#  2. The command line over the file: --print on (the dialog opens), --music on (the tune plays);
#     "q" held down for two seconds quits.
#  3. Window=window in the file makes a window; --window fullscreen covers the screen again.
#  4. Damaged settings files start the program with the defaults and name the file on stderr.
#  5. FreshPages=on: the page coloured in 1 comes back as shipped, the coloured one is kept in
#     replaced/ where tintwell-pages counts it; Sounds=off with Music=off opens no sound device.
#  6. Without a file, the command line alone: what 1 shows, and fresh pages.
#   settings.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
# Nine starts of the program, some with the tune's SoundFont to load: on a busy machine a start
# may take a while.
TW_WINDOW_WAIT=${TW_WINDOW_WAIT:-30}
tw_setup "$1" "$2" 1024x768 sox
page="$TW_WORK/child/dogwood.TWP"
ini="$XDG_CONFIG_HOME/tintwell/tintwell.ini"
mkdir -p "$(dirname "$ini")"
pages_tool="$(dirname "$(readlink -f "$bin")")/tintwell-pages"

# still_running WHAT: the program has not ended a second after WHAT.
still_running() {
    sleep 1
    kill -0 "$TW_PID" 2>/dev/null || tw_fail "the program ended after $1"
}
# click_client X Y: a click at the main window's client point.
click_client() {
    xdotool mousemove $((TW_WX + 1 + $1)) $((TW_WY + 1 + $2)) click 1
}
# middle FILE: the middle of the page screen, where a dialog shows (dialogs are drawn on the
# program's own screen, not as windows of their own).
middle() {
    tw_screenshot "$TW_WORK/whole.png"
    convert "$TW_WORK/whole.png" -crop "300x200+$((TW_WX + 251))+$((TW_WY + 201))" +repage "$1"
}
# dialog_after KEY-OR-CLICK...: how many pixels of the middle of the screen change within 1.5 s
# of the xdotool command given.
dialog_after() {
    middle "$TW_WORK/before.png"
    xdotool "$@"
    sleep 1.5
    middle "$TW_WORK/after.png"
    compare -metric AE "$TW_WORK/before.png" "$TW_WORK/after.png" null: 2>&1 | cut -d' ' -f1
}
no_print_dialog() {
    local changed
    changed=$(dialog_after "${@:2}")
    [ "$changed" = 0 ] || tw_fail "$1 changed $changed pixels of the middle of the screen: a dialog"
}
# rms FILE FROM: the RMS amplitude of the mix the disk driver wrote, from FROM seconds on.
rms() {
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$1" -n trim "$2" stat 2>&1 | awk -F: '/^RMS +amplitude/ {gsub(/ /, "", $2); print $2}'
}

# grownup_quiet NAME [COMMAND...]: with Quit=grownup, Print=off and Music=off set (by the file
# or the command line), the program opens no sound device at start-up (COMMAND runs then); after
# a fill, "p" and a click on Print open no dialog, a tap on "q" and a click on Quit do not quit;
# Quit held down with the mouse shows its bar filling, then quits and saves; the sound after the
# fill's effects is silent.
grownup_quiet() {
    local audio="$TW_WORK/audio-$1.raw" shot="$shots/xvfb-settings-quit-held-$1.png" left right bar_y silence
    tw_start_page_screen "$bin" "$1" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
    [ -e "$audio" ] && tw_fail "$1: a sound device was opened at start-up with the music off"
    "${@:2}"
    tw_fill $cx $cy
    no_print_dialog "p" key p
    no_print_dialog "a click on Print" mousemove $((TW_WX + 1 + 318 + 40)) $((TW_WY + 1 + 12 + 22)) click 1
    xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key q
    still_running "a tap on q"
    click_client $((12 + 48)) $((12 + 22))
    still_running "a click on Quit"
    # Held: half way, the bar under QUIT is white on the left and still black on the right.
    xdotool mousemove $((TW_WX + 1 + 12 + 48)) $((TW_WY + 1 + 12 + 22)) mousedown 1
    sleep 1
    tw_screenshot "$shot"
    bar_y=$((TW_WY + 1 + 12 + 35))
    left=$(tw_pixel "$shot" $((TW_WX + 1 + 12 + 20)) $bar_y)
    right=$(tw_pixel "$shot" $((TW_WX + 1 + 12 + 76)) $bar_y)
    [ "$left" = "srgb(255,255,255)" ] && [ "$right" = "srgb(0,0,0)" ] ||
        tw_fail "$1: a second into the hold the Quit button's bar shows $left on the left and $right on the right; screenshot: $shot"
    echo "the Quit button held for a second: its bar half filled; screenshot: $shot"
    tw_expect_exit "$TW_PID" 5 0 "Quit held down"
    xdotool mouseup 1
    tw_expect_saved "$page"
    [ -s "$audio" ] || tw_fail "$1: the fill's effects made no sound"
    silence=$(rms "$audio" -3)  # the last seconds: the clicks and the hold after the fill
    awk -v r="$silence" 'BEGIN {exit !(r == 0)}' || tw_fail "$1: with the music off the sound after the fill's effects has RMS $silence"
    echo "no print dialog, no tune: the sound after the fill's effects is silent"
}

echo "1. Quit=grownup, Print=off, Music=off from $ini"
printf '[Tintwell]\nQuit=grownup\nPrint=off\nMusic=off\n' >"$ini"
cx=250
cy=60
tw_region_points "$page" $cx $cy
grownup_quiet file

echo "2. The command line over the file: --print on --music on"
audio="$TW_WORK/audio-2.raw"
TW_ARGS=(--print on --music=on)
tw_start_page_screen "$bin" commandline SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
TW_ARGS=()
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300))
changed=$(dialog_after key p)
[ "$changed" -gt 10000 ] || tw_fail "--print on: p changed only $changed pixels of the middle of the screen: no dialog"
cp "$TW_WORK/after.png" "$shots/xvfb-settings-print-dialog.png"
xdotool key Escape
sleep 1
tune=$(rms "$audio" 0.5)
awk -v r="$tune" 'BEGIN {exit !(r > 0.003)}' || tw_fail "--music on: the tune is silent (RMS $tune)"
echo "the print dialog opened and the tune plays (RMS $tune)"
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) keydown q
sleep 1
kill -0 "$TW_PID" 2>/dev/null || tw_fail "q held for a second quit"
sleep 1.5
xdotool keyup q
tw_expect_exit "$TW_PID" 5 0 "q held down for two seconds"

echo "3. Window=window from the file, --window fullscreen over it"
printf '[Tintwell]\nWindow=window\n' >"$ini"
for run in window fullscreen; do
    TW_ARGS=()
    [ $run = fullscreen ] && TW_ARGS=(--window fullscreen)
    tw_start_program "$bin" "$run"
    tw_wait_window "$TW_WINDOW_WAIT" "$TW_PID" || tw_fail "$run: no window titled Tintwell"
    tw_pass_title "$TW_WID"
    geometry=$(tw_window_geometry "$TW_WID")
    want=800x600
    [ $run = fullscreen ] && want=1024x768+0+0
    case $geometry in
    $want*) echo "$run: the window is $geometry" ;;
    *) tw_fail "$run: the window is $geometry, not $want" ;;
    esac
    xdotool key q
    tw_expect_exit "$TW_PID" 10 0 "$run: after q"
done
TW_ARGS=()

echo "4. Damaged settings files"
python3 - "$TW_WORK/damaged" <<'EOF'
import os, random, sys
folder = sys.argv[1]
os.makedirs(folder)
rnd = random.Random(21)
files = {
    "binary": bytes(range(256)) * 64,
    "long-lines": b"[Tintwell]\n" + b"Quit=grownup " * 50000 + b"\nPrint=off" + b"x" * 100000 + b"\n",
    "no-value": b"[Tintwell]\nQuit\nPrint\n",
    "garbage": bytes(rnd.getrandbits(8) for _ in range(1 << 20)),
}
for name, data in files.items():
    open(os.path.join(folder, name), "wb").write(data)
EOF
for damaged in binary long-lines no-value garbage; do
    cp "$TW_WORK/damaged/$damaged" "$ini"
    tw_start_page_screen "$bin" "damaged-$damaged"
    grep -q "settings file $ini is damaged" "$TW_WORK/program-damaged-$damaged.log" ||
        tw_fail "$damaged: stderr does not name $ini"
    xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key q
    tw_expect_exit "$TW_PID" 5 0 "$damaged: a tap on q (Quit=child, the default)"
    echo "$damaged: named on stderr; started with the defaults"
done

echo "5. FreshPages=on, Sounds=off, Music=off"
cp "$page" "$TW_WORK/coloured.TWP"
printf '[Tintwell]\nFreshPages=on\nSounds=off\nMusic=off\n' >"$ini"
audio="$TW_WORK/audio-5.raw"
tw_start_page_screen "$bin" fresh SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
cmp -s "$page" "$src/pages/dogwood.TWP" || tw_fail "the coloured dogwood.TWP did not come back as shipped"
kept=$(ls "$TW_WORK/child/replaced")
case $kept in
dogwood.[0-9]*-[0-9]*.TWP) ;;
*) tw_fail "replaced/ holds '$kept', not the coloured dogwood.TWP" ;;
esac
cmp -s "$TW_WORK/child/replaced/$kept" "$TW_WORK/coloured.TWP" || tw_fail "replaced/$kept is not the coloured page"
tw_fill $cx $cy
xdotool key q
tw_expect_exit "$TW_PID" 5 0 "after q"
[ -e "$audio" ] && tw_fail "Sounds=off and Music=off, yet a sound device was opened"
if [ -x "$pages_tool" ]; then
    "$pages_tool" list | grep -q '^ *1 .*1 replaced kept' || tw_fail "tintwell-pages list does not count the page put aside"
fi
echo "the coloured page came back as shipped, kept as replaced/$kept; no sound device was opened"

echo "6. No file: --quit grownup --print off --music off --fresh-pages on"
rm "$ini"
cp "$page" "$TW_WORK/coloured.TWP"
# fresh_again: the page coloured in 5 is back as shipped, and kept beside the one kept before.
fresh_again() {
    cmp -s "$page" "$src/pages/dogwood.TWP" || tw_fail "--fresh-pages on: the coloured dogwood.TWP did not come back as shipped"
    [ "$(ls "$TW_WORK/child/replaced" | wc -l)" = 2 ] || tw_fail "--fresh-pages on: replaced/ holds $(ls "$TW_WORK/child/replaced")"
    echo "--fresh-pages on: the coloured page came back as shipped"
}
TW_ARGS=(--quit grownup --print off --music off --fresh-pages on)
grownup_quiet commandline fresh_again
TW_ARGS=()
echo "PASS"
