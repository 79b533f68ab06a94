#!/usr/bin/env bash
# Random programs solved by quarn and by clingo must have the same answer sets, in two families
# (general programs, and aggregates in rules). A fixed seed and a few hundred programs each in the
# test run; by hand: answer_sets_vs_clingo.sh [SEED [COUNT [SCALE]]],
# SCALE making the programs larger.
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
python3 tests/differential/answer_sets_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-300}" --scale "${3:-1}"
# Programs whose rules derive atoms through aggregates over guessed predicates.
exec python3 tests/differential/answer_sets_vs_clingo.py build/quarn --aggregates-in-rules --seed "${1:-1}" \
    --count "${2:-300}" --scale "${3:-1}"
