#!/usr/bin/env bash
# Random stratified programs over large integers, with and without #maxint or -N=, solved by
# quarn and by a reference evaluation of the built-ins' documented limits. A fixed seed in the
# test run; by hand: arithmetic_bounds.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/arithmetic_bounds.py build/quarn --seed "${1:-1}" --count "${2:-400}"
