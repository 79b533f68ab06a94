#!/usr/bin/env bash
# Random stratified programs over lists, nested lists and function terms, read by the list
# built-ins and list patterns, solved by quarn and by a reference evaluation of the built-ins. A
# fixed seed in the test run; by hand: list_builtins.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/list_builtins.py build/quarn --seed "${1:-1}" --count "${2:-300}"
