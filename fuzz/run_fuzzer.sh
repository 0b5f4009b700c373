#!/usr/bin/env bash
# run_fuzzer.sh <fuzzer> <seconds> <seed-dir> <work-dir>
# Runs one fuzzer for a bounded time from a fresh working corpus (the seeds in
# the repository stay untouched) and prints its executions; a crash fails the
# run and leaves its input as <work-dir>/crash-*.
set -euo pipefail
fuzzer=$1 seconds=$2 seeds=$3 work=$4
rm -rf "$work" && mkdir -p "$work/corpus"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
  "$work/corpus" "$seeds" 2>"$work/log" || { tail -40 "$work/log"; exit 1; }
execs=$(awk '/stat::number_of_executed_units/{print $2}' "$work/log")
echo "$(basename "$fuzzer"): ${execs:-0} executions in ${seconds}s, 0 crashes"
