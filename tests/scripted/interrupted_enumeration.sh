#!/usr/bin/env bash
# Interrupts long enumerations with SIGINT and SIGTERM (see interrupted_enumeration.py).
#   interrupted_enumeration.sh [path/to/quarn]
set -euo pipefail
cd "$(dirname "$0")/../.."
quarn=$(realpath "${1:-build/quarn}")
[ -x "$quarn" ] || { echo "$quarn is not built"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed"; exit 1; }
exec python3 tests/scripted/interrupted_enumeration.py "$quarn"
