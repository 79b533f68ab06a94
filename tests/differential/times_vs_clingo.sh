#!/usr/bin/env bash
# Random programs reading #times aggregates over guesses, solved by quarn and by clingo (which
# multiplies the elements through a chain of its own) must have the same answer sets. A fixed
# seed in the test run; by hand: times_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/times_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-500}"
