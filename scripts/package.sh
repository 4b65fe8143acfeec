#!/usr/bin/env bash
# Builds the Debian package of Tintwell, build/package/tintwell_<version>_<arch>.deb, with the
# distribution's hardening flags, and checks it with lintian (errors fail). Prints the package's
# size and its Depends line.
#   scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/package"

"$root/scripts/deps.sh" package
export CFLAGS CXXFLAGS LDFLAGS CPPFLAGS
CFLAGS=$(dpkg-buildflags --get CFLAGS)
CXXFLAGS=$(dpkg-buildflags --get CXXFLAGS)
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
# The preprocessor's flags (fortified string and memory calls) go in with the compiler's.
CXXFLAGS="$CXXFLAGS $CPPFLAGS"
CFLAGS="$CFLAGS $CPPFLAGS"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DTW_TESTS=OFF -DTW_BENCH=OFF >/dev/null
cmake --build "$build" -j "${TW_JOBS:-2}"
rm -f "$build"/tintwell_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { tail -n 30 "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/tintwell_*.deb)

echo "package: $deb"
echo "size: $(stat -c %s "$deb") bytes; installed size: $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "lintian: no errors"
