#!/usr/bin/env bash
# Memory and time of one long disjunctive fact `s0 v s1 v ... v s(n-1).`: the first answer set
# with the look-ahead heuristic (the default) and with the rule-order chooser (-OH-), and the
# single-error diagnosis (-FDsingle) over n hypotheses, whose guess is a disjunction of n atoms;
# clingo finds the first answer set of the same fact. Prints the best wall time of three runs (a
# run stops after the time limit and shows as ">limit") and the peak resident memory.
#   bench/disjunction_run.sh [path/to/quarn] [limit-seconds] [n ...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-120}
shift 2 2>/dev/null || shift $#
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(10000 100000)
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

source "$here/measure.sh"

# Prints "best-seconds peak-MB", or ">limit -" when a run is stopped.
time_and_memory() {
  local best="" peak=0 tf out t m
  tf=$(mktemp)
  for _ in $(seq $runs); do
    if ! /usr/bin/time -o "$tf" -f "%e %M" timeout "$limit" "$@" >/dev/null 2>/dev/null &&
       grep -q "status 124" "$tf"; then
      echo ">$limit -"; rm -f "$tf"; return
    fi
    out=$(tail -1 "$tf"); t=${out% *}; m=${out#* }
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  rm -f "$tf"
  awk -v t="$best" -v m="$peak" 'BEGIN{ printf "%s %.1f\n", t, m / 1024 }'
}

printf "%-8s %-22s %9s %9s\n" atoms run seconds MB
for n in "${sizes[@]}"; do
  python3 - "$dir" "$n" <<'EOF'
import sys
d, n = sys.argv[1], int(sys.argv[2])
atoms = ["s%d" % i for i in range(n)]
open(f"{d}/dis{n}.dl", "w").write(" v ".join(atoms) + ".\n")
open(f"{d}/dis{n}.lp", "w").write(" ; ".join(atoms) + ".\n")
# Each hypothesis explains the one observation.
open(f"{d}/diag{n}.dl", "w").write("obs :- h(X).\n")
open(f"{d}/diag{n}.hyp", "w").write(" ".join("h(%d)." % i for i in range(n)) + "\n")
open(f"{d}/diag{n}.obs", "w").write("obs.\n")
EOF
  row() {
    read -r t m < <(time_and_memory "${@:2}")
    printf "%-8s %-22s %9s %9s\n" "$n" "$1" "$t" "$m"
  }
  row "quarn -n=1" "$quarn" -silent -n=1 "$dir/dis$n.dl"
  row "quarn -OH- -n=1" "$quarn" -silent -OH- -n=1 "$dir/dis$n.dl"
  row "quarn -FDsingle -n=1" "$quarn" -silent -FDsingle -n=1 "$dir/diag$n.dl" "$dir/diag$n.hyp" "$dir/diag$n.obs"
  row "clingo 1" clingo 1 "$dir/dis$n.lp"
done
