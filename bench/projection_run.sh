#!/usr/bin/env bash
# Times the whole run of -instantiate with projection rewriting (the default) and without it
# (-ORp-), and clingo --mode=gringo, on generated join programs whose bodies hold variables used
# in one literal only. Prints the best wall time of three runs per program and size.
#   bench/projection_run.sh [path/to/quarn] [N ...]    (N: nodes; N*N edge facts)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 200 300)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

best() {  # best wall seconds of three runs, "-" past 60 s
  local b="" t tf
  tf=$(mktemp)
  for _ in 1 2 3; do
    if ! /usr/bin/time -o "$tf" -f "%e" timeout 60 "$@" >/dev/null 2>/dev/null; then
      rm -f "$tf"; echo "-"; return
    fi
    t=$(tail -1 "$tf")
    if [ -z "$b" ] || awk -v a="$t" -v c="$b" 'BEGIN{exit !(a<c)}'; then b=$t; fi
  done
  rm -f "$tf"
  echo "$b"
}

printf "%-6s %10s %10s %10s\n" nodes quarn quarn-ORp- clingo
for n in "${sizes[@]}"; do
  p="$tmp/join$n.lp"
  awk -v n="$n" 'BEGIN{
    for (i = 0; i < n; i++) { printf "node(%d).\n", i; for (j = 0; j < n; j++) if ((i * 7 + j * 3) % 5 < 3) printf "e(%d,%d).\n", i, j }
    print "hasout(X) :- e(X,Y), e(Z,X), node(X)."
    print "two(X) :- e(X,Y), e(Y,Z), node(X), X < 50."
    print ":- node(X), e(X,Y), e(Y,W), X > 100000." }' > "$p"
  printf "%-6s %10s %10s %10s\n" "$n" "$(best "$quarn" -instantiate "$p")" \
    "$(best "$quarn" -ORp- -instantiate "$p")" "$(best clingo --mode=gringo "$p")"
done
