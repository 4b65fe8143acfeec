#!/usr/bin/env bash
# What Tintwell costs the machine, for two builds side by side on one private virtual screen:
# the time from starting the program to its first screen (the window's map on the X server),
# its resident memory at the page screen, and the CPU time all its threads take over SPAN
# seconds at the page screen with the tune playing (into SDL's disk audio driver, which takes the
# mix at the pace of a sound card, so that a machine without one measures the same; a round whose
# recording is silent fails). The two programs take turns, ROUNDS times
# each, and the medians are shown; CPU is the process's own (the scheduler's accounting), so
# other work on the machine matters less, but on a busy machine run it again with more rounds.
#   scripts/footprint.sh BEFORE_BINARY [AFTER_BINARY]   (after: build/release/tintwell)
# Environment: ROUNDS (default 3), SPAN (default 60), SIZE (the screen, default 1024x768).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
before=${1:-}
after=${2:-$root/build/release/tintwell}
[ -n "$before" ] && [ -x "$before" ] && [ -x "$after" ] ||
    { echo "usage: scripts/footprint.sh BEFORE_BINARY [AFTER_BINARY]" >&2; exit 2; }
before=$(readlink -f "$before")
after=$(readlink -f "$after")
rounds=${ROUNDS:-3}
span=${SPAN:-60}
TW_NAME=footprint
. "$root/tests/xvfb/xvfb_common.bash"
tw_need_tools
tw_prepare_dir "$root"
tw_start_xvfb "${SIZE:-1024x768}"
results="$TW_WORK/results"

# launch BINARY NAME: starts the program in a window in a fresh copy of the pages and prints the
# milliseconds from its start to the first map of a window on the screen, then its process id.
launch() {
    local child="$TW_WORK/child-$2"
    rm -rf "$child"
    cp -r "$root/pages" "$child"
    python3 - "$1" "$child" "$TW_WORK/program-$2.log" <<'EOF'
import ctypes, os, select, subprocess, sys, time
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
for f in ("XDefaultRootWindow", "XConnectionNumber", "XPending", "XFlush"):
    getattr(x, f).argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
d = x.XOpenDisplay(None)
x.XSelectInput(d, x.XDefaultRootWindow(d), 1 << 19)  # SubstructureNotifyMask
x.XFlush(d)
event = (ctypes.c_long * 24)()
env = dict(os.environ, TINTWELL_WINDOWED="1", TINTWELL_PAGES=sys.argv[2], SDL_AUDIODRIVER="disk",
           SDL_DISKAUDIOFILE=sys.argv[3] + ".raw")
log = open(sys.argv[3], "w")
start = time.monotonic()
program = subprocess.Popen([sys.argv[1]], cwd=sys.argv[2], env=env, stdout=log, stderr=log)
deadline = start + 30
while time.monotonic() < deadline:
    while x.XPending(d):
        x.XNextEvent(d, event)
        if ctypes.cast(event, ctypes.POINTER(ctypes.c_int))[0] == 19:  # MapNotify
            print("%.1f %d" % ((time.monotonic() - start) * 1000, program.pid))
            sys.exit(0)
    select.select([x.XConnectionNumber(d)], [], [], 0.05)
print("none %d" % program.pid)
EOF
}

# measure BINARY NAME: one round of the program: its three figures, added to the results.
measure() {
    local out ms pid rss cpu0 cpu1
    out=$(launch "$1" "$2")
    ms=${out% *}
    pid=${out#* }
    TW_PIDS+=("$pid")
    [ "$ms" != none ] || tw_fail "$2: no window within 30 s"
    tw_wait_window 10 || tw_fail "$2: no window titled Tintwell"
    tw_pass_title "$TW_WID"
    sleep 3
    kill -0 "$pid" 2>/dev/null || tw_fail "$2: the program ended"
    rss=$(awk '/^VmRSS:/ {print $2}' /proc/"$pid"/status)
    cpu0=$(tw_cpu_ns "$pid")
    sleep "$span"
    cpu1=$(tw_cpu_ns "$pid")
    # The tune played: something but zeros in the last two seconds of the recording.
    [ -n "$(tail -c 352800 "$TW_WORK/program-$2.log.raw" | tr -d '\0' | head -c 1)" ] || tw_fail "$2: the tune is silent"
    tw_close_window "$TW_WID"
    for _ in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "$2 $ms $rss $((cpu1 - cpu0))" >>"$results"
    echo "$2: first screen $ms ms, $((rss / 1024)) MB resident, $(awk -v ns=$((cpu1 - cpu0)) -v s="$span" \
        'BEGIN {printf "%.2f", ns / 1e7 / s}') % of a core over $span s"
}

for round in $(seq "$rounds"); do
    # Each goes first in turn.
    if [ $((round % 2)) -eq 1 ]; then
        measure "$before" before
        measure "$after" after
    else
        measure "$after" after
        measure "$before" before
    fi
done

awk -v span="$span" -v rounds="$rounds" '
    function median(list, n,    i, j, t, a) {
        n = split(list, a, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    { ms[$1] = ms[$1] " " $2; rss[$1] = rss[$1] " " $3; cpu[$1] = cpu[$1] " " $4 }
    END {
        printf "\nMedians of %d rounds each                     before     after\n", rounds
        printf "%-44s %6.3f    %6.3f\n", "time to the first screen (s)", median(ms["before"]) / 1000, median(ms["after"]) / 1000
        printf "%-44s %6.1f    %6.1f\n", "resident memory at the page screen (MB)", median(rss["before"]) / 1024, median(rss["after"]) / 1024
        printf "%-44s %6.2f    %6.2f\n", "CPU with the tune over " span " s (% of a core)", median(cpu["before"]) / 1e7 / span, median(cpu["after"]) / 1e7 / span
    }' "$results"
