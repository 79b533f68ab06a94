#!/usr/bin/env bash
# Builds the Release and the sanitizer (AddressSanitizer + UndefinedBehaviorSanitizer) trees and
# runs every test in both. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"

./build.sh || { echo "0 passed, 1 failed"; exit 1; }
# QUARN_JOBS caps the parallel jobs (on a shared machine); the default is one per core.
jobs=${QUARN_JOBS:-$(nproc 2>/dev/null || echo 2)}
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUARN_SANITIZE=ON >/dev/null &&
  cmake --build build-sanitize -j "$jobs" || { echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
run_suite() {
  local dir=$1
  local log
  log=$(mktemp)
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure >"$log" 2>&1
  cat "$log" | grep -E '(\*\*\*Failed|\*\*\*Exception|Timeout|tests passed|tests failed)' || true
  if grep -q 'Failed\|\*\*\*Exception\|Timeout' "$log"; then
    sed -n '/The following tests FAILED/,$p' "$log"
    grep -B2 -A30 -E '\[  FAILED  \]' "$log" | head -200
  fi
  local total fails
  total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo 0)
  fails=$(grep -oE '[0-9]+ tests failed' "$log" | tail -1 | grep -oE '^[0-9]+' || echo 0)
  [ -z "$total" ] && total=0
  [ -z "$fails" ] && fails=0
  if [ "$total" -eq 0 ]; then fails=1; fi
  passed=$((passed + total - fails))
  failed=$((failed + fails))
  rm -f "$log"
}
echo "== Release build"
run_suite build
echo "== Sanitizer build"
run_suite build-sanitize

# The scripted cases drive the Release binary from outside: full devices, closed pipes, memory
# limits and signals.
for t in tests/differential/*.sh tests/scripted/*.sh; do
  [ -f "$t" ] || continue
  echo "== $t"
  if bash "$t"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
