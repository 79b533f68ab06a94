#!/usr/bin/env bash
# Times the grounding of ground programs (see propositional_gen.py): quarn -instantiate with the
# propositional grounder (the default) and with the component grounder (-OGp-), against
# clingo --mode=gringo, all writing to /dev/null. Prints per size the best wall time of three
# runs (">limit" when a run hits the time limit) and quarn's own instantiation time (-stats).
#   bench/propositional_run.sh [path/to/quarn] [limit-seconds] [N ...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-60}
shift 2 2>/dev/null || shift $#
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(10000 40000 1000000)
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 "$here/propositional_gen.py" "$dir" "${sizes[@]}"

source "$here/measure.sh"

printf "%-10s %10s %12s %10s %10s\n" rules quarn_s instantiate quarn_OGp- clingo_s
for n in "${sizes[@]}"; do
  p="$dir/prop$n.lp"
  q=$(measure_time_limited "$quarn" -silent -instantiate "$p")
  i=$("$quarn" -silent -stats -instantiate "$p" 2>&1 >/dev/null | awk -F': ' '/^Instantiation time/ {print $2}')
  g=$(measure_time_limited "$quarn" -silent -instantiate -OGp- "$p")
  c=$(measure_time_limited clingo --mode=gringo "$dir/prop$n.clingo.lp")
  printf "%-10s %10s %12s %10s %10s\n" "$n" "$q" "$i" "$g" "$c"
done
