# shellcheck shell=bash disable=SC2034  # the variables set here are for the scripts that source it
# Shared by the windows_*.sh scripts (source it): where the Windows builds live; whether this
# machine can run 32-bit x86 code, which decides whether the 32-bit program can be tried under
# Wine here or only its 64-bit twin, built from the very same sources; the Wine prefix and the
# look of the page screen that the runs under Wine share. The screen, the program, failing and
# cleaning up come from the real-window checks' library.

tw_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TW_NAME=${TW_NAME:-$(basename "$0" .sh)}
# shellcheck source=tests/xvfb/xvfb_common.bash
. "$tw_root/tests/xvfb/xvfb_common.bash"
tw_win32_build="${TW_WIN32_BUILD:-$tw_root/build/win32}"
tw_win64_build="${TW_WIN64_BUILD:-$tw_root/build/win64}"

# Runs a 93-byte 32-bit Linux program that only exits with status 0. Some 64-bit kernels are built
# or booted without 32-bit emulation; there it fails with "Exec format error".
tw_can_run_i386() {
    local probe status
    # In the build folder rather than /tmp, which may forbid running programs.
    mkdir -p "$tw_root/build"
    probe=$(mktemp "$tw_root/build/i386probe.XXXXXX") || return 1
    # ELF header, one loadable segment at 0x08048000, then: mov eax, 1; xor ebx, ebx; int 0x80.
    printf '%b' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    return $status
}

tw_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs the Debian packages named that are not installed yet.
tw_apt_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    tw_as_root apt-get update -qq
    tw_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# tw_wine_select: the program and the Wine to run it with. Sets tw_exe, tw_loader, tw_wineserver,
# WINEARCH, WINEPREFIX (TW_WINEPREFIX, or a prefix kept beside the build), and tw_wine_note.
# TW_WIN64=1 takes the 64-bit build even where 32-bit code could run (a machine without wine32).
tw_wine_select() {
    if [ -z "${TW_WIN64:-}" ] && tw_can_run_i386; then
        tw_exe="$tw_win32_build/tintwell.exe"
        tw_loader=/usr/lib/wine/wine
        export WINEARCH=win32
        tw_wine_note="running the 32-bit program under wine"
    else
        tw_exe="$tw_win64_build/tintwell.exe"
        tw_loader=/usr/lib/wine/wine64
        export WINEARCH=win64
        tw_wine_note="this machine cannot run 32-bit x86 code: running the 64-bit build of the same sources under wine64"
        [ -n "${TW_WIN64:-}" ] && tw_wine_note="TW_WIN64 is set: running the 64-bit build of the same sources under wine64"
    fi
    # Either server serves either kind of prefix; it is only asked to wait or to stop here.
    tw_wineserver=/usr/lib/wine/wineserver64
    [ -x "$tw_wineserver" ] || tw_wineserver=/usr/lib/wine/wineserver32
    export WINEPREFIX=${TW_WINEPREFIX:-$(dirname "$tw_exe")/wineprefix}
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# tw_wine_prefix: makes the prefix on first use and sets it up for the program; the prefix's
# processes are waited for (or stopped) when the script exits. Needs DISPLAY.
tw_wine_prefix() {
    if [ -z "${tw_wine_used:-}" ]; then
        tw_wine_used=1
        tw_on_exit tw_wine_stop
        TW_FAIL_LOGS+=(wineboot.log reg.log)
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$tw_loader" wineboot --init >"$TW_WORK/wineboot.log" 2>&1 || return 1
        "$tw_wineserver" -w
    fi
    # Wine gives a window that takes DirectDraw's exclusive full-screen mode an OpenGL surface that
    # covers everything GDI draws into it afterwards (with Xvfb's software OpenGL the window stays
    # frozen at its first paints). The program uses DirectDraw only to switch the display mode, so
    # Wine's Direct3D is told to draw without OpenGL.
    if ! grep -q '"renderer"="gdi"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$tw_loader" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >"$TW_WORK/reg.log" 2>&1 || return 1
        "$tw_wineserver" -w
    fi
}

# tw_wine_stop: waits for Wine's own helper processes of the prefix, which end with its server.
tw_wine_stop() {
    timeout 10 "$tw_wineserver" -w 2>/dev/null || "$tw_wineserver" -k 2>/dev/null
}

# tw_wine_lock: one run at a time uses the prefix (the program refuses to start beside another
# copy of itself in the same Wine). TW_WINE_LOCKED=1 when the caller holds the lock already.
tw_wine_lock() {
    [ "${TW_WINE_LOCKED:-0}" = 1 ] && return 0
    exec 9>"$WINEPREFIX.lock"
    flock -w 600 9 || tw_fail "another run holds $WINEPREFIX.lock"
}

# tw_wine_dialogs MAIN: under Wine each dialog is an X window of its own: the program's visible
# windows other than the main one and Wine's 1 x 1 input method helpers, one a line.
tw_wine_dialogs() {
    local w
    for w in $(xdotool search --onlyvisible --classname 'tintwell\.exe' 2>/dev/null); do
        [ "$w" = "$1" ] && continue
        case $(tw_window_geometry "$w") in
        1x1+*) ;;
        *) echo "$w" ;;
        esac
    done | sort
}

# tw_page_screen_up SHOT X Y: whether the picture shows the page screen with its client area at
# (X, Y): the page, at (70, 70), mostly paper (light grey, 239 239 239), and the buttons drawn in
# the band above it.
tw_page_screen_up() {
    local shot=$1 x=$2 y=$3 paper colours
    paper=$(convert "$shot" -crop "660x460+$((x + 70))+$((y + 70))" +repage -fuzz 4% -fill white \
        -opaque 'rgb(239,239,239)' -fill black +opaque white -format '%[fx:mean]' info:)
    colours=$(convert "$shot" -crop "800x50+$x+$((y + 10))" +repage -format '%k' info:)
    tw_page_evidence="paper: $paper of the page area; $colours colours above it"
    awk -v p="$paper" -v c="$colours" 'BEGIN {exit !(p > 0.5 && c > 8)}'
}
