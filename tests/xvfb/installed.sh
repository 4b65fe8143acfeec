#!/usr/bin/env bash
# Tintwell installed the way a package installs it (cmake --install into a private prefix): the
# menu entry and the AppStream component pass their validators, the icons are there at every size,
# and tintwell-pages beside the program restores a shipped page from the installation; started as
# the menu entry starts it, with a fresh home and in no particular folder, Tintwell makes the
# child's folder and fills it, its window carries the program's icon and the class the menu entry
# names, and "q" saves the page there. A folder for the pictures that cannot be made is reported
# on stderr and in a message box, and the program ends with status 1.
#   installed.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
bin=$1
src=$2
shots=${TW_SHOTS:-$PWD}

# The installed files are checked first: that needs no X server.
for t in desktop-file-validate appstreamcli identify cmake; do
    command -v "$t" >/dev/null || tw_fail "$t is not installed"
done
tw_prepare_dir "$src"
prefix="$TW_WORK/prefix"
cmake --install "$(dirname "$(readlink -f "$bin")")" --prefix "$prefix" >"$TW_WORK/install.log" 2>&1 ||
    tw_fail "cmake --install failed: $(tail -n 5 "$TW_WORK/install.log")"

desktop=$(ls "$prefix"/share/applications/*.desktop 2>/dev/null | head -n1)
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml 2>/dev/null | head -n1)
[ -n "$desktop" ] && [ -n "$metainfo" ] || tw_fail "no desktop entry or no AppStream component installed"
desktop-file-validate "$desktop" || tw_fail "desktop-file-validate refuses $(basename "$desktop")"
appstreamcli validate --no-net "$metainfo" || tw_fail "appstreamcli refuses $(basename "$metainfo")"
[ "$(basename "$desktop")" = "$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")" ] ||
    tw_fail "the AppStream component does not launch $(basename "$desktop")"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] || tw_fail "no ${size}x${size} icon $png"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || tw_fail "no scalable icon"
[ -s "$prefix/share/man/man6/tintwell.6.gz" ] || tw_fail "no manual page"
# tintwell-pages beside it, finding the installation's shipped pages.
"$prefix/bin/tintwell-pages" restore 2 --pages "$TW_WORK/restored" >/dev/null ||
    tw_fail "the installed tintwell-pages cannot restore a page"
cmp -s "$prefix/share/tintwell/holly.TWP" "$TW_WORK/restored/holly.TWP" ||
    tw_fail "the installed tintwell-pages restored something else than the shipped holly.TWP"
echo "installed files: validated"
tw_need_tools

# Started as the menu entry starts it: its Exec line, from the installed programs, with a fresh home.
# The entry also opens pictures (%f, which the menu, giving no file, leaves out).
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "tintwell %f" ] || tw_fail "the desktop entry starts '$exec_line'"
grep -q '^MimeType=.*image/png;.*image/jpeg;' "$desktop" || tw_fail "the desktop entry opens no pictures"
exec_line=tintwell
home="$TW_WORK/home"
mkdir -p "$home"
unset TINTWELL_PAGES XDG_DATA_HOME
tw_start_xvfb 1024x768
TW_TRACE="$TW_WORK/trace.txt"
tw_start / installed env HOME="$home" PATH="$prefix/bin:$PATH" TINTWELL_WINDOWED=1 TINTWELL_TRACE="$TW_TRACE" "$exec_line"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" "$pid" || tw_fail "no window titled Tintwell"

wm_class=$(xprop -id "$TW_WID" WM_CLASS | sed -n 's/.*= "\([^"]*\)", "\([^"]*\)"/\2/p')
[ "$wm_class" = "$(sed -n 's/^StartupWMClass=//p' "$desktop")" ] ||
    tw_fail "the window's class is '$wm_class', not the desktop entry's StartupWMClass"
xprop -id "$TW_WID" _NET_WM_ICON | grep -q 'Icon (32 x 32)' || tw_fail "the window carries no 32 x 32 icon"
echo "window $TW_WID: class $wm_class, with the program's icon"
tw_pass_title "$TW_WID"

tw_wait_trace ' cursor EditCursor$' "${TW_WINDOW_WAIT:-10}" || tw_fail "the page screen did not come up"
child="$home/.local/share/tintwell"
for f in "$prefix"/share/tintwell/*; do
    cmp -s "$f" "$child/$(basename "$f")" || tw_fail "$(basename "$f") was not copied into $child"
done
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key q
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 0 "after q"
[ "$(stat -c %s "$child/dogwood.TWP")" -eq 304678 ] || tw_fail "q did not save dogwood.TWP in $child"
echo "the child's folder was made and filled; q saved the page there"

# A folder that cannot be made: under a plain file.
touch "$TW_WORK/plain"
tw_start "$TW_WORK" badfolder env TINTWELL_WINDOWED=1 HOME="$home" "$prefix/bin/tintwell" --pages "$TW_WORK/plain/pictures"
pid=$TW_PID
tw_wait_window "${TW_WINDOW_WAIT:-10}" || tw_fail "no message box for a folder that cannot be made"
log="$TW_WORK/program-badfolder.log"
for i in $(seq 100); do
    grep -q "cannot keep the pictures in $TW_WORK/plain/pictures" "$log" && break
    sleep 0.05
done
grep -q "cannot keep the pictures in $TW_WORK/plain/pictures" "$log" || tw_fail "no message on stderr"
shot="$shots/xvfb-installed-badfolder.png"
tw_settled_screenshot "$shot"
[ "$(tw_colours "$shot" "$(tw_window_geometry "$TW_WID")")" -gt 2 ] || tw_fail "the message box shows nothing"
tw_window_origin "$TW_WID"
xdotool mousemove $((TW_WX + 400)) $((TW_WY + 300)) key Return
tw_expect_exit "$pid" "${TW_EXIT_WAIT:-10}" 1 "a folder that cannot be made, after the message box was answered"
echo "a folder that cannot be made: told on stderr and in a message box ($shot), status 1"
echo "PASS"
