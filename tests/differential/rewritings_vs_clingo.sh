#!/usr/bin/env bash
# Brave and cautious answers must be clingo's whatever rewriting switches are given (magic sets,
# subsumption, projection): random programs with queries, recursion, disjunction, stratified
# negation, constraints and function terms. By hand: rewritings_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/rewritings_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-400}"
