# Shared by the real-window checks and scripts/idle_cpu.sh: a private Xvfb screen, a scratch
# folder holding the shipped pages, the program started in it, and ways to find, close and
# wait for its window. Source it; everything is cleaned up when the sourcing script exits.

TW_XVFB_PID=""
TW_PIDS=()
TW_WORK=""

tw_cleanup() {
    local pid
    for pid in "${TW_PIDS[@]}"; do
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    done
    [ -n "$TW_XVFB_PID" ] && kill "$TW_XVFB_PID" 2>/dev/null
    [ -n "$TW_WORK" ] && rm -rf "$TW_WORK"
    return 0
}
trap tw_cleanup EXIT

tw_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$TW_WORK" ] && ls "$TW_WORK"/program*.log >/dev/null 2>&1; then
        for f in "$TW_WORK"/program*.log; do
            echo "--- $(basename "$f") ---" >&2
            tail -n 40 "$f" >&2
        done
    fi
    exit 1
}

# Exits 77 (skipped) when there is no Xvfb; fails when another tool the checks need is missing.
tw_need_tools() {
    if ! command -v Xvfb >/dev/null; then
        echo "Xvfb is not installed: skipped"
        exit 77
    fi
    local t
    for t in xdotool xwininfo xprop import convert compare python3 "$@"; do
        command -v "$t" >/dev/null || tw_fail "$t is not installed"
    done
}

# tw_start_xvfb WIDTHxHEIGHT: a screen of that size on a free display; sets DISPLAY.
tw_start_xvfb() {
    local size=$1 fifo
    TW_WORK=${TW_WORK:-$(mktemp -d /tmp/twxvfb.XXXXXX)}
    fifo="$TW_WORK/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >"$TW_WORK/xvfb.log" 2>&1 &
    TW_XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$fifo" ] && break
        sleep 0.05
    done
    [ -s "$fifo" ] || tw_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fifo")"
}

# tw_start_window_manager: openbox on the screen (desktop fullscreen is the window manager's
# business on X); exits 77 when it is not installed.
tw_start_window_manager() {
    if ! command -v openbox >/dev/null; then
        echo "no window manager (openbox) to make windows fullscreen: skipped"
        exit 77
    fi
    openbox --sm-disable >"$TW_WORK/openbox.log" 2>&1 &
    TW_PIDS+=($!)
    local i
    for i in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    tw_fail "the window manager did not start"
}

# tw_prepare_dir SOURCE_DIR: the program's folder with the shipped pages and tune (the folder the
# program is told to keep the pictures in), and a private runtime folder so that a Tintwell the
# user runs is never found by the checks.
tw_prepare_dir() {
    local src=$1
    TW_WORK=${TW_WORK:-$(mktemp -d /tmp/twxvfb.XXXXXX)}
    mkdir -p "$TW_WORK/run" "$TW_WORK/child"
    chmod 700 "$TW_WORK/run"
    if [ -d "$src/pages" ]; then
        cp -r "$src/pages/." "$TW_WORK/child/"
    fi
    export XDG_RUNTIME_DIR="$TW_WORK/run"
    export TINTWELL_PAGES="$TW_WORK/child"
    export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
    # The display and sound libraries keep a little memory to the end; that is not ours to report.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
}

# tw_start_program BINARY NAME [VAR=value ...]: starts it in the folder; sets TW_PID.
tw_start_program() {
    local bin name=$2
    bin=$(readlink -f "$1")
    shift 2
    (cd "$TW_WORK/child" && exec env "$@" "$bin") >"$TW_WORK/program-$name.log" 2>&1 &
    TW_PID=$!
    TW_PIDS+=("$TW_PID")
}

# tw_find_windows: ids of the visible windows titled exactly "Tintwell", one a line.
tw_find_windows() {
    xdotool search --onlyvisible --name '^Tintwell$' 2>/dev/null
}

# tw_wait_window SECONDS: waits for the window to be visible; sets TW_WID.
tw_wait_window() {
    local limit=$1 start now
    start=$(date +%s%N)
    while :; do
        TW_WID=$(tw_find_windows | head -n1)
        [ -n "$TW_WID" ] && return 0
        now=$(date +%s%N)
        [ $(((now - start) / 1000000)) -ge $((limit * 1000)) ] && return 1
        sleep 0.05
    done
}

