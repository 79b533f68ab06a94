#!/usr/bin/env bash
# Optimistic and secure plans of random planning problems, found by quarn, must equal those that
# a direct encoding of the problems' dynamics in clingo gives (the second, complete check method:
# every secure plan among its plans), and so must the plans of problems in the action language
# "C" (-FPc). A fixed seed and a few hundred
# problems in the test run; by hand: planning_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the problems"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/planning_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-200}"
