#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a normal build (with a
# short run of every benchmark) and in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer; before the latter's tests it fuzzes the program's readers of
# damaged files for a bounded time (FUZZ_SECONDS per target, 20 unless set).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
jobs=$(nproc)

# The code keeps one layout: any file clang-format would change fails the run.
git ls-files -z -- src tests bench fuzz | grep -zE '\.(cpp|h)$' | xargs -0 clang-format --dry-run --Werror
# Each file of src/ belongs to a layer and includes only the layers that layer links.
if ! layers=$(scripts/check-layers.sh 2>&1); then
  echo "$layers" >&2
  exit 1
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENDRIX_BENCHMARKS=ON \
  -DVENDRIX_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVENDRIX_SANITIZE=ON \
  -DVENDRIX_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-asan -j "$jobs"

# Fuzzing: each target is built with clang, AddressSanitizer and UndefinedBehaviorSanitizer and
# starts from its committed seed corpus (fuzz/corpus/<target>), which also replays every input
# that once broke the program. A crash, a sanitizer report, a hang or a broken invariant fails
# the run and leaves the input in build-fuzz/findings/ (add it to the corpus with a test).
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVENDRIX_FUZZ=ON -DVENDRIX_BENCHMARKS=OFF -DVENDRIX_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_all
findings=build-fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
targets=(fuzz_clients_file fuzz_store_scan fuzz_history_file fuzz_day_numbers fuzz_csv_import
  fuzz_vcard_import)
for target in "${targets[@]}"; do
  case $target in
    fuzz_history_file) max_len=65536 ;;  # longer histories only take longer to lay out
    fuzz_store_scan) max_len=16384 ;;    # 47 clients for sorts, numbers and scans; whole tables are fuzz_clients_file's
    fuzz_day_numbers) max_len=16 ;;      # a day number, then a month, a day and a year
    fuzz_csv_import) max_len=16384 ;;    # a header and a few dozen rows; longer only repeats
    fuzz_vcard_import) max_len=16384 ;;  # a few dozen cards; longer only repeats
    *) max_len=0 ;;                      # as long as the longest seed: a whole table and more
  esac
  work=$(mktemp -d)
  log="$findings/$target.log"
  status=0
  QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/fuzz/$target" -max_total_time="${FUZZ_SECONDS:-20}" -max_len="$max_len" \
    -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  rm -rf "$work"
  echo "$target: $(grep -m1 '^Done ' "$log" || echo 'no summary')"
  if [ "$status" -ne 0 ] || compgen -G "$findings/$target-*" >/dev/null; then
    tail -n 80 "$log" >&2
    # The input, printed too: a CI run's build folder is gone with it.
    for input in "$findings/$target"-*; do
      [ -f "$input" ] || continue
      { echo "$input (base64):"; base64 "$input" | head -c 65536 || true; echo; } >&2
    done
    echo "Fuzzing $target found a fault; the input is in $findings/" >&2
    exit 1
  fi
done
echo "Fuzzing found nothing in ${#targets[@]} targets."

# The sanitizer build's tests come last, so that the run ends with the test summary.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE nosanitize

