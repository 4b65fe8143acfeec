#!/usr/bin/env bash
# A child's folder on a FAT file system, as on a USB stick (no hard links, no renames that refuse
# to replace): Tintwell makes the folder there and fills it with the shipped pages, a click
# colours the sky of the first page, and "q" saves it there; "Save as PDF" into a documents
# folder on FAT writes a whole PDF. FAT comes from fusefat, so the check needs no root-only
# kernel module; without FUSE it is skipped.
#   fat.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768 pdfinfo
fat="$TW_WORK/stick"
tw_mount_fat "$fat" || exit 77
child="$fat/Tintwell pictures"
tw_region_points "$TW_WORK/child/dogwood.TWP" 250 60

# Seeded: the folder is made on the stick and the shipped files copied in, whole.
home="$TW_WORK/home"
mkdir -p "$home/.config"
echo "XDG_DOCUMENTS_DIR=\"$fat/Documents\"" >"$home/.config/user-dirs.dirs"
tw_start_page_screen "$bin" fat TINTWELL_PAGES="$child" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    CUPS_SERVER="$TW_WORK/no-print-system" LC_ALL=C.UTF-8
for f in "$TW_WORK"/child/*; do
    cmp -s "$f" "$child/$(basename "$f")" || tw_fail "$(basename "$f") was not copied whole onto the FAT stick"
done
echo "the child's folder was made and filled on FAT"

# Coloured, then printed: the print system cannot be reached, so "Save as PDF" is chosen.
tw_fill 250 60
xdotool key p
sleep 2
tw_screenshot "$shots/xvfb-fat-print-dialog.png"
xdotool key Return
pdf=""
for i in $(seq 80); do
    pdf=$(ls "$fat/Documents/"*.pdf 2>/dev/null | head -n1)
    [ -n "$pdf" ] && pdfinfo "$pdf" >/dev/null 2>&1 && break
    sleep 0.25
done
[ -n "$pdf" ] || tw_fail "no PDF in the documents folder on FAT"
pdfinfo "$pdf" | grep -q '^Pages: *1$' || tw_fail "$pdf is not a whole one-page PDF"
echo "Save as PDF on FAT: $(basename "$pdf")"

# Saved there by q.
sleep 1
xdotool key q
tw_expect_exit "$TW_PID" "${TW_EXIT_WAIT:-10}" 0 "after q"
tw_expect_saved "$child/dogwood.TWP"
stray=$(ls -A "$child" "$fat/Documents" | grep '^\.' | grep -vx '.tintwell.lock')
[ -z "$stray" ] || tw_fail "hidden files left behind on FAT: $stray"
echo "PASS"
