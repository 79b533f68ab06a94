#!/usr/bin/env bash
# Random programs with weak constraints solved by quarn and by clingo must have the same optimal
# models and the same optimum; -n=1 and -wctrace are checked on each. A fixed seed in the test
# run; by hand: optimum_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/optimum_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-150}"
