#!/usr/bin/env bash
# Printing from the real program on the SDL host: to a private CUPS scheduler of the check's own
# (own folders and socket, CUPS_SERVER pointing at it, never the machine's printers), whose
# stopped queues keep the jobs' documents in its spool folder; then through "Save as PDF" into
# the documents folder of the XDG user-dirs file, by each of the three print methods. Every PDF
# must have the sheet of its destination, and its rendering (pdftoppm) must show the page turned
# a quarter turn anticlockwise inside its black frame. In the print dialog the mouse chooses too:
# a click on the second queue and on Print puts the job on that queue, and a click on "Save as
# PDF" saves the file; the Print button keeps the default frame while a destination has the focus.
# With fifteen queues, the default the last and with an '&' in its name, the job goes to it. Last,
# a print system that takes the connection and never answers: the dialog comes within 5 s all
# the same, and saves a PDF.
#   print.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768 pdftoppm pdfinfo
for t in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/sbin/cupsdisable; do
    [ -x "$t" ] || tw_fail "$t is missing (cups-daemon, cups-client)"
done

# --- a scheduler of our own ---
cups="$TW_WORK/cups"
mkdir -p "$cups"/{etc,spool,cache,state,log,tmp}
chmod 1777 "$cups/tmp"
sock="$cups/cups.sock"
cat >"$cups/etc/cupsd.conf" <<CONF
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$cups/etc/cups-files.conf" <<CONF
ServerRoot $cups/etc
RequestRoot $cups/spool
CacheDir $cups/cache
StateDir $cups/state
TempDir $cups/tmp
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
PageLog $cups/log/page_log
FileDevice Yes
Sandboxing relaxed
CONF
# A US Letter printer at 150 dpi with margins, that takes PDF as it is.
cat >"$cups/check.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "TWCHECK.PPD"
*Manufacturer: "Tintwell"
*Product: "(Check)"
*ModelName: "Tintwell Check Printer"
*ShortNickName: "Tintwell Check"
*NickName: "Tintwell Check Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*cupsFilter2: "application/pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: Letter
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: Letter
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: Letter
*ImageableArea Letter/US Letter: "18 36 594 756"
*DefaultPaperDimension: Letter
*PaperDimension Letter/US Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 150dpi
*Resolution 150dpi/150 DPI: "<</HWResolution[150 150]>>setpagedevice"
*CloseUI: *Resolution
PPD
/usr/sbin/cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" >"$cups/log/cupsd.out" 2>&1 &
cupsd_pid=$!
TW_PIDS+=("$cupsd_pid")
export CUPS_SERVER="$sock"
for i in $(seq 100); do
    [ -S "$sock" ] && break
    sleep 0.1
done
[ -S "$sock" ] || tw_fail "cupsd did not start: $(cat "$cups/log/cupsd.out")"
/usr/sbin/lpadmin -p Check -E -v file:///dev/null -P "$cups/check.ppd" 2>/dev/null || tw_fail "lpadmin -p failed"
/usr/sbin/lpadmin -p Second -E -v file:///dev/null -P "$cups/check.ppd" 2>/dev/null || tw_fail "lpadmin -p failed"
/usr/sbin/lpadmin -d Check || tw_fail "lpadmin -d failed"
/usr/sbin/cupsdisable Check Second || tw_fail "cupsdisable failed"

# --- the user: a home of their own with a documents folder named in user-dirs.dirs ---
home="$TW_WORK/home"
mkdir -p "$home/.config" "$home/Papers"
echo 'XDG_DOCUMENTS_DIR="$HOME/Papers"' >"$home/.config/user-dirs.dirs"

# A page that shows how it was turned: a black border, a red block in the top-left corner and a
# yellow one in the bottom-right corner, on paper.
python3 - "$TW_WORK/child/dogwood.TWP" <<'PY'
import struct, sys
W, H = 660, 460
colours = [(0, 0, 0)] * 256
# The program's colours for the indices used, and 27, the pure white that paper prints as.
colours[2], colours[4], colours[27], colours[37] = (255, 0, 0), (255, 255, 0), (255, 255, 255), (239, 239, 239)
px = bytearray([37]) * (W * H)
def put(x0, y0, x1, y1, v):
    for y in range(y0, y1):
        row = (H - 1 - y) * W
        px[row + x0:row + x1] = bytes([v]) * (x1 - x0)
for (x0, y0, x1, y1) in [(0, 0, W, 3), (0, H - 3, W, H), (0, 0, 3, H), (W - 3, 0, W, H)]:
    put(x0, y0, x1, y1, 0)
