#!/usr/bin/env bash
# Times the rule-language parser on a program of N facts (default one million) such as
# p(123456,c456). The program ends with an unfinished statement, so quarn stops right after
# parsing ("Aborting due to parser errors."); clingo --mode=gringo reads and grounds the same facts
# without that line, as a reference. Prints the best wall time of three runs and the peak resident
# memory of each.
#   bench/parse_facts.sh [path/to/quarn] [N]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
n=${2:-1000000}
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "p(%d,c%d).\n", i, i % 1000 }' >"$dir/facts.lp"
cp "$dir/facts.lp" "$dir/facts_stop.lp"
echo "stop(" >>"$dir/facts_stop.lp"

measure() {  # prints "best-seconds peak-KB" over $runs runs of the command
  local best="" peak=0 out t m tf
  tf=$(mktemp)
  for _ in $(seq $runs); do
    /usr/bin/time -o "$tf" -f "%e %M" "$@" >/dev/null 2>/dev/null
    out=$(tail -1 "$tf")
    t=${out% *}; m=${out#* }
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  rm -f "$tf"
  echo "$best $peak"
}

read -r qt qm < <(measure "$quarn" -silent "$dir/facts_stop.lp")
printf "%-24s %8s s %8d KB\n" "quarn (parse only)" "$qt" "$qm"
if command -v clingo >/dev/null; then
  read -r ct cm < <(measure clingo --mode=gringo --text "$dir/facts.lp")
  printf "%-24s %8s s %8d KB\n" "clingo --mode=gringo" "$ct" "$cm"
fi
