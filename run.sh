#!/usr/bin/env bash
# Sets up, builds and starts Tintwell in the child's own folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

"$here/scripts/deps.sh" run
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTW_TESTS=OFF -DTW_BENCH=OFF >/dev/null
cmake --build "$here/build/release" --target tintwell

# The pages and the tune are copied into the child's folder once; the child's pages are never
# overwritten.
data="${XDG_DATA_HOME:-$HOME/.local/share}/tintwell"
mkdir -p "$data"
for f in "$here"/pages/*; do
  [ -e "$f" ] || continue
  [ -e "$data/$(basename "$f")" ] || cp "$f" "$data/"
done

cd "$data"
exec "$here/build/release/tintwell" "$@"
