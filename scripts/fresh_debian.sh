#!/usr/bin/env bash
# Tries the README's commands on a Debian 12 system that has none of our packages: a minimal
# bookworm made by debootstrap, with a clone of this repository's HEAD in /root/tintwell.
#   scripts/fresh_debian.sh test   ./test.sh, then .ci/run (the Windows steps too)
#   scripts/fresh_debian.sh run    ./run.sh in a window on a virtual screen of this machine;
#                                  clicks the page, types "q" and checks the saved page
#   scripts/fresh_debian.sh package  the Debian package made here by scripts/package.sh, installed
#                                  with apt; started as the menu starts it with a fresh home on a
#                                  virtual screen: a click fills, "q" saves, a second start keeps
#                                  the colouring; apt purge removes every file of the package and
#                                  leaves the child's folder
# Needs root, debootstrap and network access to the Debian archive. The system is made afresh
# under build/fresh-debian-<what> on every call and left there for a look afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-test}
case "$what" in test|run|package) ;; *) echo "usage: $0 test|run|package" >&2; exit 2 ;; esac
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap and chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "$0: install debootstrap first" >&2; exit 2; }

sys="$root/build/fresh-debian-$what"
TW_NAME=fresh_debian
. "$root/tests/xvfb/xvfb_common.bash"
stamp() { echo "fresh_debian [$SECONDS s]: $*"; }

# mounted_below DIR: the mount points at or below DIR, one a line.
mounted_below() {
    awk -v dir="$1" '{
        path = $5
        while (match(path, /\\[0-7][0-7][0-7]/)) {
            code = substr(path, RSTART + 1, 3)
            path = substr(path, 1, RSTART - 1) sprintf("%c", (substr(code, 1, 1) * 64 + substr(code, 2, 1) * 8 + substr(code, 3, 1))) substr(path, RSTART + 4)
        }
        if (path == dir || index(path, dir "/") == 1) print path
    }' /proc/self/mountinfo
}
# unmount_below DIR: unmounts everything below DIR, the bindings' own submounts too (umount -R).
# Fails, saying what is still mounted, when something stays.
unmount_below() {
    local m left
    mounted_below "$1" | sort -r | while read -r m; do
        umount -R "$m" 2>/dev/null || umount -R -l "$m" || true
    done
    left=$(mounted_below "$1")
    [ -z "$left" ] || { echo "fresh_debian: still mounted below $1: $left" >&2; return 1; }
}
# remove_system: deletes the system made by an earlier run, which must have nothing mounted
# below it: rm never crosses into another file system.
remove_system() {
    [ -e "$sys" ] || return 0
    unmount_below "$sys" || { echo "fresh_debian: not deleting $sys while something is mounted there" >&2; exit 1; }
    rm -rf --one-file-system "$sys"
}
tw_on_exit 'unmount_below "$sys"'
# bind DIR: the machine's /DIR at the same place in the system, with whatever is mounted below it;
# nothing mounted or unmounted there reaches back to the machine's own.
bind() {
    mkdir -p "$sys/$1"
    mount --rbind "/$1" "$sys/$1"
    mount --make-rslave "$sys/$1"
}

deb=""
if [ "$what" = package ]; then
    stamp "making the package here"
    "$root/scripts/package.sh" | tee "$root/build/fresh-debian-package.package.log"
    deb=$(ls "$root"/build/package/tintwell_*.deb)
fi

remove_system
stamp "making a minimal Debian 12 in $sys"
debootstrap --variant=minbase --include=git,ca-certificates bookworm "$sys" \
    http://deb.debian.org/debian >"$sys.debootstrap.log" 2>&1 ||
    { echo "debootstrap failed; see $sys.debootstrap.log" >&2; exit 1; }
cp /etc/resolv.conf "$sys/etc/resolv.conf"
for m in proc sys dev; do bind "$m"; done
git clone -q "$root" "$sys/root/tintwell"

