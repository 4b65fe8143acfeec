#!/usr/bin/env bash
# Soak run: the real program (the AddressSanitizer build unless TW_SOAK_BIN names another) on
# the SDL host under a private Xvfb, driven for SECONDS by random clicks and keys over every
# screen: the title screen, fills on the page, colour picks, Clear, page changes, Info with its
# dialogs, and the print dialog, always cancelled. Then Q. It checks that the program stayed
# alive, ended with status 0, made no sanitizer report (leaks inside system libraries are
# suppressed by tests/soak/lsan_system.supp, nothing else), left every page file whole and no
# ".new" file, and that its resident memory at the end is within 10 % of what it was after the
# first minute (a run shorter than two minutes only reports its memory: the program is still
# warming up).
#   scripts/soak.sh SECONDS [BUILD_DIR]     BUILD_DIR: build/asan by default
# TW_SOAK_SEED fixes the random sequence; TW_SOAK_LOG names a copy of the program's output.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: soak.sh SECONDS [BUILD_DIR]}
build=${2:-$here/build/asan}
bin=${TW_SOAK_BIN:-$build/tintwell}
[ -x "$bin" ] || { echo "soak: no program at $bin (build it first)"; exit 1; }
. "$here/tests/xvfb/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$here"
mkdir -p "$TW_WORK/home" "$TW_WORK/shipped"
cp -r "$here/pages/." "$TW_WORK/shipped/"
tw_start_xvfb 800x600
RANDOM=${TW_SOAK_SEED:-$$}
echo "soak: ${seconds}s of $bin, seed ${TW_SOAK_SEED:-$$}"

# Leak checking on, with the system libraries' own leftovers suppressed; printing goes to no
# printer of this machine, and anything saved goes into the scratch home.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=66:fast_unwind_on_malloc=0:quarantine_size_mb=32"
export LSAN_OPTIONS="suppressions=$here/tests/soak/lsan_system.supp:print_suppressions=${TW_SOAK_PRINT_SUPPRESSIONS:-0}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
tw_start_program "$bin" soak HOME="$TW_WORK/home" XDG_CONFIG_HOME="$TW_WORK/home/.config" \
    XDG_DATA_HOME="$TW_WORK/home/.local/share" CUPS_SERVER="$TW_WORK/run/no-cups" TINTWELL_WINDOWED=
pid=$TW_PID
log="$TW_WORK/program-soak.log"
tw_wait_window 60 "$pid" || tw_fail "no window titled Tintwell"

events=0
x() {  # one xdotool action, counted
    xdotool "$@" 2>/dev/null
    events=$((events + 1))
}
pause() { sleep "0.$(printf '%02d' $((RANDOM % ${1:-20} + 3)))"; }
rnd() { echo $(($1 + RANDOM % ($2 - $1 + 1))); }
# Screen points of client points (the window's client area starts at screen (1, 1)).
click() { x mousemove $(($1 + 1)) $(($2 + 1)) click 1; }
colours_x=(114 165 216 267 488 539 590 641)
rss() { awk '/^VmRSS/ {print $2}' /proc/"$pid"/status 2>/dev/null; }
alive() { kill -0 "$pid" 2>/dev/null; }

# A few random clicks and keys over whatever dialog is up (title screen, Info, About, Printing
# Options), then Escape until it is gone.
in_dialog() {
    local n i
    n=$(rnd 1 4)
    for i in $(seq "$n"); do
        case $((RANDOM % 5)) in
        0) x key Tab ;;
        1) x key space ;;
        2) x key Return ;;
        *) click "$(rnd 200 600)" "$(rnd 150 450)" ;;
        esac
        pause 30
    done
    for i in 1 2 3; do
        x key Escape
        pause 10
    done
}

