#!/usr/bin/env bash
# Brave and cautious reasoning without listing every answer set: the guess "a(X) v b(X) :- d(X)."
# over N facts d(0..N-1) (2^N answer sets), for N = 22, 30, 40, 400 and 2000, asked the non-ground
# query a(X)? and the ground query a(3)?, and the same guess under constraints (no two neighbours
# both a, and every fifth element a), so that some instances are not brave and some are cautious.
# quarn (-brave, -cautious) and clingo (--enum-mode=brave / cautious with the query's instances
# shown; a ground query as a constraint, one answer set) on the same files in one run. Prints the
# best wall time of three runs per row and, for quarn, the answer sets it computed (-stats++); give
# a second quarn binary to compare two builds in one run (its time only, within a limit of LIMIT
# seconds per run, 60 by default: earlier builds list every answer set).
#   bench/consequences_run.sh [path/to/quarn] [path/to/other/quarn]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
other=${2:-}
runs=3
limit=${LIMIT:-60}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# best <command...>: the best wall time of $runs runs, ">limit" when one does not end in time.
best() {
  local b="" t start
  for _ in $(seq $runs); do
    start=$(date +%s.%N)
    timeout $limit "$@" >/dev/null 2>&1
    if [ $? -eq 124 ]; then
      echo ">$limit"
      return
    fi
    t=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN{ printf "%.3f", e - s }')
    if [ -z "$b" ] || awk -v a="$t" -v b="$b" 'BEGIN{exit !(a<b)}'; then b=$t; fi
  done
  echo "$b"
}

computed() {
  "$@" -stats++ 2>&1 >/dev/null | sed -n 's/^Answer sets computed *: //p'
}

# write <name> <n> <constrained: 0 or 1>: the program for quarn and for clingo (without query).
write() {
  local name=$1 n=$2 constrained=$3 i
  {
    for i in $(seq 0 $((n - 1))); do echo "d($i)."; done
    if [ "$constrained" = 1 ]; then
      for i in $(seq 0 $((n - 2))); do echo "next($i,$((i + 1)))."; done
      for i in $(seq 0 5 $((n - 1))); do echo "f($i)."; done
      echo ":- a(X), a(Y), next(X,Y)."
      echo ":- b(X), f(X)."
    fi
  } >"$dir/$name.common"
  { cat "$dir/$name.common"; echo "a(X) v b(X) :- d(X)."; } >"$dir/$name.dl"
  { cat "$dir/$name.common"; echo "a(X) ; b(X) :- d(X)."; } >"$dir/$name.lp"
}

printf "%-44s %9s %9s %9s %9s\n" run quarn_s computed clingo_s other_s
row() {
  local name=$1 mode=$2 query=$3 file=$4 q c o="" n
  echo "$query?" >"$dir/query.dl"
  q=$(best "$quarn" -silent "$mode" "$dir/$file.dl" "$dir/query.dl")
  n=$(computed "$quarn" -silent "$mode" "$dir/$file.dl" "$dir/query.dl")
  if [ "$query" = "a(X)" ]; then
    { cat "$dir/$file.lp"; echo "q(X) :- a(X)."; echo "#show q/1."; } >"$dir/clingo.lp"
    c=$(best clingo --enum-mode="${mode#-}" 0 "$dir/clingo.lp")
  else
    # A ground query settles with one answer set: brave, one where it holds; cautious, one where
    # it fails.
    if [ "$mode" = -brave ]; then constraint=":- not $query."; else constraint=":- $query."; fi
    { cat "$dir/$file.lp"; echo "$constraint"; } >"$dir/clingo.lp"
    c=$(best clingo 1 "$dir/clingo.lp")
  fi
  [ -n "$other" ] && o=$(best "$other" -silent "$mode" "$dir/$file.dl" "$dir/query.dl")
  printf "%-44s %9s %9s %9s %9s\n" "$name" "$q" "$n" "$c" "$o"
}

for n in 22 30 40 400 2000; do
  write "guess$n" "$n" 0
  write "constrained$n" "$n" 1
  for mode in -brave -cautious; do
    row "guess $n, $mode a(X)?" "$mode" "a(X)" "guess$n"
    row "guess $n, $mode a(3)?" "$mode" "a(3)" "guess$n"
    row "constrained $n, $mode a(X)?" "$mode" "a(X)" "constrained$n"
  done
done
