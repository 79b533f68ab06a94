#!/usr/bin/env bash
# Times brave queries over the transitive closure of a chain of N edges (default 1000) with the
# magic-set rewriting (the default) and without it (-OMS-): a non-ground query path(N-10,X) with
# a bound first argument and a ground query path(N-10,N). Prints the best wall time of three
# runs and the peak resident memory of each.
#   bench/magic_sets_run.sh [path/to/quarn] [N]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
n=${2:-1000}
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

chain() {  # $1: the query
  awk -v n="$n" -v q="$1" 'BEGIN {
    for (i = 0; i < n; i++) printf "edge(%d,%d).\n", i, i + 1
    print "path(X,Y) :- edge(X,Y)."
    print "path(X,Y) :- edge(X,Z), path(Z,Y)."
    print q }'
}
chain "path($((n - 10)),X)?" >"$dir/open.dl"
chain "path($((n - 10)),$n)?" >"$dir/ground.dl"

source "$here/measure.sh"

printf '%-28s %-14s %10s %10s\n' "query (chain of $n)" "rewriting" "seconds" "peak KB"
for q in open ground; do
  for option in "" -OMS-; do
    read -r t m < <(measure_time_memory "$quarn" -silent -brave $option "$dir/$q.dl")
    printf '%-28s %-14s %10s %10s\n' "$q" "${option:-magic sets}" "$t" "$m"
  done
done
