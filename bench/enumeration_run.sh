#!/usr/bin/env bash
# Enumerates many small answer sets: 2^20 answer sets of 20 guessed atoms, printed with
# -filter=a (about 66 bytes each) and without a filter (about 150 bytes each), by quarn and by
# clingo on the same guess, with standard output on a pipe (read by cat), in a file and on
# /dev/null. Prints the best wall time of three runs per row; give a second quarn binary to
# compare two builds in one run.
#   bench/enumeration_run.sh [path/to/quarn] [path/to/other/quarn]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
other=${2:-}
runs=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for i in $(seq 0 19); do echo "a($i) v b($i)."; done >"$dir/guess.dl"
for i in $(seq 0 19); do echo "a($i) ; b($i)."; done >"$dir/guess.lp"

# best <output: pipe, file or null> <command...>: the best wall time of $runs runs.
best() {
  local output=$1 b="" t start
  shift
  for _ in $(seq $runs); do
    start=$(date +%s.%N)
    case $output in
      pipe) "$@" 2>/dev/null | cat >/dev/null ;;
      file) "$@" >"$dir/out" 2>/dev/null ;;
      null) "$@" >/dev/null 2>/dev/null ;;
    esac
    t=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN{ printf "%.2f", e - s }')
    if [ -z "$b" ] || awk -v a="$t" -v b="$b" 'BEGIN{exit !(a<b)}'; then b=$t; fi
  done
  echo "$b"
}

printf "%-30s %8s %8s %8s\n" run pipe_s file_s null_s
row() {
  local name=$1
  shift
  printf "%-30s %8s %8s %8s\n" "$name" "$(best pipe "$@")" "$(best file "$@")" "$(best null "$@")"
}
row "quarn -filter=a" "$quarn" -silent -filter=a "$dir/guess.dl"
[ -n "$other" ] && row "other quarn -filter=a" "$other" -silent -filter=a "$dir/guess.dl"
row "quarn" "$quarn" -silent "$dir/guess.dl"
[ -n "$other" ] && row "other quarn" "$other" -silent "$dir/guess.dl"
row "clingo 0 (all atoms)" clingo 0 "$dir/guess.lp"
