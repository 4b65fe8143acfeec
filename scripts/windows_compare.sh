#!/usr/bin/env bash
# Runs the Windows program under Wine and the program on our own Win32 layer (the SDL host, in
# an 800 x 600 window) through the same steps on fresh pages, each on its own 1024 x 768 virtual
# screen, then compares the two pictures of the client area and the page files they leave.
# Prints how many pixels differ and where; leaves the pictures and their difference behind.
# On the way it takes the four dialogs on both sides (the title screen, Info, About, Printing
# Options) and compares their layout: where the dialog and its controls are and how big they
# are. Their text is drawn by different fonts (and Wine has its own frame and button colours),
# so the dialogs' pixels are not compared.
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

tw_work
# The dialogs open under Wine, innermost last: keys go to the innermost, which needs the focus
# given (there is no window manager to give it). Our layer takes every key in its one window.
stack=()
press() {
    local name=$1 main=$2 key=$3 target
    target=$main
    [ ${#stack[@]} -gt 0 ] && target=${stack[-1]}
    [ "$name" = wine ] && timeout 5 xdotool windowfocus --sync "$target" 2>/dev/null
    xdotool key "$key"
}

# open_dialog NAME MAIN KEY SHOT: the key opens a dialog; a settled picture of it is kept.
open_dialog() {
    local name=$1 main=$2 before new
    before=$(tw_wine_dialogs "$main")
    press "$name" "$main" "$3"
    if [ "$name" = wine ]; then
        for _ in $(seq 40); do
            new=$(comm -13 <(echo "$before") <(tw_wine_dialogs "$main") | head -n1)
            [ -n "$new" ] && break
            sleep 0.25
        done
        [ -n "$new" ] || tw_fail "$name: no dialog after the key $3"
        stack+=("$new")
    fi
    tw_settled_screenshot "$out/$name-$4.png"
}

# close_dialog NAME MAIN: Escape closes the innermost dialog.
close_dialog() {
    press "$1" "$2" Escape
    [ ${#stack[@]} -gt 0 ] && unset 'stack[-1]'
    sleep 1
}

# run_one NAME: starts the program (Wine or SDL), waits for the page screen, does the steps,
# takes the picture, quits with Q and keeps the pages in $out/NAME.
run_one() {
    local name=$1 wid geometry x y cx cy step verb a b shot run_dir="$TW_WORK/$1"
    shot="$out/$name-screen.png"
    mkdir -p "$run_dir/child" "$run_dir/run"
    chmod 700 "$run_dir/run"
    cp "$tw_root"/pages/* "$run_dir/child/"
    tw_start_xvfb 1024x768
    if [ "$name" = wine ]; then
        tw_wine_prefix || tw_fail "cannot make the Wine prefix $WINEPREFIX"
        tw_start "$run_dir/child" "$name" "$tw_loader" "$tw_exe"
    else
        tw_start "$run_dir/child" "$name" env XDG_RUNTIME_DIR="$run_dir/run" SDL_AUDIODRIVER=dummy \
            TINTWELL_WINDOWED=1 "$sdl_bin" --pages "$run_dir/child"
    fi
    prog_pid=$TW_PID
    tw_wait_window 60 "$prog_pid" || tw_fail "$name: no window titled Tintwell"
    wid=$TW_WID
    geometry=$(tw_window_geometry "$wid")
    tw_window_origin "$wid"
    x=$TW_WX
    y=$TW_WY
    # The client area: the window's border (WS_BORDER) puts it one pixel in, except where
    # DirectDraw's full-screen window has taken the whole screen and lost the border (Wine).
    case $geometry in
    1024x768+0+0) cx=$x cy=$y ;;
    *) cx=$((x + 1)) cy=$((y + 1)) ;;
    esac
    # The layer's screen is the window itself; Wine's dialogs sit on the X screen.
    if [ "$name" = wine ]; then echo "0 0" >"$out/$name-origin"; else echo "$x $y" >"$out/$name-origin"; fi
    # The title screen, closed with Enter as a user would.
    xdotool mousemove $((cx + 400)) $((cy + 300))
    stack=()
    for _ in $(seq 40); do
        [ "$name" = sdl ] && break
        stack=($(tw_wine_dialogs "$wid"))
        [ ${#stack[@]} -gt 0 ] && break
        sleep 0.25
    done
    sleep 1
    tw_settled_screenshot "$out/$name-title.png"
    press "$name" "$wid" Return
    stack=()
    for _ in $(seq 60); do
        tw_screenshot "$shot"
        tw_page_screen_up "$shot" "$cx" "$cy" && break
        sleep 0.5
    done
    tw_page_screen_up "$shot" "$cx" "$cy" || tw_fail "$name: the page screen did not come up ($tw_page_evidence)"
    timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null
    # Info, About over it, then Printing Options over it; Escape closes each.
    open_dialog "$name" "$wid" i info
    open_dialog "$name" "$wid" a about
    close_dialog "$name" "$wid"
    open_dialog "$name" "$wid" p printoptions
    close_dialog "$name" "$wid"
    close_dialog "$name" "$wid"
    timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null
    IFS=';' read -ra list <<<"$steps"
    for step in "${list[@]}"; do
        read -r verb a b <<<"$step"
        case $verb in
        click) xdotool mousemove $((cx + a)) $((cy + b)) && sleep 0.3 && xdotool click 1 ;;
        key) xdotool key "$a" ;;
        wait) sleep "$a" ;;
        "") ;;
        *) tw_fail "unknown step: $step" ;;
        esac
        sleep 0.3
    done
    # The pointer out of the window, so that no button is hot, then the picture.
    xdotool mousemove 1023 767
    tw_settled_screenshot "$shot"
    convert "$shot" -crop "798x598+$cx+$cy" +repage "$out/$name.png"
    xdotool key q
    tw_wait_exit "$prog_pid" 20 || tw_fail "$name: still running 20 s after Q"
    [ "$TW_STATUS" -eq 0 ] || echo "windows_compare: $name ended with status $TW_STATUS"
    rm -rf "${out:?}/$name"
    cp -r "$run_dir/child" "$out/$name"
    [ "$name" = wine ] && "$tw_wineserver" -w
    tw_stop_xvfb
}

tw_wine_select
[ -f "$tw_exe" ] || tw_fail "$tw_exe is missing: run scripts/windows_build.sh first"
echo "windows_compare: $tw_wine_note"
tw_wine_lock
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
# The dialogs' layout: the dialog's white inside, and the boxes of everything drawn on it that
# is bigger than a letter (buttons with their frames, the group box, the radio buttons' rings,
# the icon and the pictures), relative to the screen of 800 x 600 the program works in.
python3 - "$out" <<'PYEOF'
import subprocess, sys

out = sys.argv[1]
WHITE = (255, 255, 255)

def load(path):
    data = subprocess.run(["convert", path, "ppm:-"], capture_output=True, check=True).stdout
    parts = data.split(maxsplit=4)
    return int(parts[1]), int(parts[2]), parts[4]

def layout(name, dialog):
    w, h, px = load("%s/%s-%s.png" % (out, name, dialog))
    ox, oy = map(int, open("%s/%s-origin" % (out, name)).read().split())
    def white(x, y):
        i = 3 * (y * w + x)
        return tuple(px[i:i + 3]) == WHITE
    # The dialog's rows: a white run through the middle of the screen as wide as a dialog.
    inside = []
    for y in range(oy, oy + 600):
        if not white(ox + 400, y):
            continue
        a = b = ox + 400
        while a > ox and white(a - 1, y):
            a -= 1
        while b < ox + 799 and white(b + 1, y):
            b += 1
        if 150 <= b - a + 1 <= 400 and abs((a + b) / 2 - (ox + 400)) <= 4:
            inside.append((y, a, b))
    if not inside:
        return None
    top, left, right = inside[0]
    bottom = inside[-1][0]
    items = [("dialog", left - ox, top - oy, right - left + 1, bottom - top + 1)]
    seen = set()
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if (x, y) in seen or white(x, y):
                continue
            stack, box = [(x, y)], [x, y, x, y]
            seen.add((x, y))
            while stack:
                a, b = stack.pop()
                box = [min(box[0], a), min(box[1], b), max(box[2], a), max(box[3], b)]
                for c, d in ((a + i, b + j) for i in (-1, 0, 1) for j in (-1, 0, 1)):
                    if left <= c <= right and top <= d <= bottom and (c, d) not in seen and not white(c, d):
                        seen.add((c, d))
                        stack.append((c, d))
            bw, bh = box[2] - box[0] + 1, box[3] - box[1] + 1
            if (bw >= 30 and bh >= 12) or (11 <= bw <= 14 and 11 <= bh <= 14 and abs(bw - bh) <= 1):
                items.append(("box", box[0] - ox, box[1] - oy, bw, bh))
    return items[:1] + sorted(items[1:], key=lambda i: (i[2], i[1]))

def show(items):
    return ", ".join("%s %dx%d+%d+%d" % (k, w, h, x, y) for k, x, y, w, h in items)

worst = 0
for dialog in ("title", "info", "about", "printoptions"):
    a, b = layout("wine", dialog), layout("sdl", dialog)
    if a is None or b is None:
        print("windows_compare: %s: no dialog found under %s" % (dialog, "Wine" if a is None else "our layer"))
        worst = 99
        continue
    print("windows_compare: %s (ours): %s" % (dialog, show(b)))
    if len(a) != len(b):
        print("  not the same pieces; under Wine: %s" % show(a))
        worst = 99
        continue
    for (k, x1, y1, w1, h1), (_, x2, y2, w2, h2) in zip(a, b):
        d = max(abs(x1 - x2), abs(y1 - y2), abs(w1 - w2), abs(h1 - h2))
        worst = max(worst, d)
        if d > 2:
            print("  %s: Wine %dx%d+%d+%d, ours %dx%d+%d+%d" % (k, w1, h1, x1, y1, w2, h2, x2, y2))
print("windows_compare: dialog layout %s (largest difference %d px)" % ("the same" if worst <= 2 else "differs", worst))
PYEOF
for f in "$out"/wine/*; do
    name=$(basename "$f")
    if cmp -s "$f" "$out/sdl/$name"; then
        echo "windows_compare: $name: the same bytes"
    else
        echo "windows_compare: $name: differs"
    fi
done
echo "windows_compare: pictures in $out (wine.png, sdl.png, difference.png)"
