#!/usr/bin/env bash
# A program that the finite-domain check accepts must be grounded in bounded time and memory:
# random recursive programs with function terms, lists and list built-ins, under the limits now
# and then. By hand: finite_domain_terminates.sh [SEED [COUNT]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/finite_domain_terminates.py build/quarn --seed "${1:-1}" --count "${2:-300}"