put(20, 20, 140, 120, 2)
put(520, 340, 640, 440, 4)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, W * H, 0, 0, 0, 0)
table = b"".join(bytes([b, g, r, 0]) for (r, g, b) in colours)
off = 14 + len(info) + len(table)
head = b"TW" + struct.pack("<IHHI", off + len(px), 1, 0, off)
open(sys.argv[1], "wb").write(head + info + table + bytes(px))
PY

# tw_open_print_dialog NAME: runs the program, passes the title screen and opens the print dialog
# with P.
tw_open_print_dialog() {
    tw_start_program "$bin" "$1" TINTWELL_WINDOWED=1 HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        CUPS_SERVER="$CUPS_SERVER" LC_ALL=C.UTF-8
    tw_wait_window "${TW_WINDOW_WAIT:-10}" "$TW_PID" || tw_fail "no window titled Tintwell"
    tw_window_origin "$TW_WID"
    xdotool mousemove $((TW_WX + 760)) $((TW_WY + 580))
    sleep 1.5
    xdotool key Return  # the title screen, where there is one
    sleep 1.5
    xdotool key p
    sleep 2
}

# tw_print NAME METHOD: runs the program with printer.dta holding METHOD, prints with P and
# Enter in the print dialog (a screenshot of it is left in the shots folder), and quits.
tw_print() {
    local name=$1 method=$2
    python3 -c "import struct,sys; open(sys.argv[1],'wb').write(struct.pack('<i', int(sys.argv[2])))" \
        "$TW_WORK/child/printer.dta" "$method"
    tw_open_print_dialog "$name"
    tw_screenshot "$shots/xvfb-print-dialog-$name.png"
    xdotool key Return
}

# tw_print_by_mouse NAME ROW: like tw_print, but in the print dialog a click on destination ROW
# (0: the first) and then on Print. The dialog (two queues and "Save as PDF") is centred on the
# 800 x 600 screen: the window at (210, 194), two pixels a dialog unit, a one-pixel border; the
# rows lie inside the group box, over which the clicks pass to them. Before the click, Tab takes
# the focus to Cancel, which then looks like the default button until the click.
tw_print_by_mouse() {
    local name=$1 row=$2 shot
    tw_open_print_dialog "$name"
    xdotool key Tab Tab
    sleep 0.5
    xdotool mousemove $((TW_WX + 281)) $((TW_WY + 273 + 28 * row)) click 1
    sleep 1
    shot="$shots/xvfb-print-dialog-$name.png"
    tw_screenshot "$shot"
    # The Print button's outer corner: black while it is the default button, white otherwise.
    [ "$(tw_pixel "$shot" $((TW_WX + 363)) $((TW_WY + 363)))" = "srgb(0,0,0)" ] ||
        tw_fail "$name: Print shows no default frame while a destination has the focus (see $shot)"
    xdotool mousemove $((TW_WX + 413)) $((TW_WY + 377)) click 1
}

# tw_jobs QUEUE: the jobs waiting on the queue, through libcups: "state title format" a line.
tw_jobs() {
    python3 - "$1" <<'PY'
import ctypes, sys
cups = ctypes.cdll.LoadLibrary("libcups.so.2")
class Job(ctypes.Structure):
    _fields_ = [("id", ctypes.c_int), ("dest", ctypes.c_char_p), ("title", ctypes.c_char_p),
                ("user", ctypes.c_char_p), ("format", ctypes.c_char_p), ("state", ctypes.c_int),
                ("size", ctypes.c_int), ("priority", ctypes.c_int), ("completed", ctypes.c_long),
                ("created", ctypes.c_long), ("processing", ctypes.c_long)]
jobs = ctypes.POINTER(Job)()
n = cups.cupsGetJobs2(None, ctypes.byref(jobs), sys.argv[1].encode(), 0, 0)  # not completed
for i in range(n):
    print(jobs[i].state, jobs[i].title.decode(), jobs[i].format.decode())
PY
}

tw_quit() {
    local pid=$1
    sleep 1
    xdotool key q
    tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 0 "after Q"
}

# tw_wait_file GLOB SECONDS: the first file matching, once it stops growing.
tw_wait_file() {
    local glob=$1 limit=$2 i f size=-1
    for i in $(seq $((limit * 4))); do
        f=$(ls $glob 2>/dev/null | head -n1)
        if [ -n "$f" ] && [ "$(stat -c %s "$f")" = "$size" ]; then
            echo "$f"
            return 0
        fi
        [ -n "$f" ] && size=$(stat -c %s "$f")
        sleep 0.25
    done
    return 1
}

