#!/usr/bin/env bash
# Crash consistency: the real program under a private Xvfb turns pages in a loop, with fills
# between, and is killed with SIGKILL at a random moment, again and again. After every kill each
# page file must load: either exactly the file as it was before that run, or a whole page the
# program wrote (the picture's outline in place, every pixel a palette index). A ".new" file
# may be left by a kill; the next run must cope with it.
#   scripts/crash_check.sh [KILLS] [BUILD_DIR]     200 kills, build/release by default
# TW_CRASH_BIN names the program instead; TW_CRASH_SEED fixes the random sequence.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
kills=${1:-200}
build=${2:-$here/build/release}
bin=${TW_CRASH_BIN:-$build/tintwell}
[ -x "$bin" ] || { echo "crash_check: no program at $bin (build it first)"; exit 1; }
. "$here/tests/xvfb/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$here"
mkdir -p "$TW_WORK/shipped" "$TW_WORK/before"
cp -r "$here/pages/." "$TW_WORK/shipped/"
tw_start_xvfb 800x600
RANDOM=${TW_CRASH_SEED:-$$}
export ASAN_OPTIONS=detect_leaks=0

lost=0
corrupt=0
saves=0
leftovers=0
for k in $(seq "$kills"); do
    rm -rf "$TW_WORK/before"
    cp -a "$TW_WORK/child" "$TW_WORK/before"
    tw_start_program "$bin" crash
    pid=$TW_PID
    # Past the title screen, if there is one, then page after page with a fill on some.
    tw_wait_window 60 || { ps -o pid,stat,etime,cmd -p "$pid"; tail -5 "$TW_WORK/xvfb.log"; ls -la "$TW_WORK/child" "$TW_WORK/run"; tw_fail "no window titled Tintwell"; }
    tw_pass_title "$TW_WID"
    (
        for i in $(seq 40); do
            if [ $((RANDOM % 3)) -eq 0 ]; then
                xdotool mousemove $((71 + RANDOM % 659)) $((71 + RANDOM % 459)) click 1 2>/dev/null
            fi
            xdotool key $([ $((RANDOM % 2)) -eq 0 ] && echo Next || echo Prior) 2>/dev/null
            sleep 0.0$((RANDOM % 9 + 1))
        done
    ) &
    driver=$!
    sleep "$((RANDOM % 3)).$(printf '%02d' $((RANDOM % 100)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    kill "$driver" 2>/dev/null
    wait "$driver" 2>/dev/null

    # Every page: the file as it was, or a whole page the program wrote.
    for name in dogwood.TWP holly.TWP pansies.TWP prickly.TWP weeping.twp buy_me4.TWP; do
        now="$TW_WORK/child/$name"
        if [ ! -f "$now" ]; then
            echo "kill $k: $name is gone"
            lost=$((lost + 1))
            continue
        fi
        cmp -s "$now" "$TW_WORK/before/$name" && continue
        saves=$((saves + 1))
    done
    ls "$TW_WORK/child"/*.new >/dev/null 2>&1 && leftovers=$((leftovers + 1))
    if ! out=$(python3 "$here/tests/soak/check_pages.py" "$TW_WORK/child" "$TW_WORK/shipped" --allow-new); then
        echo "kill $k:"
        echo "$out" | grep -v ': whole$'
        corrupt=$((corrupt + $(echo "$out" | grep -vc ': whole$')))
    fi
    [ $((k % 20)) -eq 0 ] && echo "crash_check: $k kills, $saves pages changed, $lost lost, $corrupt corrupt"
done
echo "crash_check: kills $kills, pages changed by a run $saves, runs that left a .new file $leftovers"
echo "crash_check: pages lost $lost, pages corrupt $corrupt"
[ "$lost" -eq 0 ] && [ "$corrupt" -eq 0 ] || exit 1
echo "PASS"
