#!/usr/bin/env bash
# Malformed programs, mutated case files and odd option combinations must end every run of the
# sanitizer build with a message and a defined status: no crash, no sanitizer report. A fixed
# seed and four hundred runs in the test run; by hand, with more: robustness_fuzz.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v python3 >/dev/null || { echo "python3 is needed to generate the inputs"; exit 1; }
[ -x build-sanitize/quarn ] || { echo "build-sanitize/quarn is not built"; exit 1; }
# The time limit only tells a hang from a slow run on a loaded machine, so it is generous.
exec python3 tests/fuzz/robustness_fuzz.py build-sanitize/quarn --seed "${1:-1}" --count "${2:-400}" \
  --timeout 120
