#!/usr/bin/env bash
# Packs the Windows program for users and checks its installer under Wine.
#   - Tintwell-<version>-windows.zip: the program, the pages, the tune and a README.txt;
#   - Tintwell-<version>-setup.exe (NSIS, makensis from Debian's nsis): installs for the user
#     alone, into the user's programs folder, with a Start-menu shortcut.
# Then, under Wine on a private virtual screen: the installer runs silently (/S); the shortcut's
# target, started in the shortcut's folder, shows the page screen and "q" saves the page there;
# installing again (an upgrade) keeps the child's page; the uninstaller (/S) removes the program,
# the shortcut and its registry entry and keeps the pages, and with /REMOVEPAGES removes them too.
# Runs the 32-bit program where this machine can run 32-bit code, otherwise the 64-bit build (and a
# 64-bit installer). Build first with scripts/windows_build.sh.
#   scripts/windows_install.sh [--pack-only]
set -uo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

say() { echo "windows_install: $*"; }
TW_FAIL_LOGS+=(wine.log makensis.log)

tw_apt_install nsis zip
tw_wine_select
[ -f "$tw_exe" ] || tw_fail "$tw_exe is missing: run scripts/windows_build.sh first"
out=$(dirname "$tw_exe")
version=$(sed -n 's/^project(tintwell VERSION \([0-9.]*\).*/\1/p' "$tw_root/CMakeLists.txt")
[ -n "$version" ] || tw_fail "no version in CMakeLists.txt"
tw_work
work=$TW_WORK

