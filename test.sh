#!/usr/bin/env bash
# Builds the Release and the sanitizer (AddressSanitizer + UndefinedBehaviorSanitizer) trees and
# runs every test in both (the unit tests also once as a single process), then the differential
# tests and, with clang, the parser's fuzz target. Ends with one line "N passed, N failed".
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

# The rule parser's libFuzzer target, when clang++ can link one: built in a tree of its own and
# run for a bounded time (QUARN_FUZZ_SECONDS, 60 by default) from the end-to-end cases' programs.
# Leak detection is off: an input that ends the run leaves the parser's values behind, as a run
# does at its exit.
fuzz_seconds=${QUARN_FUZZ_SECONDS:-60}
if command -v clang++ >/dev/null &&
  echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' |
  clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "== parser fuzzing, ${fuzz_seconds} s"
  mkdir -p build-fuzz/corpus
  fuzz_log=build-fuzz/fuzz.log
  if {
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DQUARN_FUZZ=ON && cmake --build build-fuzz -j "$jobs" &&
      python3 tests/fuzz/parser_seed_corpus.py build-fuzz/seeds &&
      ASAN_OPTIONS=detect_leaks=0 build-fuzz/tests/fuzz/parser_fuzz -max_total_time="$fuzz_seconds" \
        -detect_leaks=0 -close_fd_mask=3 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/ build-fuzz/corpus build-fuzz/seeds
  } >"$fuzz_log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$fuzz_log" || true
    passed=$((passed + 1))
  else
    tail -60 "$fuzz_log"
    failed=$((failed + 1))
  fi
else
  echo "== parser fuzzing skipped: clang++ with libFuzzer is not installed"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
