#!/usr/bin/env bash
# Builds Tintwell as a real 32-bit Windows program with MinGW-w64: build/win32/tintwell.exe.
# Installs the cross compilers and Wine first when they are missing. Where this machine cannot
# run 32-bit code (and so cannot run the 32-bit program under Wine), it also builds the same
# sources for 64-bit Windows, build/win64/tintwell.exe, for windows_smoke.sh to run instead.
#   scripts/windows_build.sh [--win64]    --win64 builds the 64-bit program in any case
set -euo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

want64=0
[ "${1:-}" = --win64 ] && want64=1

# The MinGW-w64 compilers with the win32 thread model only (the program starts no threads); the
# posix twins would double the download.
pkgs=(cmake ninja-build g++-mingw-w64-i686-win32 wine xvfb xauth xdotool imagemagick)
if tw_can_run_i386; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        # tw_apt_install reads the package lists again, and with them the i386 packages.
        tw_as_root dpkg --add-architecture i386
    fi
    pkgs+=(wine32:i386)
else
    echo "This machine cannot run 32-bit x86 code: the 64-bit build will stand in for it under Wine."
    want64=1
fi
if [ $want64 -eq 1 ]; then
    pkgs+=(g++-mingw-w64-x86-64-win32 wine64)
fi
tw_apt_install "${pkgs[@]}"

# build_one DIR TOOLCHAIN
build_one() {
    local dir=$1 toolchain=$2
    cmake -S "$tw_root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$tw_root/cmake/$toolchain" >/dev/null
    cmake --build "$dir" --target tintwell -j "${TW_JOBS:-2}"
}

build_one "$tw_win32_build" mingw-i686.cmake
echo "32-bit Windows program: $tw_win32_build/tintwell.exe"
if [ $want64 -eq 1 ]; then
    build_one "$tw_win64_build" mingw-x86_64.cmake
    echo "64-bit Windows program: $tw_win64_build/tintwell.exe"
fi
