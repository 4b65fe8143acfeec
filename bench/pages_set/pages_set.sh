#!/usr/bin/env bash
# Gathers the labelled pictures tintwell-pages is judged on (labels.tsv beside this script) into
# FOLDER, then judges a tintwell-pages on them. The packages are downloaded and unpacked into
# FOLDER/debs, never installed; the scans, photographed sheets and crayon drawings are made from
# them by tw_pages_eval, the same pixels every time.
#   bench/pages_set/pages_set.sh FOLDER [TINTWELL_PAGES [TW_PAGES_EVAL]]
# TINTWELL_PAGES defaults to build/release/tintwell-pages, TW_PAGES_EVAL to build/release/tw_pages_eval;
# the pages and their previews go to FOLDER/pages-NAME, NAME from $TW_SET_NAME (default "now").
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
folder=$1
tool=${2:-$root/build/release/tintwell-pages}
eval=${3:-$root/build/release/tw_pages_eval}
labels="$here/labels.tsv"
mkdir -p "$folder/debs" "$folder/pictures"
folder=$(cd "$folder" && pwd)

# The packages the sources name, each downloaded and unpacked once.
for pkg in $(grep -v '^#' "$labels" | cut -f3 | grep -o '[a-z0-9.+-]*:/' | tr -d ':/' | sort -u); do
    [ -d "$folder/debs/$pkg" ] && continue
    (cd "$folder/debs" && apt-get download "$pkg" >/dev/null 2>&1) ||
        { echo "cannot download $pkg (apt-get update first?)" >&2; exit 1; }
    dpkg-deb -x "$folder/debs/${pkg}"_*.deb "$folder/debs/$pkg"
done

# Each picture, copied, drawn from its SVG or made.
while IFS=$'\t' read -r picture kind source; do
    case "$picture" in '#'* | '') continue ;; esac
    out="$folder/pictures/$picture"
    [ -s "$out" ] && continue
    how=copy
    case "$source" in scan\ * | sheet\ * | crayon\ *) how=${source%% *} source=${source#* } ;; esac
    file=$source
    case "$source" in *:/*) file="$folder/debs/${source%%:*}${source#*:}" ;; esac
    if [ "$how" = copy ] && [ "${file##*.}" != svg ]; then
        cp "$file" "$out"
    else
        "$eval" make "$how" "$file" "$out"
    fi
done <"$labels"

"$eval" judge "$tool" "$labels" "$folder/pictures" "$folder/pages-${TW_SET_NAME:-now}"
