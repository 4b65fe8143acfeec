#!/usr/bin/env bash
# Builds the page-loader fuzz target (clang, libFuzzer) and runs it for a bounded time.
# Arguments: cmake, build folder, fuzz binary, corpus folder, source folder, seconds.
set -euo pipefail
cmake_bin=$1 build=$2 binary=$3 corpus=$4 source=$5 seconds=${6:-30}

"$cmake_bin" --build "$build" --target tw_fuzz_loadpage
mkdir -p "$corpus"
python3 "$(dirname "$0")/make_seeds.py" "$corpus"
for page in "$source"/pages/*; do
  [ -f "$page" ] && cp -n "$page" "$corpus/" || true
done
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}:detect_leaks=1"
"$binary" "$corpus" -max_total_time="$seconds" -max_len=310000 -rss_limit_mb=1024 -print_final_stats=1
