#!/usr/bin/env bash
# Interrupts optimisations, runs under -stats, planning, -instantiate and grounding with SIGINT and
# SIGTERM (see interrupted_runs.py).
#   interrupted_runs.sh [path/to/quarn]
set -euo pipefail
cd "$(dirname "$0")/../.."
quarn=$(realpath "${1:-build/quarn}")
[ -x "$quarn" ] || { echo "$quarn is not built"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed"; exit 1; }
exec python3 tests/scripted/interrupted_runs.py "$quarn"
