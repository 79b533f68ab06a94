#!/usr/bin/env bash
# A write that fails must not end as success: standard output on a full device in every mode,
# standard error on a full device under -stats, a closed standard output, and a pipe that the
# reader closes while SIGPIPE is ignored (the search then stops early). Each run ends with status 1
# and one line on standard error.
#   failed_output.sh [path/to/quarn]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../.."
quarn=$(realpath "${1:-build/quarn}")
[ -x "$quarn" ] || { echo "$quarn is not built"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

printf 'a v b.\nc :- a.\n' > p.dl
printf 'p :- ab(x).\n' > t.dl
printf 'ab(x).\n' > h.hyp
printf 'p.\n' > o.obs
printf 'DATALOG SCHEMA r(a,b); SELECT a FROM r;\n' > q.sql
printf 'r(1,2). r(3,4).\n' > r.dl
cp "$here/blocks.plan" "$here/blocks.dl" .
# One million answer sets: far more than a pipe and the output buffer hold.
for i in $(seq 0 19); do echo "a($i) v b($i)."; done > many.dl

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect <name> <expected status> <expected stderr> <command...>: the command runs with standard
# output to $out.
expect() {
  local name=$1 status=$2 message=$3
  shift 3
  local got_err got
  got_err=$("$@" 2>&1 >"$out")
  got=$?
  [ "$got" = "$status" ] || fail "$name: status $got, expected $status"
  [ "$got_err" = "$message" ] || fail "$name: standard error '$got_err', expected '$message'"
}

out=/dev/full
stdout_error="Write error on standard output."
for args in "p.dl" "-instantiate p.dl" "-wf p.dl" "-n=1 -brave p.dl" "-FR t.dl h.hyp o.obs" "-FS q.sql r.dl" \
            "-FPopt -n=1 blocks.plan blocks.dl" "--depgraph p.dl" "-h" "-license" "-silent -n=1 many.dl"; do
  # The same run writing to /dev/null ends normally.
  "$quarn" $args >/dev/null 2>&1 || [ "$args" = "-n=1 -brave p.dl" ] || fail "$args: fails on /dev/null"
  case $args in
    "-n=1 -brave p.dl")
      # An error of its own keeps its message; the failed write adds its line.
      expect "$args" 1 "No query supplied. Cannot continue.
$stdout_error" "$quarn" $args ;;
    *) expect "$args on a full device" 1 "$stdout_error" "$quarn" $args ;;
  esac
done

# Statistics to a full standard error: the message cannot be written either, the status tells.
"$quarn" -stats p.dl >/dev/null 2>/dev/full
[ $? = 1 ] || fail "-stats with a full standard error: status $?"

# A closed standard output.
got_err=$("$quarn" p.dl 2>&1 >&-)
got=$?
[ "$got" = 1 ] || fail "closed standard output: status $got"
[ "$got_err" = "$stdout_error" ] || fail "closed standard output: '$got_err'"

# A reader that stops after the first line, with SIGPIPE ignored: the run ends at the first answer
# set after the failed write instead of enumerating all of them.
status_file=$dir/status
( trap '' PIPE; "$quarn" -silent many.dl 2>"$dir/pipe_err"; echo $? >"$status_file" ) | head -1 >/dev/null
[ "$(cat "$status_file")" = 1 ] || fail "closed pipe: status $(cat "$status_file")"
[ "$(cat "$dir/pipe_err")" = "$stdout_error" ] || fail "closed pipe: '$(cat "$dir/pipe_err")'"

# Output that fits is still written whole and ends with status 0.
[ "$("$quarn" -silent p.dl)" = "{a, c}
{b}" ] || fail "plain output changed"

[ $failures = 0 ] && echo "failed output: all cases pass"
[ $failures = 0 ]
