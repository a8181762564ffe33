#!/usr/bin/env bash
# Installs what is missing, builds the program as it ships and makes the Debian package
# build-package/vendrix2_<version>_<architecture>.deb; prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package -j "$(nproc)" --target vendrix2 program_icons
(cd build-package && cpack -G DEB >/dev/null)
ls -1 "$PWD"/build-package/vendrix2_*.deb
