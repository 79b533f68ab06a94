#!/usr/bin/env bash
# Programs with head cycles (random disjunctive programs, 2QBF, strategic companies, and random
# ones with weak constraints) solved by quarn in every model check mode and by clingo must have the
# same (optimal) answer sets. A fixed seed and a few hundred programs in the test run; by hand:
# head_cycles_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/head_cycles_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-300}"
