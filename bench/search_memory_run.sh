#!/usr/bin/env bash
# Peak memory of the search, quarn against clingo on the same problems in one run.
#
# Deep: `d(1..N). a(X) v b(X) :- d(X).` with -n=1 (clingo: `;` for `v`, first model): one choice
# per atom, so the search goes N levels deep; what each level keeps shows as memory per atom.
# Long: searches that meet contradictions for minutes, each stopped after LIMIT seconds of CPU
# time (default 120): all answer sets of 16 queens, the pigeon-hole with 12 pigeons
# (unsatisfiable), and the optimum of a weighted vertex cover of 150 nodes (bench/families_gen.py
# writes them). What grows there is the learned nogoods; run it with two limits to see whether
# memory stays flat.
#
# Prints per row the peak resident memory (MB) and the CPU seconds of each, from /usr/bin/time.
#   bench/search_memory_run.sh [path/to/quarn] [LIMIT] [deep sizes...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-120}
shift $(($# > 2 ? 2 : $#))
sizes=${*:-25000 50000 100000 200000}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# measure <command...>: "peak_MB seconds" of one run, stopped after $limit seconds of CPU time.
measure() {
  /usr/bin/time -o "$dir/time" -f "%M %U" prlimit --cpu="$limit" "$@" >/dev/null 2>&1
  tail -1 "$dir/time" | awk '{ printf "%.0f %.1f", $1 / 1024, $2 }'
}

printf "%-38s %10s %8s %10s %8s\n" run quarn_MB quarn_s clingo_MB clingo_s
# row <name>: the commands in quarnrun and clingorun, one after the other.
row() {
  local q c
  q=$(measure "${quarnrun[@]}")
  c=$(measure "${clingorun[@]}")
  # shellcheck disable=SC2086
  printf "%-38s %10s %8s %10s %8s\n" "$1" $q $c
}

for n in $sizes; do
  echo "d(1..$n). a(X) v b(X) :- d(X)." >"$dir/deep.dl"
  echo "d(1..$n). a(X) ; b(X) :- d(X)." >"$dir/deep.lp"
  quarnrun=("$quarn" -silent -n=1 "$dir/deep.dl")
  clingorun=(clingo -t 1 --quiet=1 "$dir/deep.lp" 1)
  row "deep guess, $n atoms"
done

python3 -c "
import sys
sys.path.insert(0, sys.argv[1])
import families_gen as g
d = sys.argv[2]
g.write(d, 'queens_16.lp', g.queens(16))
g.write(d, 'php_12.lp', g.pigeons(12))
q, c = g.vertex_cover(150, 1)
g.write(d, 'vcover_150.lp', q)
g.write(d, 'vcover_150_clingo.lp', c)
" "$here" "$dir"
quarnrun=("$quarn" -silent -n=0 "$dir/queens_16.lp")
clingorun=(clingo -t 1 --quiet=1 "$dir/queens_16.lp" 0)
row "all answer sets, 16 queens, ${limit} s"
quarnrun=("$quarn" -silent -n=1 "$dir/php_12.lp")
clingorun=(clingo -t 1 --quiet=1 "$dir/php_12.lp" 1)
row "pigeon-hole 12, ${limit} s"
quarnrun=("$quarn" -silent -n=1 "$dir/vcover_150.lp")
clingorun=(clingo -t 1 --quiet=1,1 "$dir/vcover_150_clingo.lp" 0)
row "vertex cover 150, optimum, ${limit} s"
