#!/usr/bin/env bash
# Answer tables of random SQL3 queries (joins, unions, recursive WITH elements), solved by quarn,
# must equal the rows that clingo derives from an independent translation. A fixed seed and a few
# hundred problems in the test run; by hand: sql_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the problems"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/sql_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-300}"
