#!/usr/bin/env bash
# Times minimal consistency-based diagnosis (-FRmin) of ripple-carry adders: quarn on the adder
# (theory, hypotheses, observations written by adder_gen.py) against clingo on the program that
# quarn's translation makes of it (printed by quarn, renamed by print_to_clingo.py), all minimal
# diagnoses each, for both ways adder_gen.py writes the theory. Prints per adder the number of
# gates and of minimal diagnoses (clingo's/quarn's where they differ), the best wall time of three
# (">limit" for a run stopped after the time limit) and the ratio.
#   bench/adder_run.sh [path/to/quarn] [limit-seconds]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
limit=${2:-60}
runs=3
source "$here/measure.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf "%-7s %-6s %-10s %9s %9s %8s\n" theory gates diagnoses quarn_s clingo_s time_x
for style in shared ground; do
  for bits in 5 8 10 15 20; do
    p=$work/adder_${style}_$bits
    python3 "$here/adder_gen.py" "$bits" "$p" "$style"
    files=("$p.lp" "$p.hyp" "$p.obs")
    qt=$(measure_time_limited "$quarn" -silent -FRmin "${files[@]}")
    ours=$(timeout "$limit" "$quarn" -silent -FRmin "${files[@]}" | grep -c '^Diagnosis:')
    timeout "$limit" "$quarn" -silent -FRmin -ORp- --print-edb --print-idb --print-constraints -n=1 "${files[@]}" |
      python3 "$here/print_to_clingo.py" >"$p.clingo.lp"
    ct=$(measure_time_limited clingo 0 -q "$p.clingo.lp")
    theirs=$(clingo 0 -q "$p.clingo.lp" 2>/dev/null | awk '/^Models/ {print $3}')
    [ "$ours" = "$theirs" ] || theirs="$theirs/$ours"
    awk -v s="$style" -v g=$((5 * bits)) -v d="$theirs" -v qt="$qt" -v ct="$ct" 'BEGIN{
      r = (qt ~ /^>/ || ct ~ /^>/ || ct == 0) ? "-" : sprintf("%.1f", qt / ct);
      printf "%-7s %-6s %-10s %9s %9s %8s\n", s, g, d, qt, ct, r }'
  done
done
