#!/usr/bin/env bash
# Random stratified programs grounded by quarn and by clingo must derive the same facts. A fixed
# seed and a few hundred programs in the test run, and a few larger ones (domains and fact sets
# that make the grounder's tables and indices grow); by hand:
# grounding_vs_clingo.sh [SEED [COUNT [SCALE]]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
python3 tests/differential/grounding_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-200}" --scale "${3:-1}"
exec python3 tests/differential/grounding_vs_clingo.py build/quarn --seed "${1:-1}" --count 20 --scale 15
