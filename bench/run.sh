#!/usr/bin/env bash
# Times grounding alone: quarn -instantiate against clingo --mode=gringo on the same files, both
# writing to /dev/null. Prints per program the best wall time of three runs, the peak resident
# memory, and the ratios quarn/clingo.
#   bench/run.sh [path/to/quarn] [program.lp ...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
shift || true
programs=("$@")
[ ${#programs[@]} -eq 0 ] && programs=("$here/tc.lp" "$here/join.lp" "$here/agg.lp")
runs=3

source "$here/measure.sh"

printf "%-10s %9s %9s %7s %10s %10s %7s\n" program quarn_s clingo_s time_x quarn_MB clingo_MB mem_x
for p in "${programs[@]}"; do
  read -r qt qm < <(measure_time_memory "$quarn" -instantiate "$p")
  read -r ct cm < <(measure_time_memory clingo --mode=gringo "$p")
  awk -v n="$(basename "$p" .lp)" -v qt="$qt" -v ct="$ct" -v qm="$qm" -v cm="$cm" 'BEGIN{
    printf "%-10s %9.2f %9.2f %7.2f %10.1f %10.1f %7.2f\n", n, qt, ct, (ct > 0 ? qt / ct : 0),
           qm / 1024, cm / 1024, (cm > 0 ? qm / cm : 0) }'
done
