#!/usr/bin/env bash
# What the child hears, rendered to a file by SDL's disk audio driver: the tune plays from
# start-up on its own, and a fill's effects sound over it (they peak far above the tune).
#   sound.sh TINTWELL_BINARY SOURCE_DIR
set -u
bin=$1
src=$2
. "$(dirname "$0")/xvfb_common.bash"

tw_need_tools sox
tw_prepare_dir "$src"
tw_start_xvfb 1024x768
[ -f "$TW_WORK/child/tintmus.mid" ] || tw_fail "no tintmus.mid among the shipped files"

audio="$TW_WORK/audio.raw"
trace="$TW_WORK/trace.txt"
tw_start_program "$bin" first TINTWELL_WINDOWED=1 TINTWELL_TRACE="$trace" \
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
geometry=$(tw_window_geometry "$TW_WID")
wx=$(echo "$geometry" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
wy=$(echo "$geometry" | sed 's/.*+\([0-9]*\)$/\1/')
for i in $(seq $((${TW_WINDOW_WAIT:-10} * 20))); do
    grep -q ' cursor EditCursor$' "$trace" 2>/dev/null && break
    sleep 0.05
done
grep -q ' cursor EditCursor$' "$trace" || tw_fail "the page screen did not come up"

# The tune alone for two seconds, then a fill in the sky of the first page (client point
# (320, 130); the client area starts one pixel into the window).
sleep 2
xdotool mousemove $((wx + 1 + 320)) $((wy + 1 + 130)) click 1
fill_done() {
    awk '$3 == "IDC_WAIT" {open = 1; next} open && $2 == "cursor" {done = 1} END {exit !done}' "$trace"
}
for i in $(seq $((${TW_FILL_WAIT:-30} * 20))); do
    fill_done && break
    sleep 0.05
done
fill_done || tw_fail "no fill started and ended within ${TW_FILL_WAIT:-30} s of the click"
sleep 0.5
xdotool key q
tw_wait_exit "$pid" "${TW_EXIT_WAIT:-5}" || tw_fail "still running after q"
[ "$TW_STATUS" -eq 0 ] || tw_fail "exit status $TW_STATUS after q"
[ -s "$audio" ] || tw_fail "nothing was rendered to $audio"

# The mixer's stream: 44.1 kHz, 16-bit, two channels.
stat_of() { sox -t raw -r 44100 -e signed -b 16 -c 2 "$audio" -n "$@" stat 2>&1; }
field() { awk -v f="$1" -F: '$1 ~ f {gsub(/ /, "", $2); print $2; exit}'; }
length=$(stat_of | field '^Length')
tune_rms=$(stat_of trim 0.5 1.0 | field '^RMS +amplitude')
peak=$(stat_of | field '^Maximum +amplitude')
echo "rendered ${length} s; the tune alone: RMS ${tune_rms}; loudest sample ${peak}"
awk -v l="$length" 'BEGIN {exit !(l >= 4)}' || tw_fail "only ${length} s of sound for a run of several seconds"
awk -v r="$tune_rms" 'BEGIN {exit !(r > 0.003)}' || tw_fail "the tune is silent (RMS ${tune_rms})"
awk -v p="$peak" 'BEGIN {exit !(p > 0.3)}' || tw_fail "no effect louder than the tune was heard (peak ${peak})"
echo "PASS"
