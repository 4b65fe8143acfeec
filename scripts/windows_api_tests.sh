#!/usr/bin/env bash
# Holds Windows' own implementation of the Win32 calls to the tests our layer passes: builds the
# public-API tests (tests/api) with MinGW-w64 against the real Windows headers and libraries, and
# runs them under Wine on a private virtual screen of the program's size. Where this machine
# cannot run 32-bit code, the 64-bit build of the same tests runs under wine64 instead, and says so.
# GoogleTest is built from Debian's source package with the same cross compiler.
#   scripts/windows_api_tests.sh [GTEST_FILTER]
# Environment: TW_WINEPREFIX, TW_JOBS.
set -uo pipefail
# shellcheck source=scripts/windows_common.sh
. "$(dirname "$0")/windows_common.sh"

say() { echo "windows_api_tests: $*"; }

tw_apt_install googletest xvfb xauth
tw_wine_select
say "$tw_wine_note"
if [ "$WINEARCH" = win32 ]; then
    cxx=i686-w64-mingw32-g++
    out="$tw_win32_build/api_tests"
else
    cxx=x86_64-w64-mingw32-g++
    out="$tw_win64_build/api_tests"
fi
for t in "$cxx" "$tw_loader" "$tw_wineserver"; do
    command -v "$t" >/dev/null || tw_fail "$t is missing: run scripts/windows_build.sh first"
done
mkdir -p "$out"

# GoogleTest, once per compiler. MinGW's win32 thread model has no std::mutex, which GoogleTest's
# Notification (a helper for its own threads) is built on: it gets one made of a Win32 event.
gtest=/usr/src/googletest/googletest
cat >"$out/notification.h.tmp" <<'HEADER'
#pragma once
#include <windows.h>
namespace testing {
namespace internal {
class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};
}  // namespace internal
}  // namespace testing
HEADER
if cmp -s "$out/notification.h.tmp" "$out/notification.h"; then
    rm "$out/notification.h.tmp"
else
    mv "$out/notification.h.tmp" "$out/notification.h"
    rm -f "$out/libgtest.a"
fi
gtest_flags="-DGTEST_HAS_NOTIFICATION_=1 -include $out/notification.h"
if [ ! -f "$out/libgtest.a" ]; then
    say "building GoogleTest with $cxx"
    "$cxx" -std=c++17 -O1 $gtest_flags -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" -o "$out/gtest-all.o" &&
        "$cxx" -std=c++17 -O1 $gtest_flags -I"$gtest/include" -c "$gtest/src/gtest_main.cc" -o "$out/gtest_main.o" &&
        "${cxx%g++}ar" rcs "$out/libgtest.a.tmp" "$out/gtest-all.o" "$out/gtest_main.o" &&
        mv "$out/libgtest.a.tmp" "$out/libgtest.a" || tw_fail "GoogleTest did not build"
fi

# The tests, one object each so that a change rebuilds only its file.
objects=()
for src in "$tw_root"/tests/api/*.cpp; do
    obj="$out/$(basename "${src%.cpp}").o"
    objects+=("$obj")
    # USER's dialog template builder uses nothing but the Win32 headers: the tests build theirs with it.
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ "$tw_root/tests/api/api_test.h" -nt "$obj" ] ||
        [ "$tw_root/platform/user/dialog_template.h" -nt "$obj" ]; then
        "$cxx" -std=c++20 -O1 -Wall -Wextra -Werror $gtest_flags -I"$tw_root/tests" -I"$tw_root/platform" -I"$gtest/include" \
            -c "$src" -o "$obj" || tw_fail "$(basename "$src") did not compile against the real Windows headers"
    fi
done
"$cxx" -static -o "$out/tw_api_tests.exe" "${objects[@]}" "$out/libgtest.a" -lgdi32 -luser32 -lwinmm \
    || tw_fail "the tests did not link"

tw_wine_lock
tw_start_xvfb 800x600
work=$TW_WORK
tw_wine_prefix || tw_fail "cannot make the Wine prefix $WINEPREFIX"

filter=${1:-*}
(cd "$work" && "$tw_loader" "$out/tw_api_tests.exe" --gtest_filter="$filter" --gtest_color=no) 2>&1 |
    tee "$work/tests.log"
status=${PIPESTATUS[0]}
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$work/tests.log")
passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$work/tests.log")
say "${ran:-0} tests ran under Wine, ${passed:-0} passed"
[ "$status" -eq 0 ] || tw_fail "the tests failed under Wine (status $status)"
