#!/usr/bin/env bash
# Random ground programs grounded by the propositional grounder and by the component grounder
# must have the same answer sets, best models, costs and verdicts, and the answer sets clingo
# finds. A fixed seed in the test run; by hand: propositional_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/propositional_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-300}"
