#!/usr/bin/env bash
# Inputs that cannot be read, where an end-to-end case cannot make them: standard input under "--"
# that is a directory, and a file without read permission (only when not run as root, who reads
# it anyway). Each is named with the system's reason, the other inputs are still read, and the
# run ends with status 1 and no answer.
#   unreadable_input.sh [path/to/quarn]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../.."
quarn=$(realpath "${1:-build/quarn}")
[ -x "$quarn" ] || { echo "$quarn is not built"; exit 1; }
dir=$(mktemp -d)
trap 'chmod -R u+rw "$dir"; rm -rf "$dir"' EXIT
cd "$dir"
mkdir sub
printf 'a.\n' > p.dl
printf 'b.\n' > locked.dl
chmod 000 locked.dl

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect <name> <expected stderr> <command...>: status 1, nothing on standard output.
expect() {
    local name=$1 expected=$2
    shift 2
    "$@" > out 2> err
    local status=$?
    [ "$status" -eq 1 ] || fail "$name: status $status, expected 1"
    [ ! -s out ] || fail "$name: standard output is not empty: $(head -c 200 out)"
    [ "$(cat err)" = "$expected" ] || fail "$name: standard error was: $(cat err)"
}

expect "standard input that is a directory" \
    "line 0: can't open input (Is a directory).
Aborting due to unreadable input." \
    "$quarn" -silent p.dl -- < sub

if [ "$(id -u)" -ne 0 ]; then
    expect "a file without read permission" \
        "locked.dl: line 0: can't open input (Permission denied).
Aborting due to unreadable input." \
        "$quarn" -silent locked.dl p.dl
else
    echo "skipped as root: a file without read permission"
fi

if [ "$failures" -eq 0 ]; then echo "unreadable inputs: all cases passed"; else exit 1; fi
