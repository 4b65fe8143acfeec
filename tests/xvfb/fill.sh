#!/usr/bin/env bash
# A click fills a region in a real window: a click in the sky of the first page colours the whole
# sky with the current crayon (red at start) on screen, while the outline round it stays black and
# the paper beyond it stays paper. "q" then ends the program with status 0, and the page file has
# been written back as an eight-bit page, no longer blank, holding the crayon's index (2) over the
# sky and nothing new elsewhere.
#   fill.sh TINTWELL_BINARY SOURCE_DIR
set -u
bin=$1
src=$2
. "$(dirname "$0")/xvfb_common.bash"

tw_need_tools
tw_prepare_dir "$src"
tw_start_xvfb 1024x768
shots=${TW_SHOTS:-$PWD}
page="$TW_WORK/child/dogwood.TWP"
[ -f "$page" ] || tw_fail "no dogwood.TWP among the shipped pages"

# The page point clicked: in the sky, between the sun and the first flower.
cx=250
cy=60
# From the shipped one-bit page: the region the click must fill, as "fill X Y" for six of its
# pixels spread over it (the clicked one first); "outline X Y" for an outline pixel in the middle
# of a thick stretch of outline that borders the region; "paper X Y" for a paper pixel well away
# from it; and "size N", the region's size.
points=$(python3 - "$page" "$cx" "$cy" <<'EOF'
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
) || tw_fail "cannot read the shipped page"
echo "the region clicked holds $(echo "$points" | awk '$1 == "size" {print $2}') pixels"

trace="$TW_WORK/trace.txt"
tw_start_program "$bin" first TINTWELL_WINDOWED=1 TINTWELL_TRACE="$trace"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no window titled Tintwell"
tw_pass_title "$TW_WID"
geometry=$(tw_window_geometry "$TW_WID")
wx=$(echo "$geometry" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
wy=$(echo "$geometry" | sed 's/.*+\([0-9]*\)$/\1/')
# A page point on the screen: the page is at client (70, 70), and the pop-up window's one-pixel
# border puts the client area at (1, 1) of the window.
to_screen() { echo $((wx + 1 + 70 + $1)) $((wy + 1 + 70 + $2)); }

# The page screen is up once the drawing cursor has been chosen for it.
for i in $(seq $((${TW_WINDOW_WAIT:-10} * 20))); do
    grep -q ' cursor EditCursor$' "$trace" 2>/dev/null && break
    sleep 0.05
done
grep -q ' cursor EditCursor$' "$trace" || tw_fail "the page screen did not come up"

# The fill shows the wait cursor from its start to its end.
xdotool mousemove $(to_screen $cx $cy) click 1
fill_done() {
    awk '$3 == "IDC_WAIT" {open = 1; next} open && $2 == "cursor" {done = 1} END {exit !done}' "$trace"
}
for i in $(seq $((${TW_FILL_WAIT:-30} * 20))); do
    fill_done && break
    kill -0 "$pid" 2>/dev/null || tw_fail "the program ended during the fill"
    sleep 0.05
done
fill_done || tw_fail "no fill started and ended within ${TW_FILL_WAIT:-30} s of the click"
awk '$3 == "IDC_WAIT" {start = $1; open = 1; next}
    open && $2 == "cursor" {printf "the fill took %.0f ms\n", $1 - start; exit}' "$trace"

tw_expect_fill "$shots/xvfb-fill.png" "expected 255,0,0 over the region, 0,0,0 on the outline, anything but red on the paper"

xdotool key q
tw_wait_exit "$pid" "${TW_EXIT_WAIT:-5}" || tw_fail "still running ${TW_EXIT_WAIT:-5} s after q"
[ "$TW_STATUS" -eq 0 ] || tw_fail "exit status $TW_STATUS after q"

# The page as saved: 1078 bytes of headers and colours, then 660 x 460 indices, bottom row first.
saved=$(python3 - "$page" "$points" <<'EOF'
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
) || tw_fail "cannot read the saved page"
[ -z "$saved" ] || tw_fail "the saved dogwood.TWP: $saved"
echo "dogwood.TWP saved as an eight-bit page with the fill in it"
echo "PASS"
