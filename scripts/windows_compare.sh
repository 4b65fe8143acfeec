#!/usr/bin/env bash
# Runs the Windows program under Wine and the program on our own Win32 layer (the SDL host, in
# an 800 x 600 window) through the same steps on fresh pages, each on its own 1024 x 768 virtual
# screen, then compares the two pictures of the client area and the page files they leave.
# Prints how many pixels differ and where; leaves the pictures and their difference behind.
#   scripts/windows_compare.sh SDL_TINTWELL [OUTPUT_DIR]
# TW_COMPARE_STEPS: what to do once the page screen is up, ";"-separated, in client
# coordinates: "click X Y", "key NAME" (xdotool's key names), "wait SECONDS". Default: nothing.
# Example: TW_COMPARE_STEPS="click 187 35; click 150 140; wait 8; key Next; wait 3"
# Build both programs first (scripts/windows_build.sh; the SDL program in a build of your own).
set -uo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

sdl_bin=$(readlink -f "${1:?usage: windows_compare.sh SDL_TINTWELL [OUTPUT_DIR]}")
out=${2:-$tw_root/build/win64/compare}
mkdir -p "$out"
out=$(cd "$out" && pwd)
steps=${TW_COMPARE_STEPS:-}

run_dir=""
xvfb_pid=""
prog_pid=""
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && [ -n "${tw_wineserver:-}" ] &&
        { timeout 10 "$tw_wineserver" -w 2>/dev/null || "$tw_wineserver" -k 2>/dev/null; }
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$run_dir" ] && rm -rf "$run_dir"
    return 0
}
trap cleanup EXIT
fail() {
    echo "windows_compare: FAIL: $*"
    [ -n "$run_dir" ] && [ -s "$run_dir/program.log" ] && tail -n 30 "$run_dir/program.log"
    exit 1
}

# settle FILE: a screenshot once two taken half a second apart are the same.
settle() {
    local prev="" sum
    for _ in $(seq 40); do
        import -window root -depth 8 "$1" 2>/dev/null || fail "cannot take a screenshot"
        sum=$(md5sum <"$1")
        [ "$sum" = "$prev" ] && return 0
        prev=$sum
        sleep 0.5
    done
}

# run_one NAME: starts the program (Wine or SDL), waits for the page screen, does the steps,
# takes the picture, quits with Q and keeps the pages in $out/NAME.
run_one() {
    local name=$1 wid geometry x y cx cy step verb a b shot
    shot="$out/$name-screen.png"
    run_dir=$(mktemp -d /tmp/twcmp.XXXXXX)
    mkdir "$run_dir/child" "$run_dir/run"
    chmod 700 "$run_dir/run"
    cp "$tw_root"/pages/* "$run_dir/child/"
    tw_xvfb_start "$run_dir" || fail "Xvfb did not start"
    xvfb_pid=$tw_xvfb_pid
    if [ "$name" = wine ]; then
        tw_wine_prefix "$run_dir" || fail "cannot make the Wine prefix $WINEPREFIX"
        (cd "$run_dir/child" && exec "$tw_loader" "$tw_exe") >"$run_dir/program.log" 2>&1 &
    else
        (cd "$run_dir/child" && exec env XDG_RUNTIME_DIR="$run_dir/run" SDL_AUDIODRIVER=dummy \
            TINTWELL_WINDOWED=1 "$sdl_bin" --pages "$run_dir/child") >"$run_dir/program.log" 2>&1 &
    fi
    prog_pid=$!
    wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tintwell$' 2>/dev/null | head -n1)
    [ -n "$wid" ] || fail "$name: no window titled Tintwell"
    geometry=$(tw_geometry_of "$wid")
    x=${geometry#*+}
    y=${x#*+}
    x=${x%+*}
    # The client area: the window's border (WS_BORDER) puts it one pixel in, except where
    # DirectDraw's full-screen window has taken the whole screen and lost the border (Wine).
    case $geometry in
    1024x768+0+0) cx=$x cy=$y ;;
    *) cx=$((x + 1)) cy=$((y + 1)) ;;
    esac
    for _ in $(seq 60); do
        import -window root -depth 8 "$shot" 2>/dev/null
        tw_page_screen_up "$shot" "$cx" "$cy" && break
        sleep 0.5
    done
    tw_page_screen_up "$shot" "$cx" "$cy" || fail "$name: the page screen did not come up ($tw_page_evidence)"
    timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null
    IFS=';' read -ra list <<<"$steps"
    for step in "${list[@]}"; do
        read -r verb a b <<<"$step"
        case $verb in
        click) xdotool mousemove $((cx + a)) $((cy + b)) && sleep 0.3 && xdotool click 1 ;;
        key) xdotool key "$a" ;;
        wait) sleep "$a" ;;
        "") ;;
        *) fail "unknown step: $step" ;;
        esac
        sleep 0.3
    done
    # The pointer out of the window, so that no button is hot, then the picture.
    xdotool mousemove 1023 767
    settle "$shot"
    convert "$shot" -crop "798x598+$cx+$cy" +repage "$out/$name.png"
    xdotool key q
    for _ in $(seq 200); do
        kill -0 "$prog_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$prog_pid" 2>/dev/null && fail "$name: still running 20 s after Q"
    wait "$prog_pid"
    local status=$?
    prog_pid=""
    [ "$status" -eq 0 ] || echo "windows_compare: $name ended with status $status"
    rm -rf "${out:?}/$name"
    cp -r "$run_dir/child" "$out/$name"
    [ "$name" = wine ] && "$tw_wineserver" -w
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
    rm -rf "$run_dir"
    run_dir=""
}

tw_wine_select
[ -f "$tw_exe" ] || fail "$tw_exe is missing: run scripts/windows_build.sh first"
echo "windows_compare: $tw_wine_note"
exec 9>"$WINEPREFIX.lock"
flock -w 600 9 || fail "another run holds $WINEPREFIX.lock"
run_one wine
run_one sdl

ae=$(compare -metric AE "$out/wine.png" "$out/sdl.png" "$out/difference.png" 2>&1)
echo "windows_compare: ${ae%% *} of 798 x 598 client pixels differ"
if [ "${ae%% *}" != 0 ]; then
    echo "windows_compare: where (width x height + x + y in the client area, pixels):"
    convert "$out/wine.png" "$out/sdl.png" -compose difference -composite -colorspace Gray -threshold 0 \
        -define connected-components:verbose=true -define connected-components:area-threshold=1 \
        -connected-components 8 null: |
        awk 'NR > 1 && $NF ~ /255/ {print "  " $2 " (" $4 ")"}' | head -n 40
fi
for f in "$out"/wine/*; do
    name=$(basename "$f")
    if cmp -s "$f" "$out/sdl/$name"; then
        echo "windows_compare: $name: the same bytes"
    else
        echo "windows_compare: $name: differs"
    fi
done
echo "windows_compare: pictures in $out (wine.png, sdl.png, difference.png)"
