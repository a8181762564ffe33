#!/usr/bin/env bash
# Checks the direction of dependence between the folders of src/: a folder may include its own
# headers and those of the folders listed for it below, and nothing else. A folder not listed
# yet is reported and not checked. The whole graph is printed with any loop in it.
set -euo pipefail
cd "$(dirname "$0")/.."

# Bottom first. Each entry names the folders it may include.
declare -A may_include=(
  [platform]=""
  [platform/gui]="platform"
  [platform/print]="platform"
  [platform/mail]=""
  [store]=""
  [shell]="platform"
  [exchange]="platform store followup"
  [followup]="platform platform/gui shell store"
  [mail]="platform platform/gui platform/mail shell store"
  [reports]="platform platform/gui platform/print shell store followup"
  [transfer]="platform platform/gui platform/print shell store exchange"
  [options]="platform platform/gui shell store reports"
  [details]="platform platform/gui shell store followup mail exchange"
  [app]="platform platform/gui platform/print shell store followup mail reports options details exchange transfer"
)

folder_of() {  # src/a/b/c.cpp -> a/b
  local dir
  dir=$(dirname "${1#src/}")
  echo "$dir"
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
status=0
while IFS= read -r file; do
  from=$(folder_of "$file")
  [ "$from" = "." ] && continue
  while IFS= read -r header; do
    to=$(dirname "$header")
    [ "$to" = "$from" ] && continue
    echo "$from $to" >>"$edges"
    if [ -n "${may_include[$from]+set}" ] && ! [[ " ${may_include[$from]} " == *" $to "* ]]; then
      echo "$file includes \"$header\": $from may include only: ${may_include[$from]:-nothing}" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')

echo "Includes between folders of src/ (from -> to):"
sort -u "$edges" | sed 's/^/  /'
unchecked=$(sort -u "$edges" | cut -d' ' -f1 | sort -u | while read -r f; do
  [ -n "${may_include[$f]+set}" ] || echo "$f"
done | tr '\n' ' ')
[ -z "$unchecked" ] || echo "Not layered yet (not checked): $unchecked"
if ! sort -u "$edges" | tsort >/dev/null 2>&1; then
  echo "The folders include one another in a loop:"
  sort -u "$edges" | tsort 2>&1 >/dev/null | sed 's/^tsort: /  /' || true
  status=1
fi
exit "$status"
