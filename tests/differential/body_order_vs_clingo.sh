#!/usr/bin/env bash
# Random programs with joins, recursion, solved literals, negation and #count assignments,
# solved by quarn under every body-ordering level with and without semi-naive variants and by
# clingo, must have the same answer sets. By hand: body_order_vs_clingo.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/body_order_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-150}"
