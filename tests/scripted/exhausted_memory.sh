#!/usr/bin/env bash
# Runs under a limit of the address space (ulimit -v): exhausted memory ends the run with one line
# on standard error, "memory exhausted", and status 1, whether the allocation that fails is a
# planning translation of a huge plan length or a list that grows without end; a disjunctive fact
# of 10000 atoms fits in the same limit, and so does a search 50000 levels deep (one choice per
# atom of `a(X) v b(X)`), which once kept a candidate list of about 5 KB on every level. An
# answer set whose text does not fit ends the run at its first failed allocation: the text once
# kept failing silently and retrying a large allocation for every following atom (about two
# million refused allocations here, minutes for 200 MB of facts); under strace the refused
# allocations are counted.
#   exhausted_memory.sh [path/to/quarn]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../.."
quarn=$(realpath "${1:-build/quarn}")
[ -x "$quarn" ] || { echo "$quarn is not built"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

cp "$here/blocks.plan" "$here/blocks.dl" .
printf 'l([a]).\nl([X|L]) :- l(L), c(X).\nc(a). c(b).\n' > grow.dl
python3 -c "print(' v '.join('s%d' % i for i in range(10000)) + '.')" > dis.dl
echo 'd(1..50000). a(X) v b(X) :- d(X).' > deep.dl
# 300000 true atoms of about 220 characters each: grounding fits in 100 MB, their text does not.
python3 -c "print('d(1..300000).'); print('p(X,\"' + 'x' * 200 + '\") :- d(X).')" > text.dl

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# limited <KB> <command...>: runs the command with that much address space, standard output to
# out, standard error to err; prints the status.
limited() {
  local kb=$1
  shift
  ( ulimit -v "$kb"; timeout 300 "$@" >out 2>err ); echo $?
}

for args in "-silent -FPopt -planlength=999999999 blocks.plan blocks.dl" "-silent -nofinitecheck grow.dl"; do
  status=$(limited 300000 "$quarn" $args)
  [ "$status" = 1 ] || fail "$args: status $status"
  [ "$(cat err)" = "memory exhausted" ] || fail "$args: standard error '$(head -c 300 err)'"
done

for kb in 100000 130000; do
  if command -v strace >/dev/null; then
    status=$(limited "$kb" strace -f -o trace -e trace=mmap,mremap,brk "$quarn" -silent text.dl)
    refused=$(grep -c ENOMEM trace)
    [ "$refused" -le 8 ] || fail "answer text under $kb KB: $refused refused allocations before the end"
  else
    status=$(limited "$kb" "$quarn" -silent text.dl)
  fi
  [ "$status" = 1 ] || fail "answer text under $kb KB: status $status"
  [ "$(cat err)" = "memory exhausted" ] || fail "answer text under $kb KB: standard error '$(head -c 300 err)'"
done

status=$(limited 200000 "$quarn" -silent -n=1 dis.dl)
[ "$status" = 0 ] || fail "disjunction of 10000 atoms: status $status, '$(head -c 300 err)'"
# One atom of the disjunction; which one the search finds first is its own choice.
grep -qxE '\{s[0-9]{1,4}\}' out && [ "$(wc -l <out)" = 1 ] || fail "disjunction of 10000 atoms: '$(head -c 300 out)'"

status=$(limited 200000 "$quarn" -silent -n=1 deep.dl)
[ "$status" = 0 ] || fail "search 50000 levels deep: status $status, '$(head -c 300 err)'"
[ "$(grep -oE '[ab]\([0-9]+\)' out | sed 's/^[ab]//' | sort -u | wc -l)" = 50000 ] ||
  fail "search 50000 levels deep: not one of a(X), b(X) for each X"

[ $failures = 0 ] && echo "exhausted memory: all cases pass"
[ $failures = 0 ]
