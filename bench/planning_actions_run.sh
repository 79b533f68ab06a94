#!/usr/bin/env bash
# Times the planning front-end on problems of N actions, each with one effect (`caused fI after
# aI.`, `inertial fI.`) and a goal that the last action reaches, plan length 1, first plan only
# (clingo has no planning language, so quarn runs alone). Best wall time of $runs runs (default 1)
# and peak resident memory.
#   bench/planning_actions_run.sh [path/to/quarn] [N ...]   (default N: 1000 10000 100000)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
shift $(( $# > 0 ? 1 : 0 ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 100000)
runs=${runs:-1}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$here/measure.sh"

printf "%8s %9s %9s\n" actions quarn_s quarn_MB
for n in "${sizes[@]}"; do
  python3 - "$n" "$dir/actions.plan" <<'PY'
import sys
n, path = int(sys.argv[1]), sys.argv[2]
lines = ["fluents: " + " ".join("f%d." % i for i in range(n)) + " goalf.",
         "actions: " + " ".join("a%d." % i for i in range(n)), "always:"]
for i in range(n):
    lines += ["  executable a%d." % i, "  caused f%d after a%d." % (i, i), "  inertial f%d." % i]
lines += ["  caused goalf after a%d." % (n - 1), "  inertial goalf.", "goal: goalf ? (1)"]
open(path, "w").write("\n".join(lines) + "\n")
PY
  read -r qt qm < <(measure_time_memory "$quarn" -silent -FP -n=1 "$dir/actions.plan" </dev/null)
  awk -v n="$n" -v qt="$qt" -v qm="$qm" 'BEGIN { printf "%8s %9s %9.1f\n", n, qt, qm / 1024 }'
done
