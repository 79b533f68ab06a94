#!/usr/bin/env bash
# Times the scanners on one token of 1, 2, 4 and 10 MB: a name, a quoted string, a comment, a
# number (reported as too long) and a run of blanks in a rule-language file, and a comment and a
# run of blanks in a planning file, quarn against clingo on the same rule-language files in the
# same run (clingo has no planning language). Best wall time of $runs runs (default 3).
#   bench/long_tokens_run.sh [path/to/quarn] [sizes in MB ...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
shift $(( $# > 0 ? 1 : 0 ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1 2 4 10)
runs=${runs:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$here/measure.sh"

write() { # kind megabytes file
  python3 - "$1" "$2" "$3" <<'PY'
import sys
kind, mb, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
n = mb * 1024 * 1024
text = {"name": "p(a" + "b" * n + ").\n", "quoted": 'p("' + "b" * n + '").\n',
        "comment": "%" + "b" * n + "\np.\n", "number": "p(" + "1" * n + ").\n",
        "blanks": "p" + " " * n + ".\n",
        "plan_comment": "%" + "b" * n + "\n", "plan_blanks": " " * n + "\n"}[kind]
open(path, "w").write(text)
PY
}

printf "%-13s %5s %9s %9s\n" token MB quarn_s clingo_s
for kind in name quoted comment number blanks plan_comment plan_blanks; do
  for mb in "${sizes[@]}"; do
    case $kind in plan_*) f="$dir/$kind.plan"; args=(-FP) ;; *) f="$dir/$kind.lp"; args=() ;; esac
    write "$kind" "$mb" "$f"
    read -r qt _ < <(measure_time_memory "$quarn" -silent "${args[@]}" "$f")
    ct=-
    if [ ${#args[@]} -eq 0 ] && command -v clingo >/dev/null; then
      read -r ct _ < <(measure_time_memory clingo "$f")
    fi
    printf "%-13s %5s %9s %9s\n" "$kind" "$mb" "$qt" "$ct"
    rm -f "$f"
  done
done