# The portable zip: one folder to unpack anywhere the user can write.
zip="$out/Tintwell-$version-windows.zip"
mkdir -p "$work/zip/Tintwell"
cp "$tw_exe" "$tw_root"/pages/* "$work/zip/Tintwell/"
sed 's/$/\r/' "$tw_root/data/windows/README.txt" >"$work/zip/Tintwell/README.txt"
rm -f "$zip"
(cd "$work/zip" && TZ=UTC zip -qrX "$zip" Tintwell) || tw_fail "cannot make $zip"
say "portable zip: $zip ($(stat -c %s "$zip") bytes)"

setup="$out/Tintwell-$version-setup.exe"
nsis_defs=(-DVERSION="$version" -DEXE="$tw_exe" -DPAGES="$tw_root/pages" -DOUTFILE="$setup"
    -DICON="$tw_root/resources/icons/TWLIcon.ico" -DREADME="$work/zip/Tintwell/README.txt")
[ "$WINEARCH" = win64 ] && nsis_defs+=(-DWIN64)
makensis -V2 "${nsis_defs[@]}" "$tw_root/data/windows/tintwell.nsi" >"$work/makensis.log" 2>&1 ||
    tw_fail "makensis failed"
say "installer: $setup ($(stat -c %s "$setup") bytes)"
[ "${1:-}" = --pack-only ] && exit 0

tw_require Xvfb xdotool xwininfo import convert flock python3
tw_wine_lock
tw_start_xvfb 1024x768
tw_wine_prefix || tw_fail "cannot make the Wine prefix $WINEPREFIX"

wine() { "$tw_loader" "$@" >>"$work/wine.log" 2>&1; }
unix_path() { "$tw_loader" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_env() { "$tw_loader" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tintwell'

instdir=$(unix_path "$(win_env LOCALAPPDATA)\\Programs\\Tintwell")
startmenu=$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
[ -n "$instdir" ] && [ -n "$startmenu" ] || tw_fail "cannot find the user's folders in the Wine prefix"
# A clean start: nothing of an earlier run.
rm -rf "$instdir" "$startmenu/Tintwell.lnk"
wine reg delete "$key" /f

install() {
    wine "$setup" /S || tw_fail "the installer ended with an error"
    "$tw_wineserver" -w
}
install
for f in tintwell.exe uninstall.exe README.txt tintmus.mid dogwood.TWP weeping.twp buy_me4.TWP; do
    [ -f "$instdir/$f" ] || tw_fail "the installer did not put $f in $instdir"
done
[ -f "$startmenu/Tintwell.lnk" ] || tw_fail "no Start-menu shortcut"
"$tw_loader" reg query "$key" /v UninstallString >"$work/reg.txt" 2>&1 || tw_fail "no uninstall entry in the registry"
say "installed silently into $instdir, with a Start-menu shortcut"

# The shortcut's target and the folder it starts in (the Shell Link format's strings).
read -r target workdir < <(python3 - "$startmenu/Tintwell.lnk" <<'EOF'
import struct, sys
d = open(sys.argv[1], "rb").read()
flags, = struct.unpack_from("<I", d, 20)
pos = 76
if flags & 0x01:  # HasLinkTargetIDList
    pos += 2 + struct.unpack_from("<H", d, pos)[0]
target = ""
if flags & 0x02:  # HasLinkInfo: LocalBasePath
    size, header, lflags, _, base = struct.unpack_from("<IIIII", d, pos)[:5]
    if lflags & 1:
        end = d.index(b"\0", pos + base)
        target = d[pos + base:end].decode("latin-1")
    pos += size
unicode = flags & 0x80
strings = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
    if flags & bit:
        n, = struct.unpack_from("<H", d, pos)
        pos += 2
        width = 2 if unicode else 1
        strings[name] = d[pos:pos + n * width].decode("utf-16-le" if unicode else "latin-1")
        pos += n * width
print(target.replace(" ", "%20"), strings.get("workdir", "").replace(" ", "%20"))
EOF
)
target=$(unix_path "${target//%20/ }")
workdir=$(unix_path "${workdir//%20/ }")
[ "$(readlink -f "$target")" = "$(readlink -f "$instdir/tintwell.exe")" ] || tw_fail "the shortcut starts '$target'"
[ "$(readlink -f "$workdir")" = "$(readlink -f "$instdir")" ] || tw_fail "the shortcut starts in '$workdir'"
say "the shortcut starts $target in $workdir"

# The program as the shortcut starts it; q saves the page in that folder.
tw_stop_xvfb
TW_SHOTS="${TW_SHOTS:-$out}" TW_WINE_EXE="$target" TW_WINE_DIR="$workdir" TW_WINE_LOCKED=1 \
    "$tw_root/scripts/windows_smoke.sh" ||
    tw_fail "the installed program did not run as it should"
tw_start_xvfb 1024x768

# An upgrade: the program is replaced, the child's page is not.
install
[ "$(stat -c %s "$instdir/dogwood.TWP")" -eq 304678 ] || tw_fail "installing again replaced the child's page"
say "installing again kept the child's page"

wine "$instdir/uninstall.exe" /S
"$tw_wineserver" -w
# The uninstaller runs from a copy of itself; give it a moment to finish.
for _ in $(seq 50); do
    [ -f "$instdir/tintwell.exe" ] || [ -f "$instdir/uninstall.exe" ] || break
    sleep 0.2
done
for f in tintwell.exe uninstall.exe README.txt tintmus.mid; do
    [ -e "$instdir/$f" ] && tw_fail "the uninstaller left $f"
done
[ -e "$startmenu/Tintwell.lnk" ] && tw_fail "the uninstaller left the shortcut"
"$tw_loader" reg query "$key" >/dev/null 2>&1 && tw_fail "the uninstaller left the registry entry"
[ "$(stat -c %s "$instdir/dogwood.TWP" 2>/dev/null)" = 304678 ] || tw_fail "the uninstaller did not keep the child's page"
say "the uninstaller removed the program and kept the child's pages: $(cd "$instdir" && echo *)"

install
wine "$instdir/uninstall.exe" /S /REMOVEPAGES
"$tw_wineserver" -w
for _ in $(seq 50); do
    [ -d "$instdir" ] || break
    sleep 0.2
done
[ -d "$instdir" ] && tw_fail "/REMOVEPAGES left $(cd "$instdir" && echo *)"
say "asked to, the uninstaller removed the pages and the folder too"
echo "windows_install: PASS"
