#!/usr/bin/env bash
# Times the SQL front-end on wide queries: a relation of N columns with one row, selected column by
# column (`SELECT a0,...,aN-1 FROM r;`), and a join of two such relations under N equalities
# (`... WHERE a0 = b0 AND ...`). quarn -FS reads the .sql and .dl files; clingo solves, on the
# same rows in the same run, the rule that the query stands for. Best wall time of $runs runs
# (default 3) and peak resident memory.
#   bench/sql_columns_run.sh [path/to/quarn] [N ...]   (default N: 100000 200000)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quarn=${1:-$here/../build/quarn}
shift $(( $# > 0 ? 1 : 0 ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100000 200000)
runs=${runs:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$here/measure.sh"

printf "%-10s %7s %9s %9s %9s %9s\n" query columns quarn_s quarn_MB clingo_s clingo_MB
for n in "${sizes[@]}"; do
  python3 - "$n" "$dir" <<'PY'
import sys
n, d = int(sys.argv[1]), sys.argv[2]
a = ["a%d" % i for i in range(n)]
b = ["b%d" % i for i in range(n)]
row = ",".join(str(i) for i in range(n))
V = ["V%d" % i for i in range(n)]
def write(name, text):
    open("%s/%s" % (d, name), "w").write(text)
write("rows.dl", "r(%s).\ns(%s).\n" % (row, row))
write("select.sql", "DATALOG SCHEMA r(%s);\nSELECT %s FROM r;\n" % (",".join(a), ",".join(a)))
write("select.lp", "r(%s).\nanswer(%s) :- r(%s).\n#show answer/%d.\n" % (row, ",".join(V), ",".join(V), n))
write("join.sql", "DATALOG SCHEMA r(%s), s(%s);\nSELECT a0 FROM r, s WHERE %s;\n"
      % (",".join(a), ",".join(b), " AND ".join("%s = %s" % p for p in zip(a, b))))
write("join.lp", "r(%s).\ns(%s).\nanswer(V0) :- r(%s), s(%s).\n#show answer/1.\n" % (row, row, ",".join(V), ",".join(V)))
PY
  for q in select join; do
    read -r qt qm < <(measure_time_memory "$quarn" -silent -FS "$dir/rows.dl" "$dir/$q.sql")
    ct=- cm=0
    if command -v clingo >/dev/null; then read -r ct cm < <(measure_time_memory clingo "$dir/$q.lp"); fi
    awk -v q="$q" -v n="$n" -v qt="$qt" -v qm="$qm" -v ct="$ct" -v cm="$cm" 'BEGIN {
      printf "%-10s %7s %9s %9.1f %9s %9.1f\n", q, n, qt, qm / 1024, ct, cm / 1024 }'
  done
done
