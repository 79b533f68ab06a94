#!/usr/bin/env bash
# Times brave queries over the transitive closure of a chain of N edges (default 1000) with the
# magic-set rewriting (the default) and without it (-OMS-): a non-ground query path(N-10,X) with
# a bound first argument and a ground query path(N-10,N). Then, with magic sets only, the same
# two queries from node 0 of a chain of 100 edges that lies beside 100 N other edges: the bound
# query must not cost more than the ground one (the magic literal binds the edges it is joined
# with, so they are looked up, not scanned). Prints the best wall time of three runs and the
# peak resident memory of each.
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

beside() {  # $1: the query
  awk -v n="$n" -v q="$1" 'BEGIN {
    srand(1)
    for (i = 0; i < 100; i++) printf "edge(%d,%d).\n", i, i + 1
    for (i = 0; i < 100 * n; i++) printf "edge(%d,%d).\n", 1000 + int(rand() * 20 * n), 1000 + int(rand() * 20 * n)
    print "path(X,Y) :- edge(X,Y)."
    print "path(X,Y) :- edge(X,Z), path(Z,Y)."
    print q }'
}
beside "path(0,X)?" >"$dir/beside_open.dl"
beside "path(0,100)?" >"$dir/beside_ground.dl"

source "$here/measure.sh"

printf '%-28s %-14s %10s %10s\n' "query (chain of $n)" "rewriting" "seconds" "peak KB"
for q in open ground; do
  for option in "" -OMS-; do
    read -r t m < <(measure_time_memory "$quarn" -silent -brave $option "$dir/$q.dl")
    printf '%-28s %-14s %10s %10s\n' "$q" "${option:-magic sets}" "$t" "$m"
  done
done
for q in open ground; do
  read -r t m < <(measure_time_memory "$quarn" -silent -brave "$dir/beside_$q.dl")
  printf '%-28s %-14s %10s %10s\n' "beside $((100 * n)) edges, $q" "magic sets" "$t" "$m"
done
