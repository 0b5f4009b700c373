#!/usr/bin/env bash
# fuzz.sh [seconds]: builds the native fuzzers (clang, libFuzzer, ASan, UBSan)
# and runs each one for the given seconds (60 by default), one after another,
# from its seed corpus in fuzz/corpus. Prints one line per fuzzer with its
# executions and crashes; exits non-zero if any crashed, each crashing input's
# path printed on its line. TAMSEL_FUZZ_BUILD picks the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${TAMSEL_FUZZ_BUILD:-build/fuzz}

CXX=clang++ cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

# The test list names every fuzzer the build defines: fuzz.<name>.
mapfile -t names < <(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: fuzz\.//p')
crashed=0
for name in "${names[@]}"; do
  # The sanitizer report stays in the work folder's log; the line names it.
  work="$build/long-$name"
  if ! fuzz/run_fuzzer.sh "$build/fuzz_$name" "$seconds" "fuzz/corpus/$name" "$work" 2>/dev/null | tail -1; then
    crashed=$((crashed + 1))
  fi
done
echo "${#names[@]} fuzzers, ${seconds}s each, $crashed crashed"
((crashed == 0))
