# Timing helpers of the benchmark scripts, read with: source "$here/measure.sh"
# Each runs a command $runs times (a variable of the calling script) with its output discarded
# and keeps the best wall time that /usr/bin/time reports.

# Prints "best-seconds peak-KB" over $runs runs of the command.
measure_time_memory() {
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

# Prints the best wall time over $runs runs of the command, or ">limit" as soon as a run is
# stopped after $limit seconds (a variable of the calling script).
measure_time_limited() {
  local best="" t tf
  tf=$(mktemp)
  for _ in $(seq $runs); do
    if ! /usr/bin/time -o "$tf" -f "%e" timeout "$limit" "$@" >/dev/null 2>/dev/null; then
      if grep -q "status 124" "$tf"; then echo ">$limit"; rm -f "$tf"; return; fi
    fi
    t=$(tail -1 "$tf")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
  done
  rm -f "$tf"
  echo "$best"
}

# Prints "cpu-seconds peak-KB" of one run of the command (user plus system time).
measure_cpu_memory() {
  local tf out
  tf=$(mktemp)
  /usr/bin/time -o "$tf" -f "%U %S %M" "$@" >/dev/null 2>/dev/null
  out=$(tail -1 "$tf")
  rm -f "$tf"
  awk -v o="$out" 'BEGIN { split(o, f, " "); printf "%.2f %d\n", f[1] + f[2], f[3] }'
}
