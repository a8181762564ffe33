#!/usr/bin/env bash
# Installs what is missing, builds the program as it ships, with Debian's hardening flags, makes
# the Debian package build-package/vendrix2_<version>_<architecture>.deb, checks it with
# lintian and prints its path. The same sources give the same bytes: every date in the package
# is that of the latest entry of packaging/changelog (or SOURCE_DATE_EPOCH when set).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh package

release_time=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$release_time}
# Stack protector, fortified calls, read-only relocations bound at start-up: the program reads
# files users are sent. CMake does not read CPPFLAGS, so they join the compiler's flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxx_flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
linker_flags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$cxx_flags" -DCMAKE_EXE_LINKER_FLAGS="$linker_flags" >/dev/null
cmake --build build-package -j "$(nproc)" --target vendrix2 program_icons
rm -f build-package/vendrix2_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls -1 "$PWD"/build-package/vendrix2_*.deb)
# No error or warning, nor the notes of a program built without the flags above.
status=0
report=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
[ -z "$report" ] || echo "$report" >&2
if [ "$status" -ne 0 ] || grep -q ': hardening-' <<<"$report"; then
  echo "lintian finds fault with $deb" >&2
  exit 1
fi
echo "$deb"
