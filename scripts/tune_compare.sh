#!/usr/bin/env bash
# The tune as two builds play it, compared with sox: each program runs in a window on a private
# virtual screen with SDL's disk audio driver, untouched (no effect sounds over the tune), for
# SECONDS; each recording is cut from its first sound on, and sox gives the loudness of each, of
# each above 8 kHz, and of the difference between the two, sample by sample.
#   scripts/tune_compare.sh BEFORE_BINARY [AFTER_BINARY]   (after: build/release/tintwell)
# Environment: SECONDS_COMPARED (default 20).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
before=${1:-}
after=${2:-$root/build/release/tintwell}
[ -n "$before" ] && [ -x "$before" ] && [ -x "$after" ] ||
    { echo "usage: scripts/tune_compare.sh BEFORE_BINARY [AFTER_BINARY]" >&2; exit 2; }
span=${SECONDS_COMPARED:-20}
TW_NAME=tune_compare
. "$root/tests/xvfb/xvfb_common.bash"
tw_need_tools sox
tw_prepare_dir "$root"
tw_start_xvfb 1024x768

# record BINARY NAME: the program's mix, as a WAV file from its first sound on.
record() {
    tw_start_program "$1" "$2" TINTWELL_WINDOWED=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TW_WORK/$2.raw"
    tw_wait_window 30 "$TW_PID" || tw_fail "$2: no window titled Tintwell"
    sleep $((span + 5))
    kill -9 "$TW_PID"  # the recording is written as it plays
    wait "$TW_PID" 2>/dev/null
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$TW_WORK/$2.raw" "$TW_WORK/$2.wav" silence 1 1 0 trim 0 "$span" ||
        tw_fail "$2: sox cannot read the recording"
}
# rms FILE [EFFECT...]
rms() { sox "$1" -n "${@:2}" stat 2>&1 | awk -F: '/^RMS +amplitude/ {gsub(/ /, "", $2); print $2}'; }

record "$before" before
record "$after" after
printf "%-34s %10s %10s\n" "" before after
printf "%-34s %10s %10s\n" "RMS of the tune" "$(rms "$TW_WORK/before.wav")" "$(rms "$TW_WORK/after.wav")"
printf "%-34s %10s %10s\n" "RMS above 8 kHz" "$(rms "$TW_WORK/before.wav" sinc 8000)" "$(rms "$TW_WORK/after.wav" sinc 8000)"
difference=$(sox -m -v 1 "$TW_WORK/before.wav" -v -1 "$TW_WORK/after.wav" -n stat 2>&1 |
    awk -F: '/^RMS +amplitude/ {gsub(/ /, "", $2); print $2}')
echo "RMS of the difference, sample by sample, over $span s: $difference"
