#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, skipping those
# already present. Runs as root, or through sudo when it is available.
set -euo pipefail

packages=(
  cmake
  g++
  ninja-build
  qt6-base-dev
  libgl-dev
  libbenchmark-dev
  libfontconfig-dev
  libxcb1-dev
  pkg-config
  libcups2-dev
  libcsv-dev
  fonts-liberation
  poppler-utils
  xvfb
  xauth
  clang
  clang-format
  libclang-rt-14-dev
  llvm
  qt6-svg-dev
  desktop-file-utils
  appstream
  dpkg-dev
  file
)

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
