#!/usr/bin/env bash
# Installs the Debian packages one set of tasks needs, skipping those already present. Runs as
# root, or through sudo when it is available.
#   scripts/setup-debian.sh build    what builds the program
#   scripts/setup-debian.sh package  that, and what makes and checks the Debian package
#   scripts/setup-debian.sh [all]    everything: the tests, the benchmarks and fuzzing too
set -euo pipefail

build=(
  cmake
  g++
  ninja-build
  pkg-config
  qt6-base-dev
  qt6-svg-dev
  libgl-dev
  libfontconfig-dev
  libxcb1-dev
  libcups2-dev
  libcsv-dev
)
# dpkg-buildflags, dpkg-parsechangelog and dpkg-shlibdeps; file finds the programs for the
# latter; lintian checks the package.
package=(
  dpkg-dev
  file
  lintian
)
# The fonts the reports draw with; the tests' tools: PDF text, a display, the desktop's
# validators; the benchmarks' library; clang for fuzzing and the layout check.
tests=(
  fonts-liberation
  poppler-utils
  xvfb
  xauth
  desktop-file-utils
  appstream
  libbenchmark-dev
  clang
  clang-format
  libclang-rt-14-dev
  llvm
  # A screen reader's view of the program: the accessibility bus, its Python client, a session
  # bus and a window manager for the keys.
  at-spi2-core
  dbus-daemon
  python3-pyatspi
  gir1.2-atspi-2.0
  openbox
  xdotool
)

case ${1:-all} in
  build) packages=("${build[@]}") ;;
  package) packages=("${build[@]}" "${package[@]}") ;;
  all) packages=("${build[@]}" "${package[@]}" "${tests[@]}") ;;
  *)
    echo "Usage: $0 [build|package|all]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
