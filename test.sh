#!/usr/bin/env bash
# Runs the tests and ends with one line "N passed, N failed".
#
#   ./test.sh          The quick run, to see that a build works: the Release tree with its unit
#                      and end-to-end tests, then every differential test on a few programs each
#                      (QUARN_QUICK_COUNT, 40 by default). A few minutes on 2 cores.
#   ./test.sh --full   Everything, as CI runs it (.ci/run): the Release and the sanitizer
#                      (AddressSanitizer + UndefinedBehaviorSanitizer) trees with every test in
#                      both (the unit tests also once as a single process), the differential tests
#                      at their full size, the robustness fuzzer of the sanitizer build, the
#                      scripted cases and, with clang, the parser's fuzz target. Under 40 minutes
#                      on 2 cores.
#
# A suite counts its tests, a differential test the programs it checked (the number its summary
# line gives; the programs it found in disagreement count as failed), a scripted case one.
# QUARN_JOBS caps the parallel jobs (on a shared machine); the default is one per core. The
# differential tests and the scripted cases run that many at a time.
set -uo pipefail
cd "$(dirname "$0")"

full=0
case "${1:-}" in
  "") ;;
  --full) full=1 ;;
  *) echo "usage: ./test.sh [--full]" >&2; exit 2 ;;
esac

./build.sh || { echo "0 passed, 1 failed"; exit 1; }
jobs=${QUARN_JOBS:-$(nproc 2>/dev/null || echo 2)}
if [ "$full" -eq 1 ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUARN_SANITIZE=ON >/dev/null &&
    cmake --build build-sanitize -j "$jobs" || { echo "0 passed, 1 failed"; exit 1; }
fi

passed=0
failed=0
run_suite() {
  local dir=$1
  local log
  log=$(mktemp)
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure >"$log" 2>&1
  grep -E '(\*\*\*Failed|\*\*\*Exception|Timeout|tests passed|tests failed)' "$log" || true
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

# What a differential test checked, from its output: "P F" for P programs that agreed and F that
# did not. Its summary lines say "N programs, F disagreements ...", "N problems, ...", "N runs, F
# faults", "N examples, F faults" or "A of N problems agree"; a test that runs two families
# prints two. Programs that timed out were not checked. A test that ended with a failure status
# without a disagreement counted, or printed no summary, counts as one failure.
count_programs() {
  python3 - "$1" "$2" <<'EOF'
import re, sys
log, status = sys.argv[1], int(sys.argv[2])
checked = failed = summaries = 0
for line in open(log, errors="replace"):
    m = re.match(r"(\d+) of (\d+) \w.* agree", line)
    if m:
        summaries += 1
        checked += int(m.group(2))
        failed += int(m.group(2)) - int(m.group(1))
        continue
    m = re.match(r"(\d+) (programs|problems|runs|examples)\b", line)
    if not m:
        continue
    summaries += 1
    checked += int(m.group(1))
    bad = re.search(r", (\d+) (disagree\w*|faults?|failures?)\b", line)
    if bad:
        failed += int(bad.group(1))
    skipped = re.search(r", (\d+) timed out\b", line)
    if skipped:
        checked -= int(skipped.group(1))
if summaries == 0:
    print(*((1, 0) if status == 0 else (0, 1)))
else:
    print(checked - failed, failed if status == 0 or failed else 1)
EOF
}

# Runs the scripts, QUARN_JOBS at a time, each with the arguments given after "--"; then prints
# their output in order and counts them: a differential test by its programs, a scripted case as
# one.
run_scripts() {
  local args=() scripts=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do scripts+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  args=("$@")
  local dir
  dir=$(mktemp -d)
  local i=0 t
  for t in "${scripts[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
    (
      if [[ "$t" == tests/differential/readme_examples.sh || "$t" == tests/scripted/* ]]; then
        bash "$t"
      else
        bash "$t" "${args[@]}"
      fi >"$dir/$i.log" 2>&1
      echo $? >"$dir/$i.status"
    ) &
    i=$((i + 1))
  done
  wait
  i=0
  for t in "${scripts[@]}"; do
    local status counts
    status=$(cat "$dir/$i.status" 2>/dev/null || echo 1)
    echo "== $t"
    if [ "$status" -eq 0 ]; then tail -1 "$dir/$i.log"; else tail -60 "$dir/$i.log"; fi
    if [[ "$t" == tests/scripted/* ]]; then
      if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    else
      counts=$(count_programs "$dir/$i.log" "$status")
      passed=$((passed + ${counts% *}))
      failed=$((failed + ${counts#* }))
    fi
    i=$((i + 1))
  done
  rm -rf "$dir"
}

echo "== Release build"
run_suite build
if [ "$full" -eq 0 ]; then
  # The robustness fuzzer runs the sanitizer build, which only the full run makes.
  quick_count=${QUARN_QUICK_COUNT:-40}
  echo "== differential tests, $quick_count programs each"
  run_scripts $(ls tests/differential/*.sh | grep -v robustness_fuzz) -- 1 "$quick_count"
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
fi

echo "== Sanitizer build"
run_suite build-sanitize

# The scripted cases drive the Release binary from outside: full devices, closed pipes, memory
# limits and signals.
run_scripts tests/differential/*.sh tests/scripted/*.sh

# The rule parser's libFuzzer target, when clang++ can link one: built in a tree of its own and
# run for a bounded time (QUARN_FUZZ_SECONDS, 60 by default) from the end-to-end cases' programs.
# Leak detection is on: the parser releases what it made for every input, an arity clash
# included.
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
      ASAN_OPTIONS=detect_leaks=1 build-fuzz/tests/fuzz/parser_fuzz -max_total_time="$fuzz_seconds" \
        -detect_leaks=1 -close_fd_mask=3 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
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