# tw_check_pdf PDF SIZE OUT FRAME: the sheet is SIZE ("612 x 792"), and the rendering at 40 dpi
# shows the turned page in a black frame FRAME pixels high (give or take one).
tw_check_pdf() {
    local pdf=$1 size=$2 out=$3 frame=$4
    head -c 5 "$pdf" | grep -q '%PDF-' || tw_fail "$pdf is not a PDF"
    pdfinfo "$pdf" | grep -q "^Page size: *$size pts" || tw_fail "$pdf: $(pdfinfo "$pdf" | grep 'Page size'), not $size"
    pdftoppm -r 40 -singlefile "$pdf" "$out" || tw_fail "pdftoppm cannot render $pdf"
    convert "$out.ppm" "$out.png"
    python3 - "$out.ppm" "$frame" <<'PY' || tw_fail "$pdf does not show the turned page"
import sys
data = open(sys.argv[1], "rb").read()
parts = data.split(maxsplit=4)
w, h = int(parts[1]), int(parts[2])
px = parts[4]
def at(x, y):
    i = 3 * (y * w + x)
    return px[i], px[i + 1], px[i + 2]
dark, red, yellow = [], [], []
for y in range(h):
    for x in range(w):
        r, g, b = at(x, y)
        if r < 80 and g < 80 and b < 80: dark.append((x, y))
        elif r > 200 and g < 80 and b < 80: red.append((x, y))
        elif r > 200 and g > 200 and b < 80: yellow.append((x, y))
assert dark and red and yellow, "frame, red and yellow all printed"
x0, x1 = min(p[0] for p in dark), max(p[0] for p in dark)
y0, y1 = min(p[1] for p in dark), max(p[1] for p in dark)
fw, fh = x1 - x0 + 1, y1 - y0 + 1
print("frame %dx%d at (%d,%d) on a %dx%d sheet" % (fw, fh, x0, y0, w, h))
assert fh > fw * 1.3, "the wide page runs along the sheet's length"
assert abs(fh - int(sys.argv[2])) <= 1, "the frame is %d high, not %s" % (fh, sys.argv[2])
cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
rx = sum(p[0] for p in red) / len(red); ry = sum(p[1] for p in red) / len(red)
yx = sum(p[0] for p in yellow) / len(yellow); yy = sum(p[1] for p in yellow) / len(yellow)
assert rx < cx and ry > cy, "the page's top-left corner is at the bottom-left"
assert yx > cx and yy < cy, "the page's bottom-right corner is at the top-right"
paper = at(int(cx), int(cy))
assert min(paper) > 245, "paper prints white, not %r" % (paper,)
PY
}

# 1. To the CUPS queue, the default destination.
tw_print cups 0
pid=$TW_PID
doc=$(tw_wait_file "$cups/spool/d*-001" 20) || tw_fail "no document in the queue's spool folder"
tw_quit "$pid"
jobs=$(tw_jobs Check)
echo "jobs on the stopped queue: $jobs"
echo "$jobs" | grep -qx "3 Tintwell: Printing application/pdf" ||
    tw_fail "no PDF job named \"Tintwell: Printing\" held on the stopped queue"
# Default: three quarters of the 720-point printable height.
tw_check_pdf "$doc" "612 x 792" "$shots/xvfb-print-cups" 300
echo "CUPS: $doc, US Letter; rendering $shots/xvfb-print-cups.png"

# With the mouse: the second queue, then "Save as PDF".
tw_print_by_mouse mouse-second 1
pid=$TW_PID
tw_wait_file "$cups/spool/d00002-*" 20 >/dev/null || tw_fail "no second document in the spool folder"
tw_quit "$pid"
jobs=$(tw_jobs Second)
echo "$jobs" | grep -qx "3 Tintwell: Printing application/pdf" || tw_fail "the job chosen with the mouse is not on Second: $jobs"
[ "$(tw_jobs Check | wc -l)" -eq 1 ] || tw_fail "a job went to Check instead: $(tw_jobs Check)"
echo "a click on Second and on Print put the job on Second"
tw_print_by_mouse mouse-pdf 2
pid=$TW_PID
pdf=$(tw_wait_file "$home/Papers/*.pdf" 20) || tw_fail "no PDF after a click on Save as PDF"
tw_quit "$pid"
[ "$(tw_jobs Check | wc -l)$(tw_jobs Second | wc -l)" = 11 ] || tw_fail "Save as PDF sent a job to a queue"
echo "a click on Save as PDF and on Print saved $(basename "$pdf")"
mv "$pdf" "$TW_WORK/"

