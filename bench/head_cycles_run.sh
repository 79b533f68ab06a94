#!/usr/bin/env bash
# Times programs with head cycles (2QBF, strategic companies, disjunctive recursion; see
# head_cycles_gen.py): quarn against clingo on the same files, all answer sets of the smaller
# instances and the first of the larger ones. Prints per program the best wall time of three (a
# run stops after the time limit and shows as ">limit"), the ratio, and the number of answer sets
# each reported (they must agree).
#   bench/head_cycles_run.sh [path/to/quarn] [limit-seconds]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-60}
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 "$here/head_cycles_gen.py" "$dir" >/dev/null

source "$here/measure.sh"

printf "%-24s %-6s %9s %9s %8s %10s %10s\n" program models quarn_s clingo_s time_x quarn_n clingo_n
row() {
  local name=$1 n=$2 file="$dir/$1.lp"
  local qt ct qn cn
  qt=$(measure_time_limited "$quarn" -silent "-n=$n" "$file")
  ct=$(measure_time_limited clingo "$n" -q "$file")
  qn=$(timeout "$limit" "$quarn" -silent "-n=$n" "$file" 2>/dev/null | grep -c '^{')
  cn=$(timeout "$limit" clingo "$n" -q "$file" 2>/dev/null | awk '/^Models/ {print $3}')
  awk -v p="$name" -v m="$([ "$n" = 0 ] && echo all || echo first)" -v qt="$qt" -v ct="$ct" -v qn="$qn" -v cn="$cn" 'BEGIN{
    r = (qt ~ /^>/ || ct ~ /^>/ || ct == 0) ? "-" : sprintf("%.2f", qt / ct);
    printf "%-24s %-6s %9s %9s %8s %10s %10s\n", p, m, qt, ct, r, qn, cn }'
}
row qbf_8_14_10_40 0
row qbf_9_18_8_30 0
row companies_2_60_90_30 0
row companies_3_120_200_60 1
row disj_3_40_4 0
row disj_2_300_1 1
