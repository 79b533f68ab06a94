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

source "$here/measure.sh"

read -r qt qm < <(measure_time_memory "$quarn" -silent "$dir/facts_stop.lp")
printf "%-24s %8s s %8d KB\n" "quarn (parse only)" "$qt" "$qm"
if command -v clingo >/dev/null; then
  read -r ct cm < <(measure_time_memory clingo --mode=gringo --text "$dir/facts.lp")
  printf "%-24s %8s s %8d KB\n" "clingo --mode=gringo" "$ct" "$cm"
fi
