#!/usr/bin/env bash
# What the child hears, rendered to a file by SDL's disk audio driver: the tune plays from
# start-up on its own, and a fill's effects sound over it (they peak far above the tune).
#   sound.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768 sox
[ -f "$TW_WORK/child/tintmus.mid" ] || tw_fail "no tintmus.mid among the shipped files"

audio="$TW_WORK/audio.raw"
tw_start_page_screen "$bin" first SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
pid=$TW_PID

# The tune alone for two seconds, then a fill in the sky of the first page.
sleep 2
tw_fill 250 60
sleep 0.5
xdotool key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-5}" 0 "after q"
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