# tw_pass_title WID: closes the title screen the way a user does, with Enter once it shows, and
# waits for the page screen to settle.
tw_pass_title() {
    local geometry wx wy
    geometry=$(tw_window_geometry "$1")
    wx=$(echo "$geometry" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
    wy=$(echo "$geometry" | sed 's/.*+\([0-9]*\)$/\1/')
    tw_settled_screenshot "$TW_WORK/title.png"
    # Keys go to the window under the pointer when there is no window manager.
    xdotool mousemove $((wx + 400)) $((wy + 300)) key Return
    tw_settled_screenshot "$TW_WORK/after-title.png"
}

# tw_window_size WID: "WIDTHxHEIGHT+X+Y" of the window on the screen.
tw_window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {printf "%dx%d+%d+%d\n", w, h, x, y}'
}

# tw_close_window WID: what a window manager's close button does (WM_DELETE_WINDOW).
tw_close_window() {
    python3 - "$1" <<'EOF'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
if not d:
    sys.exit("cannot open the display")
w = int(sys.argv[1])
ev = Event()
ev.xclient.type = 33  # ClientMessage
ev.xclient.window = w
ev.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
ev.xclient.format = 32
ev.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, w, 0, 0, ctypes.byref(ev))
x.XFlush(d)
x.XCloseDisplay(d)
EOF
}

# tw_wait_exit PID SECONDS: waits for the program to end; sets TW_STATUS (empty: still running).
tw_wait_exit() {
    local pid=$1 limit=$2 i
    TW_STATUS=""
    for i in $(seq $((limit * 20))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$pid" 2>/dev/null && return 1
    wait "$pid"
    TW_STATUS=$?
    return 0
}

# tw_screenshot FILE: the whole screen, 8 bits a channel.
tw_screenshot() {
    import -window root -depth 8 "$1" || tw_fail "cannot take a screenshot"
}

# tw_settled_screenshot FILE: a screenshot once the screen has stopped changing (up to 20 s).
tw_settled_screenshot() {
    local i
    tw_screenshot "$1"
    for i in $(seq 40); do
        sleep 0.5
        tw_screenshot "$TW_WORK/settle.png"
        if compare -metric AE "$1" "$TW_WORK/settle.png" null: 2>/dev/null; then
            return 0
        fi
        cp "$TW_WORK/settle.png" "$1"
    done
    return 0
}

# tw_pixel FILE X Y: the colour of one pixel, as "srgb(r,g,b)".
tw_pixel() {
    convert "$1" -format "%[pixel:p{$2,$3}]" info:
}

# tw_colours FILE GEOMETRY: how many different colours that part of the picture holds.
tw_colours() {
    convert "$1" -crop "$2" +repage -format '%k' info:
}

# tw_cpu_ns PID: CPU time of all the process's threads so far, in nanoseconds (from the
# scheduler's own accounting; the tick counts of /proc/PID/stat are too coarse for an idle
# process).
tw_cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%.0f\n", sum}'
}

# tw_expect_fill SHOT EXPECTED: takes screenshots (for up to 5 s: the last frame may take a moment)
# until every "fill X Y" line of $points shows red, every "outline X Y" black and no "paper X Y"
# red, reading page points through the caller's to_screen; fails with EXPECTED otherwise.
tw_fill_colours() {
    local fx="" kind x y sx sy
    while read -r kind x y; do
        [ "$kind" = size ] && continue
        read -r sx sy <<<"$(to_screen "$x" "$y")"
        fx+="$kind $x $y %[fx:int(255*p{$sx,$sy}.r+.5)],%[fx:int(255*p{$sx,$sy}.g+.5)],%[fx:int(255*p{$sx,$sy}.b+.5)]\n"
    done <<<"$points"
    convert "$1" -format "$fx" info:
}
tw_fill_wrong() {
    awk '($1 == "fill" && $4 != "255,0,0") || ($1 == "outline" && $4 != "0,0,0") ||
         ($1 == "paper" && $4 == "255,0,0")' <<<"$1"
}
tw_expect_fill() {
    local shot=$1 colours wrong i
    for i in $(seq 20); do
        tw_screenshot "$shot"
        colours=$(tw_fill_colours "$shot")
        [ -z "$(tw_fill_wrong "$colours")" ] && break
        sleep 0.25
    done
    echo "screenshot: $shot"
    echo "$colours"
    wrong=$(tw_fill_wrong "$colours")
    [ -z "$wrong" ] || tw_fail "the screen shows after the fill:
$wrong
($2)"
}
