#!/usr/bin/env bash
# Sets up, builds and starts Tintwell. The program keeps the child's pictures in its own folder,
# ~/.local/share/tintwell: it makes it and copies the shipped pages and tune into it the first
# time, and never overwrites a page there. Arguments go to the program (--pages FOLDER, --help).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

"$here/scripts/deps.sh" run
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTW_TESTS=OFF -DTW_BENCH=OFF >/dev/null
cmake --build "$here/build/release" --target tintwell

exec "$here/build/release/tintwell" "$@"
