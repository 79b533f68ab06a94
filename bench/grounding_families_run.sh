#!/usr/bin/env bash
# Grounding side by side with gringo: quarn -instantiate against gringo --text on the same files,
# both writing to /dev/null, the two runs of a pair one right after the other. Prints per program
# the median CPU time (user + system) of each, the median of the paired time ratios quarn/gringo,
# the peak resident memory of each and its ratio.
#   bench/grounding_families_run.sh [path/to/quarn] [DIR] [pairs] [family ...]
# DIR holds the programs of bench/grounding_families_gen.py (written there when missing); pairs
# defaults to 3; the families default to all of them.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
dir=${2:-/tmp/quarn_grounding_families}
pairs=${3:-3}
shift 3 2>/dev/null || shift $#
families=("$@")
[ ${#families[@]} -eq 0 ] && families=(tc_sparse tc_dense terms agg arity3 join3 indep)
python3 "$here/grounding_families_gen.py" "$dir" "${families[@]}" || exit 1

source "$here/measure.sh"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

printf "%-10s %8s %9s %9s %7s %9s %9s %7s\n" family size quarn_s gringo_s time_x quarn_MB gringo_MB mem_x
for family in "${families[@]}"; do
  for p in $(ls "$dir"/"${family}"_*.lp | sort -V); do
    [ "$(basename "$p" .lp | sed 's/_[0-9]*$//')" = "$family" ] || continue
    size=${p##*_}; size=${size%.lp}
    qts=() gts=() ratios=() qm=0 gm=0
    for _ in $(seq "$pairs"); do
      read -r qt qk < <(measure_cpu_memory "$quarn" -silent -instantiate "$p")
      read -r gt gk < <(measure_cpu_memory gringo --text "$p")
      qts+=("$qt"); gts+=("$gt")
      ratios+=("$(awk -v a="$qt" -v b="$gt" 'BEGIN { print (b > 0 ? a / b : 0) }')")
      [ "$qk" -gt "$qm" ] && qm=$qk
      [ "$gk" -gt "$gm" ] && gm=$gk
    done
    qt=$(printf '%s\n' "${qts[@]}" | median)
    gt=$(printf '%s\n' "${gts[@]}" | median)
    tx=$(printf '%s\n' "${ratios[@]}" | median)
    awk -v f="$family" -v n="$size" -v qt="$qt" -v gt="$gt" -v tx="$tx" -v qm="$qm" -v gm="$gm" 'BEGIN {
      printf "%-10s %8s %9.2f %9.2f %7.2f %9.1f %9.1f %7.2f\n", f, n, qt, gt, tx, qm / 1024, gm / 1024,
             (gm > 0 ? qm / gm : 0) }'
  done
done