start=$(date +%s)
baseline_at=$((seconds / 2 < 60 ? seconds / 2 : 60))
baseline=""
crashed=0
in_dialog  # the title screen
tw_pass_title "$TW_WID"
while :; do
    now=$(date +%s)
    elapsed=$((now - start))
    [ "$elapsed" -ge "$seconds" ] && break
    alive || { crashed=1; break; }
    if [ -z "$baseline" ] && [ "$elapsed" -ge "$baseline_at" ]; then
        baseline=$(rss)
        echo "soak: resident memory after ${elapsed}s: ${baseline} kB"
    fi
    r=$((RANDOM % 100))
    if [ $r -lt 30 ]; then
        click "$(rnd 70 729)" "$(rnd 70 529)"          # a fill, or nothing on an outline
    elif [ $r -lt 48 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then
            click $((${colours_x[RANDOM % 8]} + 22)) $((RANDOM % 2 ? 34 : 565))
        else
            click $((RANDOM % 2 ? 34 : 765)) $((84 + 51 * (RANDOM % 10) + 22))
        fi
    elif [ $r -lt 53 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then x key c; else click 442 34; fi
    elif [ $r -lt 66 ]; then
        case $((RANDOM % 6)) in
        0) x key Prior ;; 1) x key Next ;; 2) x key Up ;; 3) x key Down ;;
        4) click 293 565 ;; *) click 506 565 ;;
        esac
    elif [ $r -lt 74 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then x key i; else click 740 34; fi
        sleep 0.4
        in_dialog
    elif [ $r -lt 79 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then x key p; else click 357 34; fi
        sleep 0.8
        x key Escape
        pause 20
        x key Escape
    elif [ $r -lt 90 ]; then
        x mousemove "$(rnd 1 800)" "$(rnd 1 600)"
    else
        # Keys that do nothing on the page screen.
        keys=(Home End Left Right Return Tab space a z 1 Escape)
        x key "${keys[RANDOM % ${#keys[@]}]}"
    fi
    pause 15
done
end_rss=$(rss)
[ -n "$baseline" ] || baseline=$end_rss

if [ "$crashed" -eq 0 ]; then
    # As a hand would, the mouse moves before the keys: a crayon picked with a click keeps the
    # keyboard until the pointer next moves over the window, and Q meanwhile goes to the crayon.
    x mousemove 400 300
    sleep 0.2
    x mousemove 401 301
    for i in 1 2 3; do x key Escape; sleep 0.3; done
    # Q is dropped while a fill or a clear still runs: asked again until the program has gone.
    TW_STATUS=""
    for i in $(seq 40); do
        alive || break
        x key q
        tw_wait_exit "$pid" 3 && break
    done
    if [ -z "$TW_STATUS" ]; then
        if alive; then
            # What the screen shows and where each of the program's threads is, kept beside the
            # run (or beside TW_SOAK_LOG).
            shot=${TW_SOAK_LOG:+${TW_SOAK_LOG%.*}-}still-running.png
            [ -n "${TW_SOAK_LOG:-}" ] || shot="$PWD/soak-still-running.png"
            tw_screenshot "$shot"
            echo "soak: the program still runs after Q; the screen: $shot"
            if command -v gdb >/dev/null; then
                gdb -p "$pid" -batch -ex "thread apply all bt 25" 2>/dev/null | grep -E '^(#|Thread)' | head -n 120
            fi
            kill -9 "$pid"
            TW_STATUS=killed
        else
            wait "$pid"
            TW_STATUS=$?
        fi
    fi
else
    wait "$pid"
    TW_STATUS=$?
fi
[ -n "${TW_SOAK_LOG:-}" ] && cp "$log" "$TW_SOAK_LOG"

reports=$(grep -c -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$log")
echo "soak: events sent $events"
echo "soak: crashes $crashed, exit status $TW_STATUS"
echo "soak: sanitizer reports $reports"
echo "soak: resident memory ${baseline} kB at ${baseline_at}s, ${end_rss:-?} kB at the end"
failed=0
[ "$crashed" -eq 0 ] || { echo "FAIL: the program died during the run"; failed=1; }
[ "$TW_STATUS" = 0 ] || { echo "FAIL: exit status $TW_STATUS after Q"; failed=1; }
[ "$reports" -eq 0 ] || { echo "FAIL: sanitizer report"; grep -A30 -m3 -E 'ERROR: |runtime error:' "$log"; failed=1; }
if [ "$seconds" -ge 120 ] && [ -n "$end_rss" ] && [ -n "$baseline" ] && [ $((end_rss * 10)) -gt $((baseline * 11)) ]; then
    echo "FAIL: resident memory grew more than 10 %"
    failed=1
fi
python3 "$here/tests/soak/check_pages.py" "$TW_WORK/child" "$TW_WORK/shipped" || {
    echo "FAIL: a page file is not whole, or a .new file was left"
    failed=1
}
[ "$failed" -eq 0 ] || { tail -n 40 "$log"; exit 1; }
echo "PASS"
