#!/usr/bin/env bash
# Random programs with aggregates (facts among the elements, several aggregates in one body, in
# rules, constraints, weak constraints and queries) must have clingo's answers under every
# heuristic option; -det must report only atoms true in every answer set (and, with variables,
# every true atom of the well-founded model; on a stratified program its one answer set), and -wf
# the well-founded model that the script computes itself, also over clingo's ground program. A fixed seed in the test run; by hand:
# aggregates_options_vs_clingo.sh [SEED [COUNT [SCALE]]].
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v clingo >/dev/null || { echo "clingo is not installed (Debian package gringo)"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to generate the programs"; exit 1; }
[ -x build/quarn ] || { echo "build/quarn is not built"; exit 1; }
exec python3 tests/differential/aggregates_options_vs_clingo.py build/quarn --seed "${1:-1}" --count "${2:-400}" \
    --scale "${3:-1}"
