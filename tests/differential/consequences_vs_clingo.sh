#!/usr/bin/env bash
# Brave and cautious answers of non-ground queries on programs with thousands to millions of
# answer sets (guesses, constraints, head cycles, #count bounds, weak constraints) must be
# clingo's (--enum-mode=brave / cautious), and the answer sets computed for them must stay within
# the query's instances plus one. A fixed seed in the test run; by hand:
# consequences_vs_clingo.sh [SEED [COUNT [SCALE]]], SCALE making the domains larger.
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/consequences_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-150}" --scale "${3:-1}"