in_sys() {
    chroot "$sys" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

if [ "$what" = test ]; then
    stamp "./test.sh"
    in_sys bash -c 'cd /root/tintwell && ./test.sh'
    stamp "./test.sh passed; .ci/run"
    in_sys CI=true bash -c 'cd /root/tintwell && .ci/run'
    stamp "PASS"
    exit 0
fi

# run and package: the program shows on an Xvfb of this machine, reached through its socket
# folder.
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$0: needs $tool on this machine" >&2; exit 2; }
done
# The package's program runs full screen, as from the menu: a screen of 800 x 600 shows it 1:1.
screen=1024x768
[ "$what" = package ] && screen=800x600
tw_start_xvfb "$screen"
display=$DISPLAY
bind tmp/.X11-unix

if [ "$what" = package ]; then
    cp "$deb" "$sys/root/"
    stamp "apt install ./$(basename "$deb")"
    in_sys bash -c "cd /root && apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt install -y ./$(basename "$deb")" \
        >"$sys.apt.log" 2>&1 || { tail -n 20 "$sys.apt.log" >&2; exit 1; }
    in_sys dpkg -L tintwell >"$sys.files"
    exec_line=$(sed -n 's/^Exec=//p' "$sys"/usr/share/applications/*.desktop)
    child="$sys/home/child/.local/share/tintwell"
    # start NAME: the menu's command as a child with a fresh home; waits for the page screen.
    start() {
        in_sys DISPLAY="$display" HOME=/home/child TINTWELL_TRACE=/home/child/trace SDL_AUDIODRIVER=dummy \
            bash -c "mkdir -p /home/child && cd /home/child && exec $exec_line" >"$sys.$1.log" 2>&1 &
        run_pid=$!
        for _ in $(seq 60); do
            grep -q ' cursor EditCursor$' "$sys/home/child/trace" 2>/dev/null && return 0
            kill -0 "$run_pid" 2>/dev/null || break
            sleep 0.5
        done
        echo "the page screen did not come up; see $sys.$1.log" >&2
        exit 1
    }
    quit() {
        DISPLAY="$display" xdotool mousemove 400 300 key q
        wait "$run_pid" || { echo "tintwell ended with status $?; see $sys.$1.log" >&2; exit 1; }
        rm -f "$sys/home/child/trace"
    }
    start first
    stamp "the page screen is up; clicking the middle of the page"
    DISPLAY="$display" xdotool mousemove 400 300 click 1
    sleep 8
    quit first
    size=$(stat -c %s "$child/dogwood.TWP" 2>/dev/null || echo 0)
    [ "$size" -eq 304678 ] || { echo "dogwood.TWP is $size bytes, not a saved eight-bit page" >&2; exit 1; }
    saved=$(md5sum <"$child/dogwood.TWP")
    start second
    DISPLAY="$display" import -window root -depth 8 "$sys.second-start.png" 2>/dev/null || true
    quit second
    [ "$(md5sum <"$child/dogwood.TWP")" = "$saved" ] ||
        { echo "the second start lost the colouring of dogwood.TWP" >&2; exit 1; }
    stamp "the colouring was kept across two starts (screenshot: $sys.second-start.png)"
    in_sys env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tintwell >>"$sys.apt.log" 2>&1
    left=$(while read -r f; do if [ -f "$sys$f" ] || [ -L "$sys$f" ]; then echo "$f"; fi; done <"$sys.files")
    [ -z "$left" ] || { echo "apt purge left: $left" >&2; exit 1; }
    [ -d "$sys/usr/share/tintwell" ] && { echo "apt purge left /usr/share/tintwell" >&2; exit 1; }
    [ -f "$child/dogwood.TWP" ] || { echo "apt purge took the child's folder" >&2; exit 1; }
    stamp "PASS: apt purge removed all $(wc -l <"$sys.files") paths of the package and kept the child's folder"
    echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
    echo "Depends: $(dpkg-deb -f "$deb" Depends)"
    exit 0
fi
stamp "./run.sh on $display"
in_sys DISPLAY="$display" TINTWELL_WINDOWED=1 bash -c 'cd /root/tintwell && ./run.sh' \
    >"$sys.run.log" 2>&1 &
run_pid=$!
wid=""
while kill -0 "$run_pid" 2>/dev/null; do
    wid=$(DISPLAY="$display" xdotool search --name Tintwell 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 1
done
[ -n "$wid" ] || { echo "no window; see $sys.run.log" >&2; exit 1; }
stamp "the window is up"
sleep 1
# The middle of the page is on the dogwood branch; the fill takes at most about six seconds.
DISPLAY="$display" xdotool mousemove --window "$wid" 400 300 click 1
sleep 8
DISPLAY="$display" xdotool key --window "$wid" q
wait "$run_pid" || { echo "./run.sh ended with status $?; see $sys.run.log" >&2; exit 1; }
page="$sys/root/.local/share/tintwell/dogwood.TWP"
size=$(stat -c %s "$page" 2>/dev/null || echo 0)
[ "$size" -eq 304678 ] || { echo "dogwood.TWP is $size bytes, not a saved eight-bit page" >&2; exit 1; }
stamp "PASS: dogwood.TWP saved as an eight-bit page of $size bytes"
