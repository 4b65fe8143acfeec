#!/usr/bin/env bash
# A child's folder on the file systems of USB sticks, FAT and exFAT (no hard links, no renames
# that refuse to replace): Tintwell makes the folder there and fills it with the shipped pages, a
# click colours the sky of the first page, "Save as PDF" writes a whole PDF into a documents
# folder on the stick, "q" saves the page there and the next start shows the colouring;
# tintwell-pages puts a page made from a picture into a slot there, keeping the page it replaces,
# and restores it. FAT comes from fusefat, which needs no root-only kernel module; exFAT from
# exfat-fuse on a loop device, which needs root. A file system that cannot be had is skipped.
#   fat.sh TINTWELL_BINARY SOURCE_DIR
set -u
. "$(dirname "$0")/xvfb_common.bash"
tw_setup "$1" "$2" 1024x768 pdfinfo
pages=$(dirname "$(readlink -f "$bin")")/tintwell-pages
[ -x "$pages" ] || tw_fail "no tintwell-pages beside $bin"
mkdir "$TW_WORK/shipped"
cp "$TW_WORK"/child/* "$TW_WORK/shipped/"
tw_region_points "$TW_WORK/shipped/dogwood.TWP" 250 60
picture="$TW_WORK/ring.png"
convert -size 1320x920 xc:'#f4f2ee' -fill none -stroke '#202020' -strokewidth 10 \
    -draw "circle 660,460 660,160" "$picture" || tw_fail "cannot draw the picture"

# on_stick NAME STICK: the whole story on a file system mounted at STICK.
on_stick() {
    local name=$1 stick=$2 child home f pdf stray
    child="$stick/Tintwell pictures"
    home="$TW_WORK/home-$name"
    mkdir -p "$home/.config"
    echo "XDG_DOCUMENTS_DIR=\"$stick/Documents\"" >"$home/.config/user-dirs.dirs"
    local env=(TINTWELL_PAGES="$child" HOME="$home" XDG_CONFIG_HOME="$home/.config"
        CUPS_SERVER="$TW_WORK/no-print-system" LC_ALL=C.UTF-8)

    # Seeded: the folder is made on the stick and the shipped files copied in, whole.
    tw_start_page_screen "$bin" "$name" "${env[@]}"
    for f in "$TW_WORK"/shipped/*; do
        cmp -s "$f" "$child/$(basename "$f")" || tw_fail "$name: $(basename "$f") was not copied whole"
    done
    echo "$name: the child's folder was made and filled"

    # Coloured, then printed: the print system cannot be reached, so "Save as PDF" is chosen.
    tw_fill 250 60
    xdotool key p
    sleep 2
    tw_screenshot "$shots/xvfb-$name-print-dialog.png"
    xdotool key Return
    pdf=""
    for i in $(seq 80); do
        pdf=$(ls "$stick/Documents/"*.pdf 2>/dev/null | head -n1)
        [ -n "$pdf" ] && pdfinfo "$pdf" >/dev/null 2>&1 && break
        sleep 0.25
    done
    [ -n "$pdf" ] || tw_fail "$name: no PDF in the documents folder"
    pdfinfo "$pdf" | grep -q '^Pages: *1$' || tw_fail "$name: $pdf is not a whole one-page PDF"
    echo "$name: Save as PDF: $(basename "$pdf")"

    # Saved there by q, and shown again at the next start.
    sleep 1
    xdotool key q
    tw_expect_exit "$TW_PID" "${TW_EXIT_WAIT:-10}" 0 "$name: after q"
    tw_expect_saved "$child/dogwood.TWP"
    tw_start_page_screen "$bin" "$name-again" "${env[@]}"
    tw_expect_fill "$shots/xvfb-$name-again.png" "$name: the colouring is not shown at the next start"
    xdotool key q
    tw_expect_exit "$TW_PID" "${TW_EXIT_WAIT:-10}" 0 "$name: after q at the next start"
    tw_expect_saved "$child/dogwood.TWP"

    # A page made from a picture in slot 2, the shipped page kept under replaced/, then restored.
    "$pages" make "$picture" --slot 2 --pages "$child" >"$TW_WORK/pages-$name.log" 2>&1 ||
        tw_fail "$name: tintwell-pages make --slot 2 failed: $(cat "$TW_WORK/pages-$name.log")"
    cmp -s "$TW_WORK/shipped/holly.TWP" "$child/holly.TWP" && tw_fail "$name: slot 2 still holds the shipped page"
    ls "$child/replaced/"holly.*.TWP >/dev/null 2>&1 || tw_fail "$name: the replaced holly.TWP was not kept"
    "$pages" restore 2 --pages "$child" >>"$TW_WORK/pages-$name.log" 2>&1 ||
        tw_fail "$name: tintwell-pages restore 2 failed: $(cat "$TW_WORK/pages-$name.log")"
    cmp -s "$TW_WORK/shipped/holly.TWP" "$child/holly.TWP" || tw_fail "$name: restore 2 did not bring the shipped page back"
    echo "$name: tintwell-pages --slot 2 and restore 2"

    stray=$(ls -A "$child" "$stick/Documents" | grep '^\.' | grep -vx '.tintwell.lock')
    [ -z "$stray" ] || tw_fail "$name: hidden files left behind: $stray"
}

ran=0
if tw_mount_fat "$TW_WORK/fat"; then
    on_stick fat "$TW_WORK/fat"
    ran=$((ran + 1))
fi
if tw_mount_exfat "$TW_WORK/exfat"; then
    on_stick exfat "$TW_WORK/exfat"
    ran=$((ran + 1))
fi
[ "$ran" -gt 0 ] || exit 77
echo "PASS"
