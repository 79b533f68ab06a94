#!/usr/bin/env bash
# Programs whose search meets many contradictions (3-SAT, pigeon-hole, Hamiltonian cycles,
# dominating sets, colouring, 2QBF, weighted vertex cover, positive loops through guesses, head
# cycles, item selections under several aggregates) solved by quarn and by clingo must have the
# same (optimal) answer sets, none printed twice, also under options that must not change them,
# and the same answers to -n=k, queries (brave, cautious, --witness) and -det. A fixed seed and
# 150 programs in the test run; by hand: conflicts_vs_clingo.sh [SEED [COUNT [SCALE]]], SCALE
# making them harder.
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/conflicts_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-150}" --scale "${3:-2}"
