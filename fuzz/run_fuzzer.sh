#!/usr/bin/env bash
# run_fuzzer.sh <fuzzer> <seconds> <seed-dir> <work-dir>
# Runs one fuzzer for a bounded time from a fresh working corpus (the seeds in
# the repository stay untouched) and prints one line: its executions, coverage
# and crashes. A crash fails the run; the line then names the crashing input,
# kept as <work-dir>/crash-* (or leak-, timeout-, oom-), after the log's tail.
set -euo pipefail
fuzzer=$1 seconds=$2 seeds=$3 work=$4
name=$(basename "$fuzzer")
rm -rf "$work" && mkdir -p "$work/corpus"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
rc=0
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
  "$work/corpus" "$seeds" 2>"$work/log" || rc=$?

execs=$(awk '/stat::number_of_executed_units/{print $2}' "$work/log")
cov=$(awk '{for (i = 1; i < NF; ++i) if ($i == "cov:") c = $(i + 1)} END {print c}' "$work/log")
if ((rc == 0)); then
  echo "$name: ${execs:-0} executions in ${seconds}s, coverage ${cov:-0}, 0 crashes"
  exit 0
fi
tail -40 "$work/log"
input=$(ls "$work"/{crash,leak,timeout,oom}-* 2>/dev/null | head -1 || true)
echo "$name: ${execs:-0} executions, 1 crash, input: ${input:-none saved}, log: $work/log"
exit 1
