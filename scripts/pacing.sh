#!/usr/bin/env bash
# How long the animated fill and the clear wave take in a real window. The first page is replaced
# by an outline-free one, so that a click fills the whole page; then the page is filled (a click)
# and cleared (the "c" key) in turn, RUNS times each. Each one is timed from the program's trace
# (TINTWELL_TRACE): the wait cursor shows for exactly as long as a fill or a clear runs. The
# durations are printed with their ratio to the paced minimum: 605 redraws 10 ms apart for the
# fill, 94 frames 30 ms apart for the clear. Exits 1 when a ratio is above LIMIT.
#   scripts/pacing.sh [TINTWELL_BINARY]   (default: build/release/tintwell)
# Environment: RUNS (default 3), LIMIT (default 1.02), SIZE (the screen, default 1024x768),
# FULLSCREEN=1 (the program covers the whole screen, scaled, instead of an 800 x 600 window).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/release/tintwell}
[ -x "$bin" ] || { echo "no tintwell binary at $bin; give its path" >&2; exit 2; }
runs=${RUNS:-3}
limit=${LIMIT:-1.02}
fill_ms=6050
clear_ms=2820
. "$root/tests/xvfb/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$root"
tw_start_xvfb "${SIZE:-1024x768}"

# A blank 660 x 460 one-bit page: every pixel paper, the blank flag set.
python3 - "$TW_WORK/child/dogwood.TWP" <<'EOF'
import struct, sys
width, height = 660, 460
row = (width + 31) // 32 * 4
head = struct.pack("<2sIHHI", b"TW", 62 + row * height, 1, 0, 62)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, row * height, 2835, 2835, 2, 2)
colours = bytes([0, 0, 0, 0, 255, 255, 255, 0])
with open(sys.argv[1], "wb") as f:
    f.write(head + info + colours + b"\xff" * (row * height))
EOF
[ "$(stat -c %s "$TW_WORK/child/dogwood.TWP")" -eq 38702 ] || tw_fail "the blank page is not 38,702 bytes"

if [ "${FULLSCREEN:-0}" = 1 ]; then
    tw_start_page_screen "$bin" pacing TINTWELL_WINDOWED=0
else
    tw_start_page_screen "$bin" pacing
fi
pid=$TW_PID
trace=$TW_TRACE
# The middle of the page (client (400, 300); the window has a one-pixel border), which is the
# middle of the window however it is scaled. Keys go to the window under the pointer.
geometry=$(tw_window_geometry "$TW_WID")
width=${geometry%%x*}
height=${geometry#*x}
height=${height%%+*}
echo "the program's window: $geometry"
xdotool mousemove $((TW_WX + width / 2)) $((TW_WY + height / 2))
sleep 0.5

# wait_for N SECONDS
wait_for() {
    local i
    for i in $(seq $(($2 * 20))); do
        [ "$(tw_fills_done)" -ge "$1" ] && return 0
        kill -0 "$pid" 2>/dev/null || tw_fail "the program ended"
        sleep 0.05
    done
    tw_fail "operation $1 did not finish within $2 s"
}

n=0
for r in $(seq "$runs"); do
    xdotool click 1
    n=$((n + 1))
    wait_for $n 60
    sleep 0.3
    xdotool key c
    n=$((n + 1))
    wait_for $n 60
    sleep 0.3
done

awk -v fill="$fill_ms" -v clear="$clear_ms" -v limit="$limit" '
    $3 == "IDC_WAIT" {start = $1; open = 1; next}
    open && $2 == "cursor" {
        open = 0; k++
        what = k % 2 ? "fill" : "clear"
        base = k % 2 ? fill : clear
        ms = $1 - start
        ratio = ms / base
        printf "%-5s %d: %8.1f ms  ratio %.4f\n", what, int((k + 1) / 2), ms, ratio
        if (ratio > limit) over++
    }
    END {
        if (over) { printf "%d of %d above %.2f\n", over, k, limit; exit 1 }
        printf "all %d within %.2f\n", k, limit
    }' "$trace"
status=$?
xdotool key q
tw_wait_exit "$pid" 10 || echo "note: the program did not end after q" >&2
exit $status
