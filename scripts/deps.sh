#!/usr/bin/env bash
# Installs the Debian packages Tintwell needs that are not installed yet.
#   scripts/deps.sh run    what building and running the program needs
#   scripts/deps.sh test   that, plus what the tests and benchmarks need
#   scripts/deps.sh package   that of run, plus what making and checking the Debian package needs
set -euo pipefail

run_pkgs=(
  build-essential cmake ninja-build pkg-config libvips-dev libopencv-imgproc-dev
  libsdl2-dev libx11-dev libxext-dev libsdl2-mixer-dev libfluidsynth-dev libfreetype-dev libfontconfig-dev libcups2-dev zlib1g-dev
  libinih-dev
  fonts-liberation timgm6mb-soundfont
)
test_pkgs=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils openbox imagemagick sox desktop-file-utils appstream python3 libxfixes3
  clang libclang-rt-14-dev
  cups-daemon cups-client poppler-utils
  fusefat dosfstools exfat-fuse exfatprogs
)
package_pkgs=(dpkg-dev file lintian)

pkgs=("${run_pkgs[@]}")
case "${1:-run}" in
  test) pkgs+=("${test_pkgs[@]}") ;;
  package) pkgs+=("${package_pkgs[@]}") ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
