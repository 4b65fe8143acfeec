#!/usr/bin/env bash
# Sets up, builds (with AddressSanitizer and UBSan) and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

"$here/scripts/deps.sh" test
build="$here/build/asan"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DTW_SANITIZE=ON >/dev/null
cmake --build "$build"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
