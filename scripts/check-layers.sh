#!/usr/bin/env bash
# Checks that every file of src/ belongs to one layer of CMakeLists.txt (a `vendrix_layer` with
# its SOURCES and HEADERS) and includes only headers of its own layer and of the layers it links,
# directly or through others. An include without a folder ("scan.h") is the header beside the
# including file, so it is checked as that file. Each layer's direct links must each be needed
# by an include of one of its files. Prints the layers' links and fails on any fault.
# The tree checked is the repository's, or the one named (a git checkout with CMakeLists.txt
# and src/, as the checker's own test makes).
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# "layer NAME", "file src/PATH NAME" and "link NAME OTHER" for each layer in CMakeLists.txt.
layers=$(awk '
  /^vendrix_layer\(/ { name = substr($1, 15); section = ""; inside = 1; $1 = "" }
  inside {
    for (i = 1; i <= NF; ++i) {
      word = $i
      done = sub(/\)$/, "", word)
      if (word == "SOURCES" || word == "HEADERS" || word == "LINKS") section = word
      else if (word != "" && section == "SOURCES") print "file " word " " name
      else if (word != "" && section == "HEADERS") print "file src/" word " " name
      else if (word ~ /^vendrix_/ && section == "LINKS") print "link " name " " word
      if (done) { inside = 0; print "layer " name }
    }
  }' CMakeLists.txt)

declare -A layer_of links needed
while read -r kind a b; do
  case "$kind" in
    file) layer_of[$a]=$b ;;
    link) links[$a]+=" $b" ;;
    layer) links[$a]+="" ;;
  esac
done <<<"$layers"
# The program's identity, made from the project's settings, is the clock layer's header.
layer_of[src/platform/program_identity.h]=vendrix_clock
# main() starts the whole program.
layer_of[src/main.cpp]=vendrix2
links[vendrix2]=" vendrix_app"

# The layers a layer may include from: itself and every layer it links, however deep.
reachable() {
  local seen=" $1 " queue=("$1") next
  while [ ${#queue[@]} -gt 0 ]; do
    for next in ${links[${queue[0]}]:-}; do
      [[ "$seen" == *" $next "* ]] || { seen+="$next "; queue+=("$next"); }
    done
    queue=("${queue[@]:1}")
  done
  echo "$seen"
}
declare -A may_include
for layer in "${!links[@]}"; do may_include[$layer]=$(reachable "$layer"); done

status=0
fail() { echo "$*" >&2; status=1; }

while IFS= read -r file; do
  from=${layer_of[$file]:-}
  if [ -z "$from" ]; then
    fail "$file belongs to no layer: list it in a vendrix_layer of CMakeLists.txt"
    continue
  fi
  while IFS= read -r header; do
    if [ -f "$(dirname "$file")/$header" ]; then
      target=$(realpath -m --relative-to=. "$(dirname "$file")/$header")
    elif [ -f "src/$header" ] || [ -f "src/$header.in" ]; then
      target="src/$header"
    else
      continue  # a library's header
    fi
    to=${layer_of[$target]:-}
    if [ -z "$to" ]; then
      fail "$file includes \"$header\" ($target), which belongs to no layer"
    elif [[ "${may_include[$from]}" != *" $to "* ]]; then
      fail "$file includes \"$header\" of $to: $from may include only from${may_include[$from]}"
    elif [ "$to" != "$from" ]; then
      needed[$from $to]=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')

echo "Layers and the layers they link:"
for layer in $(for l in "${!links[@]}"; do echo "$l"; done | sort); do
  echo "  $layer:${links[$layer]:-}"
  for other in ${links[$layer]:-}; do
    [ -n "${needed[$layer $other]+set}" ] ||
      fail "$layer links $other, but none of its files includes a header of $other"
  done
done
if ! for l in "${!links[@]}"; do for o in ${links[$l]}; do echo "$l $o"; done; done |
  tsort >/dev/null 2>&1; then
  fail "The layers link one another in a loop"
fi
exit "$status"
