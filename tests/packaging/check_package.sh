#!/usr/bin/env bash
# Makes the Debian package of a build twice, a second apart, and checks it: the same bytes both
# times (every date in it is the changelog's), and no error or warning from lintian.
# Usage: check_package.sh <cpack> <build folder>. Exits 77 (skipped) without lintian.
set -euo pipefail
cpack=$1
build=$2
if ! command -v lintian >/dev/null 2>&1; then
  echo "lintian is not installed (scripts/setup-debian.sh package installs it): skipped"
  exit 77
fi
# The package dates itself; a date from the caller would hide that.
unset SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
"$cpack" -G DEB -B "$work/first" >/dev/null
sleep 1
"$cpack" -G DEB -B "$work/second" >/dev/null
first=$(echo "$work"/first/*.deb)
second=$(echo "$work"/second/*.deb)
if ! cmp "$first" "$second"; then
  diff <(dpkg-deb -c "$first") <(dpkg-deb -c "$second") || true
  echo "The package differs from one making to the next" >&2
  exit 1
fi
lintian --fail-on error,warning "$first"
