#!/usr/bin/env bash
# Times the search: quarn against clingo on the same files, the first answer set of the large
# instances (-n=1, clingo 1) and all answer sets of the small ones (clingo 0). Prints per run the
# best wall time of three (a run stops after the time limit and shows as ">limit") and the ratio.
#   bench/search_run.sh [path/to/quarn] [limit-seconds]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-60}
runs=3

measure() {  # best wall time over $runs runs, or ">limit"
  local best="" t tf
  tf=$(mktemp)
  for _ in $(seq $runs); do
    if ! /usr/bin/time -o "$tf" -f "%e" timeout "$limit" "$@" >/dev/null 2>/dev/null; then
      if [ "$(tail -1 "$tf" | tr -d '\n')" = "" ] || grep -q "status 124" "$tf"; then echo ">$limit"; rm -f "$tf"; return; fi
    fi
    t=$(tail -1 "$tf")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
  done
  rm -f "$tf"
  echo "$best"
}

printf "%-14s %-6s %9s %9s %8s\n" program models quarn_s clingo_s time_x
row() {
  local name=$1 models=$2 qn=$3 cn=$4
  local qt ct
  qt=$(measure "$quarn" -silent "-n=$qn" "$here/$name.lp")
  ct=$(measure clingo "$cn" "$here/$name.lp")
  awk -v n="$name" -v m="$models" -v qt="$qt" -v ct="$ct" 'BEGIN{
    r = (qt ~ /^>/ || ct ~ /^>/ || ct == 0) ? "-" : sprintf("%.2f", qt / ct);
    printf "%-14s %-6s %9s %9s %8s\n", n, m, qt, ct, r }'
}
row colour first 1 1
row ham first 1 1
row colour_small all 0 0
row ham_small all 0 0
