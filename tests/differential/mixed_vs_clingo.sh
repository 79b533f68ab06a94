#!/usr/bin/env bash
# Random programs that mix guesses, strong negation, facts among undecided atoms, several
# aggregates per body, head cycles, constraints, weak constraints at several levels and queries,
# solved by quarn under many options and reasoning modes (-n=, -nofacts, -filter=, -pfilter=,
# -det, -wf, -wctrace, -costbound=, -brave, -cautious, --witness, input split over files and
# standard input) and by clingo. A fixed seed in the test run; by hand:
# mixed_vs_clingo.sh [SEED [COUNT [SCALE]]], SCALE making the programs larger.
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/mixed_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-300}" --scale "${3:-1}"
