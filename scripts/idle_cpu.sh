#!/usr/bin/env bash
# How much of one core an idle Tintwell uses: starts it in a window on a private virtual
# screen, lets it settle, and measures the CPU time of all its threads over ten seconds.
#   scripts/idle_cpu.sh [TINTWELL_BINARY]   (default: build/release/tintwell, else build/*/tintwell)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-}
if [ -z "$bin" ]; then
    for candidate in "$root"/build/release/tintwell "$root"/build/*/tintwell; do
        [ -x "$candidate" ] && bin=$candidate && break
    done
fi
[ -n "$bin" ] && [ -x "$bin" ] || { echo "no tintwell binary; give its path" >&2; exit 2; }
. "$root/tests/xvfb/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$root"
tw_start_xvfb 1024x768
settle=${TW_SETTLE:-3}
span=${TW_SPAN:-10}

tw_start_program "$bin" idle TINTWELL_WINDOWED=1
pid=$TW_PID
tw_wait_window 10 || tw_fail "no window"
tw_pass_title "$TW_WID"
sleep "$settle"
kill -0 "$pid" 2>/dev/null || tw_fail "the program ended"
before=$(tw_cpu_ns "$pid")
sleep "$span"
after=$(tw_cpu_ns "$pid")
awk -v ns=$((after - before)) -v s="$span" \
    'BEGIN {printf "idle CPU: %.2f %% of one core (%.1f ms of CPU time in %d s)\n", ns / 1e7 / s, ns / 1e6, s}'
tw_close_window "$TW_WID"
tw_wait_exit "$pid" 5 || echo "note: the program did not end after its window was closed" >&2