# Fifteen queues, the default among them last, with an '&' in its name: the dialog offers it
# checked, its name as it is, and the job goes to it.
for i in $(seq -w 1 12); do
    /usr/sbin/lpadmin -p "Queue$i" -E -v file:///dev/null -P "$cups/check.ppd" 2>/dev/null || tw_fail "lpadmin -p Queue$i failed"
done
/usr/sbin/lpadmin -p 'Tom&Jerry' -E -v file:///dev/null -P "$cups/check.ppd" 2>/dev/null || tw_fail "lpadmin -p Tom&Jerry failed"
/usr/sbin/lpadmin -d 'Tom&Jerry' || tw_fail "lpadmin -d Tom&Jerry failed"
/usr/sbin/cupsdisable 'Tom&Jerry' || tw_fail "cupsdisable Tom&Jerry failed"
tw_print many 0
pid=$TW_PID
doc=$(tw_wait_file "$cups/spool/d00003-*" 20) || tw_fail "no third document in the spool folder"
tw_quit "$pid"
jobs=$(tw_jobs "Tom&Jerry")
[ "$jobs" = "3 Tintwell: Printing application/pdf" ] || tw_fail "jobs on Tom&Jerry: $jobs"
echo "fifteen queues: the job went to Tom&Jerry, the default past the twelfth; dialog $shots/xvfb-print-dialog-many.png"
/usr/sbin/lpadmin -d Check

# 2. Save as PDF, when the print system cannot be reached, by each method. On A4 at 300 dpi the
# Default and Alternate 1 frames are 2631 and 2630 device pixels high, Alternate 2's 666 x 4.
export CUPS_SERVER="$TW_WORK/no-such-socket"
frames=(351 351 355)
for method in 0 1 2; do
    tw_print "pdf$method" "$method"
    pid=$TW_PID
    pdf=$(tw_wait_file "$home/Papers/*.pdf" 20) || tw_fail "no PDF in the documents folder (method $method)"
    tw_quit "$pid"
    tw_check_pdf "$pdf" "595.28 x 841.89" "$shots/xvfb-print-pdf$method" "${frames[$method]}"
    echo "Save as PDF, method $method: $(basename "$pdf"), A4; rendering $shots/xvfb-print-pdf$method.png"
    mv "$pdf" "$TW_WORK/"
done
ls -A "$home/Papers" | grep -q . && tw_fail "stray files in the documents folder: $(ls -a "$home/Papers")"
kill "$cupsd_pid"
wait "$cupsd_pid" 2>/dev/null

# 3. A print system that takes the connection and never answers: the dialog still comes within
# 5 s, saying so, and "Save as PDF" still works.
silent="$TW_WORK/silent.sock"
python3 - "$silent" <<'PY' >/dev/null 2>&1 &
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
s.listen(64)
held = []
while True:
    held.append(s.accept()[0])
PY
TW_PIDS+=($!)
for i in $(seq 100); do
    [ -S "$silent" ] && break
    sleep 0.05
done
tw_start_page_screen "$bin" silent HOME="$home" XDG_CONFIG_HOME="$home/.config" CUPS_SERVER="$silent" LC_ALL=C.UTF-8
# The middle of the window, where the dialog comes, looked at as raw pixels: a look takes a
# fraction of what a screenshot compared through files does, so the time is told closely.
middle="300x120+$((TW_WX + 250))+$((TW_WY + 240))"
look() { import -window root -crop "$middle" -depth 8 rgb:- 2>/dev/null | md5sum; }
tw_settled_screenshot "$TW_WORK/before-dialog.png"
before=$(look)
started=$(date +%s%N)
xdotool key p
shown=""
while [ $((($(date +%s%N) - started) / 1000000)) -lt 15000 ]; do
    if [ "$(look)" != "$before" ]; then
        shown=$((($(date +%s%N) - started) / 1000000))
        break
    fi
done
[ -n "$shown" ] || tw_fail "no print dialog within 15 s of P while the print system does not answer"
tw_settled_screenshot "$shots/xvfb-print-silent.png"
echo "the print system does not answer: the dialog after $shown ms; screenshot $shots/xvfb-print-silent.png"
[ "$shown" -le 5000 ] || tw_fail "the print dialog took $shown ms, more than 5 s"
xdotool key Return
pdf=$(tw_wait_file "$home/Papers/*.pdf" 20) || tw_fail "no PDF saved while the print system does not answer"
tw_quit "$TW_PID"
echo "Save as PDF while the print system does not answer: $(basename "$pdf")"
echo "PASS"
