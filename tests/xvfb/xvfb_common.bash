# The one shell library of the checks that run a program on a real X screen: the real-window
# checks (tests/xvfb), the measuring scripts and the Windows scripts (through
# scripts/windows_common.sh). Source it. It gives a scratch folder (TW_WORK), a private Xvfb
# screen, the program started in a folder with its output kept, ways to find, close and wait for
# its windows and to look at the screen, one way of failing (FAIL, the program's last lines) and
# one clean-up when the sourcing script exits: its hooks (tw_on_exit), then every process
# started here, the window manager and the screen, then the scratch folder.

TW_XVFB_PID=""
TW_PIDS=()
TW_WORK=""
TW_EXIT_HOOKS=()
# Files of TW_WORK (globs) whose last lines a failure shows.
TW_FAIL_LOGS=("program*.log")
# Put before "FAIL:" (a script's name).
TW_NAME=${TW_NAME:-}
# How long a check waits for the program's window: a sanitized build on a machine busy with other
# work can take more than ten seconds to show it.
export TW_WINDOW_WAIT=${TW_WINDOW_WAIT:-30}

tw_cleanup() {
    local pid i
    for pid in "${TW_PIDS[@]}"; do
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    done
    for ((i = ${#TW_EXIT_HOOKS[@]} - 1; i >= 0; i--)); do
        eval "${TW_EXIT_HOOKS[i]}"
    done
    tw_stop_xvfb
    [ -n "$TW_WORK" ] && [ -z "${TW_KEEP:-}" ] && rm -rf "$TW_WORK"
    return 0
}
trap tw_cleanup EXIT

# tw_on_exit COMMAND: run (by eval) when the script exits, after its processes have been ended;
# the last one given runs first.
tw_on_exit() {
    TW_EXIT_HOOKS+=("$1")
}

# tw_work: makes the scratch folder TW_WORK if there is none yet.
tw_work() {
    [ -n "$TW_WORK" ] || TW_WORK=$(mktemp -d /tmp/twxvfb.XXXXXX)
}

tw_fail() {
    echo "${TW_NAME:+$TW_NAME: }FAIL: $*" >&2
    local glob f
    if [ -n "$TW_WORK" ]; then
        for glob in "${TW_FAIL_LOGS[@]}"; do
            for f in "$TW_WORK"/$glob; do
                [ -s "$f" ] || continue
                echo "--- $(basename "$f") ---" >&2
                tail -n 40 "$f" >&2
            done
        done
    fi
    exit 1
}

# tw_require TOOL...: fails when one is not installed.
tw_require() {
    local t
    for t in "$@"; do
        command -v "$t" >/dev/null || tw_fail "$t is not installed"
    done
}

# Exits 77 (skipped) when there is no Xvfb; fails when another tool the checks need is missing.
tw_need_tools() {
    if ! command -v Xvfb >/dev/null; then
        echo "Xvfb is not installed: skipped"
        exit 77
    fi
    tw_require xdotool xwininfo xprop import convert compare python3 "$@"
}

# tw_setup BINARY SOURCE_DIR WIDTHxHEIGHT [TOOL...]: the start of a real-window check: the tools,
# the child's folder with the shipped pages, the screen. Sets bin, src and shots (where
# screenshots are left: TW_SHOTS, else the current folder).
tw_setup() {
    bin=$1
    src=$2
    shots=${TW_SHOTS:-$PWD}
    tw_need_tools "${@:4}"
    tw_prepare_dir "$src"
    tw_start_xvfb "$3"
}

# tw_start_xvfb WIDTHxHEIGHT: a screen of that size (24 bits deep) on a free display; sets DISPLAY.
# The server is not reset when its last client leaves, so that a program started just after
# another ended finds it ready.
tw_start_xvfb() {
    local size=${1%x24} fifo i
    tw_work
    fifo="$TW_WORK/display"
    rm -f "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >"$TW_WORK/xvfb.log" 2>&1 &
    TW_XVFB_PID=$!
    for i in $(seq 100); do
        [ -s "$fifo" ] && break
        sleep 0.05
    done
    [ -s "$fifo" ] || tw_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fifo")"
}

# tw_stop_xvfb: ends the screen (and whatever of ours still uses it).
tw_stop_xvfb() {
    if [ -n "$TW_XVFB_PID" ]; then
        kill "$TW_XVFB_PID" 2>/dev/null
        wait "$TW_XVFB_PID" 2>/dev/null
    fi
    TW_XVFB_PID=""
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
    tw_work
    mkdir -p "$TW_WORK/run" "$TW_WORK/child"
    chmod 700 "$TW_WORK/run"
    if [ -d "$src/pages" ]; then
        cp -r "$src/pages/." "$TW_WORK/child/"
    fi
    export XDG_RUNTIME_DIR="$TW_WORK/run"
    # No settings file of the user's is read, only what a check puts in $XDG_CONFIG_HOME.
    export XDG_CONFIG_HOME="$TW_WORK/config"
    export TINTWELL_PAGES="$TW_WORK/child"
    export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
    # The display and sound libraries keep a little memory to the end; that is not ours to report.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
}

# tw_start DIR NAME COMMAND [ARG...]: runs the command in DIR in the background, its output in
# $TW_WORK/program-NAME.log; sets TW_PID. It is ended, if still running, when the script exits.
tw_start() {
    local dir=$1 name=$2
    shift 2
    (cd "$dir" && exec "$@") >"$TW_WORK/program-$name.log" 2>&1 &
    TW_PID=$!
    TW_PIDS+=("$TW_PID")
}

# tw_start_program BINARY NAME [VAR=value ...]: starts it in the child's folder, with the
# arguments of the array TW_ARGS (none unless set); sets TW_PID.
tw_start_program() {
    local bin name=$2
    bin=$(readlink -f "$1")
    shift 2
    tw_start "$TW_WORK/child" "$name" env "$@" "$bin" ${TW_ARGS[@]+"${TW_ARGS[@]}"}
}

# tw_mount_fat DIR [MEGABYTES]: a FAT file system at DIR (16 MB unless told): an image made by
# mkfs.fat, mounted by fusefat, which needs FUSE but no kernel module of its own; unmounted when
# the script exits. Returns 1, saying why, when it cannot be had here.
tw_mount_fat() {
    local dir=$1 mb=${2:-16} img mkfs
    mkfs=$(command -v mkfs.fat || command -v /usr/sbin/mkfs.fat || command -v /sbin/mkfs.fat)
    if [ -z "$mkfs" ] || ! command -v fusefat >/dev/null; then
        echo "note: mkfs.fat (dosfstools) or fusefat is not installed"
        return 1
    fi
    img="$TW_WORK/fat-$(basename "$dir").img"
    "$mkfs" -C "$img" $((mb * 1024)) >/dev/null || return 1
    mkdir -p "$dir"
    if ! fusefat -o rw+ "$img" "$dir" >"$TW_WORK/fusefat-$(basename "$dir").log" 2>&1 ||
        ! stat -f -c %T "$dir" | grep -q fuse; then
        echo "note: fusefat cannot mount a file system here (is /dev/fuse there?)"
        return 1
    fi
    tw_on_exit "fusermount -u '$dir' 2>/dev/null || fusermount -uz '$dir' 2>/dev/null"
}

# tw_mount_exfat DIR [MEGABYTES]: an exFAT file system at DIR (16 MB unless told): an image made
# by mkfs.exfat on a loop device, mounted by exfat-fuse; both undone when the script exits. Needs
# root for the loop device; returns 1, saying why, when it cannot be had here.
tw_mount_exfat() {
    local dir=$1 mb=${2:-16} img loop
    if [ ! -x /usr/sbin/mkfs.exfat ] || [ ! -x /usr/sbin/mount.exfat-fuse ] || ! command -v losetup >/dev/null; then
        echo "note: mkfs.exfat (exfatprogs), exfat-fuse or losetup is not installed"
        return 1
    fi
    img="$TW_WORK/exfat-$(basename "$dir").img"
    truncate -s "${mb}M" "$img" && /usr/sbin/mkfs.exfat "$img" >/dev/null || return 1
    if [ "$(id -u)" -ne 0 ] || ! loop=$(losetup -f --show "$img" 2>/dev/null); then
        echo "note: no loop device for an exFAT image here (it needs root)"
        return 1
    fi
    tw_on_exit "losetup -d '$loop' 2>/dev/null"
    mkdir -p "$dir"
    if ! /usr/sbin/mount.exfat-fuse "$loop" "$dir" >"$TW_WORK/exfat-$(basename "$dir").log" 2>&1 ||
        ! stat -f -c %T "$dir" | grep -q fuse; then
        echo "note: exfat-fuse cannot mount a file system here (is /dev/fuse there?)"
        return 1
    fi
    tw_on_exit "fusermount -u '$dir' 2>/dev/null || fusermount -uz '$dir' 2>/dev/null"
}

# tw_find_windows: ids of the visible windows titled exactly "Tintwell", one a line.
tw_find_windows() {
    xdotool search --onlyvisible --name '^Tintwell$' 2>/dev/null
}

# tw_wait_window SECONDS [PID]: waits for the window to be visible; sets TW_WID. Returns 1 when
# it does not show in time, 2 (with TW_STATUS) when the process PID ends before it shows.
tw_wait_window() {
    local limit=$1 pid=${2:-} start now state=""
    start=$(date +%s%N)
    while :; do
        TW_WID=$(tw_find_windows | head -n1)
        [ -n "$TW_WID" ] && return 0
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            TW_STATUS=$?
            echo "(the program ended with status $TW_STATUS before its window showed)" >&2
            return 2
        fi
        now=$(date +%s%N)
        if [ $(((now - start) / 1000000)) -ge $((limit * 1000)) ]; then
            [ -n "$pid" ] && state="; the program: $(ps -o stat=,etime= -p "$pid")"
            echo "(no window after $limit s$state)" >&2
            # Where the program's main thread is, when a debugger can tell.
            if [ -n "$pid" ] && command -v gdb >/dev/null; then
                gdb -p "$pid" -batch -ex "thread 1" -ex "bt 20" 2>/dev/null | grep '^#' | head -n 20 >&2
            fi
            return 1
        fi
        sleep 0.05
    done
}

# tw_window_geometry WID: "WIDTHxHEIGHT+X+Y" of the window on the screen.
tw_window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {printf "%dx%d+%d+%d\n", w, h, x, y}'
}

# tw_window_origin WID: sets TW_WX and TW_WY, where the window's top-left corner is on the screen.
tw_window_origin() {
    local geometry
    geometry=$(tw_window_geometry "$1")
    TW_WX=${geometry#*+}
    TW_WY=${TW_WX#*+}
    TW_WX=${TW_WX%+*}
}

# tw_pass_title WID: closes the title screen the way a user does, with Enter once it shows, and
# waits for the page screen to settle.
tw_pass_title() {
    tw_window_origin "$1"
    tw_settled_screenshot "$TW_WORK/title.png"
    # Keys go to the window under the pointer when there is no window manager.
    xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key Return
    tw_settled_screenshot "$TW_WORK/after-title.png"
}

# tw_wait_trace PATTERN SECONDS [TRACE]: waits for a line of the program's trace (TW_TRACE unless
# given) matching the grep pattern.
tw_wait_trace() {
    local pattern=$1 limit=$2 trace=${3:-$TW_TRACE} i
    for i in $(seq $((limit * 20))); do
        grep -q -- "$pattern" "$trace" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# tw_start_page_screen BINARY NAME [VAR=value ...]: starts the program in an 800 x 600 window
# with a trace (TINTWELL_TRACE), closes the title screen and waits until the page screen is up,
# which it is once the drawing cursor has been chosen for it. Sets TW_PID, TW_WID, TW_TRACE and
# the window's origin TW_WX, TW_WY.
tw_start_page_screen() {
    local bin=$1 name=$2
    shift 2
    TW_TRACE="$TW_WORK/trace-$name.txt"
    tw_start_program "$bin" "$name" TINTWELL_WINDOWED=1 TINTWELL_TRACE="$TW_TRACE" "$@"
    tw_wait_window "${TW_WINDOW_WAIT:-10}" "$TW_PID" || tw_fail "$name: no window titled Tintwell"
    tw_pass_title "$TW_WID"
    tw_wait_trace ' cursor EditCursor$' "${TW_WINDOW_WAIT:-10}" || tw_fail "$name: the page screen did not come up"
    tw_window_origin "$TW_WID"
}

# tw_to_screen X Y: the screen point of a page point: the page is at client (70, 70), and the
# pop-up window's one-pixel border puts the client area at (1, 1) of the window.
tw_to_screen() {
    echo $((TW_WX + 1 + 70 + $1)) $((TW_WY + 1 + 70 + $2))
}

# tw_fills_done [TRACE]: how many fills (or clears) have ended: the wait cursor shows from the
# start of each to its end.
tw_fills_done() {
    awk '$2 == "cursor" { if (open && $3 != "IDC_WAIT") { done++; open = 0 } if ($3 == "IDC_WAIT") open = 1 }
        END { print done + 0 }' "${1:-$TW_TRACE}" 2>/dev/null
}

# tw_fill X Y: clicks the page point and waits (up to TW_FILL_WAIT, 30 s) for the fill it starts
# to end; prints how long it took.
tw_fill() {
    local before i
    before=$(tw_fills_done)
    xdotool mousemove $(tw_to_screen "$1" "$2") click 1
    for i in $(seq $((${TW_FILL_WAIT:-30} * 20))); do
        [ "$(tw_fills_done)" -gt "$before" ] && break
        kill -0 "$TW_PID" 2>/dev/null || tw_fail "the program ended during the fill"
        sleep 0.05
    done
    [ "$(tw_fills_done)" -gt "$before" ] || tw_fail "no fill started and ended within ${TW_FILL_WAIT:-30} s of the click"
    awk '$2 == "cursor" && $3 == "IDC_WAIT" {start = $1; open = 1; next}
        open && $2 == "cursor" {ms = $1 - start; open = 0} END {printf "the fill took %.0f ms\n", ms}' "$TW_TRACE"
}

# tw_region_points PAGE X Y: from a shipped (one-bit) page file, the region a click at page point
# (X, Y) must fill: sets points to "fill X Y" lines for six of its pixels spread over it (the
# clicked one first), an "outline X Y" line for an outline pixel in the middle of a thick stretch
# of outline that borders the region, a "paper X Y" line for a paper pixel well away from it, and
# "size N", the region's size.
tw_region_points() {
    points=$(python3 - "$@" <<'EOF'
import collections, struct, sys
data = open(sys.argv[1], "rb").read()
cx, cy = int(sys.argv[2]), int(sys.argv[3])
if data[:2] != b"TW":
    sys.exit("not a page")
off, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
if bits != 1:
    sys.exit("the shipped page is not a one-bit page")
stride = (width + 31) // 32 * 4
def paper(x, y):
    row = off + (height - 1 - y) * stride
    return (data[row + x // 8] >> (7 - x % 8)) & 1
def inside(x, y):
    return 0 <= x < width and 0 <= y < height
if not paper(cx, cy):
    sys.exit("the clicked point is not paper")
region = {(cx, cy)}
queue = collections.deque(region)
while queue:
    x, y = queue.popleft()
    for n in ((x, y - 1), (x, y + 1), (x - 1, y), (x + 1, y)):
        if inside(*n) and n not in region and paper(*n):
            region.add(n)
            queue.append(n)
block = [(i, j) for i in (-1, 0, 1) for j in (-1, 0, 1)]
ordered = sorted(region, key=lambda p: (p[1], p[0]))
print("fill", cx, cy)
for k in range(1, 6):
    print("fill", *ordered[len(ordered) * k // 6])
near = lambda x, y, d: any((x + i, y + j) in region for i in range(-d, d + 1) for j in range(-d, d + 1))
outline = next(((x, y) for y in range(1, height - 1) for x in range(1, width - 1)
                if all(not paper(x + i, y + j) for i, j in block) and near(x, y, 2)), None)
far = next(((x, y) for y in range(1, height - 1) for x in range(1, width - 1)
            if all(paper(x + i, y + j) for i, j in block) and not near(x, y, 3)), None)
if not outline or not far:
    sys.exit("no thick outline beside the region, or no paper away from it")
print("outline", *outline)
print("paper", *far)
print("size", len(region))
EOF
) || tw_fail "cannot read the page $1"
}

# tw_expect_saved PAGE: the page file as saved after a fill with the red crayon (index 2) at the
# region of $points: an eight-bit page, no longer blank, red over the region and nothing new on
# the outline and the paper.
tw_expect_saved() {
    local problems
    problems=$(python3 - "$1" "$points" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
problems = []
if len(data) != 304678:
    problems.append("%d bytes, not 304678" % len(data))
if data[:2] != b"TW":
    problems.append("starts with %r, not TW" % data[:2])
if len(data) >= 30:
    blank, = struct.unpack_from("<H", data, 6)
    bits, = struct.unpack_from("<H", data, 28)
    if blank != 0:
        problems.append("blank flag %d, not 0" % blank)
    if bits != 8:
        problems.append("%d bits a pixel, not 8" % bits)
want = {"fill": 2, "outline": 0, "paper": 37}
for line in sys.argv[2].splitlines():
    kind, *rest = line.split()
    if kind not in want:
        continue
    x, y = map(int, rest)
    at = 1078 + (459 - y) * 660 + x
    got = data[at] if at < len(data) else None
    if got != want[kind]:
        problems.append("%s pixel (%d, %d) holds %s, not %d" % (kind, x, y, got, want[kind]))
print("\n".join(problems))
EOF
) || tw_fail "cannot read the saved page $1"
    [ -z "$problems" ] || tw_fail "the saved $(basename "$1"): $problems"
    echo "$(basename "$1") saved as an eight-bit page with the fill in it"
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

# tw_expect_exit PID SECONDS STATUS WHAT: fails unless the program ends within SECONDS with
# STATUS; WHAT names the moment or the copy ("after q", "the second copy").
tw_expect_exit() {
    tw_wait_exit "$1" "$2" || tw_fail "$4: still running after $2 s"
    [ "$TW_STATUS" -eq "$3" ] || tw_fail "$4: exit status $TW_STATUS, not $3"
}

# tw_screenshot FILE: the whole screen, 8 bits a channel.
tw_screenshot() {
    import -window root -depth 8 "$1" 2>/dev/null || tw_fail "cannot take a screenshot"
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

# tw_same_area A B GEOMETRY: whether two screenshots agree in that part of the screen.
tw_same_area() {
    convert "$1" -crop "$3" +repage "$TW_WORK/same-a.png" && convert "$2" -crop "$3" +repage "$TW_WORK/same-b.png" &&
        compare -metric AE "$TW_WORK/same-a.png" "$TW_WORK/same-b.png" null: 2>/dev/null
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

# tw_pick_and_fill SHOT: through the caller's to_screen (a point of the 800 x 600 screen to the
# real screen, whatever the scaling): picks the red crayon at (188, 35), clicks the sky of the
# first page at (338, 116) and waits (30 s) for the sky to show the crayon's colour; the last
# screenshot is left in SHOT.
tw_pick_and_fill() {
    local shot=$1 red filled="" i
    tw_screenshot "$shot"
    red=$(tw_pixel "$shot" $(to_screen 188 35))
    xdotool mousemove $(to_screen 188 35) click 1
    sleep 0.5
    xdotool mousemove $(to_screen 338 116) click 1
    for i in $(seq 60); do
        sleep 0.5
        tw_screenshot "$shot"
        filled=$(tw_pixel "$shot" $(to_screen 338 116))
        [ "$filled" = "$red" ] && break
    done
    echo "crayon $red, sky after the click $filled"
    [ "$filled" = "$red" ] || tw_fail "the click on the page did not fill it with the crayon picked"
}

# tw_expect_fill SHOT EXPECTED: takes screenshots (for up to 5 s: the last frame may take a moment)
# until every "fill X Y" line of $points shows red, every "outline X Y" black and no "paper X Y"
# red, reading page points through tw_to_screen; fails with EXPECTED otherwise.
tw_fill_colours() {
    local fx="" kind x y sx sy
    while read -r kind x y; do
        [ "$kind" = size ] && continue
        read -r sx sy <<<"$(tw_to_screen "$x" "$y")"
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
