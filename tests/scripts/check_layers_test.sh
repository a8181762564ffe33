#!/usr/bin/env bash
# The layer check passes on the program as it is, and fails on each kind of fault it is there
# to find, each put into a copy of the tree.
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fresh copy with git's list of files, the fault made by the command given.
check_with() {
  rm -rf "$work/tree"
  mkdir "$work/tree"
  cp -r "$source/CMakeLists.txt" "$source/src" "$work/tree/"
  (cd "$work/tree" && eval "$1" && git init -q && git add -A)
  "$source/scripts/check-layers.sh" "$work/tree" >/dev/null 2>"$work/errors"
}

check_with true || { cat "$work/errors"; echo "FAIL: the program as it is does not pass"; exit 1; }

faults=(
  "an include without a folder into a layer above|sed -i '1a #include \"scan_results_window.h\"' src/followup/scan.cpp"
  "an include of a layer not linked|sed -i '1a #include \"exchange/contact.h\"' src/store/files.cpp"
  "a file in no layer|printf 'int x;\n' >src/followup/stray.cpp"
  "a link no file needs|sed -i 's/LINKS vendrix_followup vendrix_store vendrix_print)/LINKS vendrix_followup vendrix_store vendrix_shell vendrix_print)/' CMakeLists.txt"
)
status=0
for fault in "${faults[@]}"; do
  name=${fault%%|*}
  if check_with "${fault#*|}"; then
    echo "FAIL: not found: $name"
    status=1
  else
    echo "found: $name ($(head -n 1 "$work/errors"))"
  fi
done
exit "$status"
