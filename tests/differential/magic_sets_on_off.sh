#!/usr/bin/env bash
# Brave and cautious answers must not change when magic sets rewrite the program for the query:
# random programs with recursion, disjunction and stratified negation, each run without the
# rewriting and with every variant of it. By hand: magic_sets_on_off.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/magic_sets_on_off.py build/quarn --seed "${1:-1}" --count "${2:-300}"
