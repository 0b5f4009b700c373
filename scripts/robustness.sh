#!/usr/bin/env bash
# Robustness of the deliverables under Wine: hostile inputs, failing streams,
# concurrent COM calls and long runs, each test in a process of its own (two
# at a time) in a fresh Wine prefix of this run's own. Prints one table: case,
# inputs tried, crashes, leaks, peak working set, result. Exits 1 unless every
# case passed.
#
# Builds x64 where needed, in build/x64 (or in $TAMSEL_BUILD_DIR); logs and the
# prefix go to <build>/robustness/.
#
# Rows come from the lines that test programs print (robustness_support.h):
#   robustness begin|input|note|leak|fail|skip|result case=<name> ...
# To add rows: build targets go into `targets`, GoogleTest programs whose tests
# print such lines (or not: they then get a row of their own name) into
# `gtest_programs`, and scripts that print them into run_scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
source scripts/lib.sh

build=$(realpath -m "${TAMSEL_BUILD_DIR:-build/x64}")
targets=(tamsel_handler preview_host resource_counts_tests handler_robustness_tests tamsel standin_viewer hold_file)
gtest_programs=(
  tests/robustness/resource_counts_tests.exe
  tests/robustness/handler_robustness_tests.exe
)
run_scripts() {
  run_script robustness.preview_host tests/robustness/preview_host_hostile.sh "$build/wine-run.sh" "$prefix" \
    "$build/tools/preview_host/preview_host.exe" "$build/shell_handler/tamsel_handler.dll" "$work/preview_host"
  # These change the store folder itself: alone, after everything else, one case at a time.
  wait
  local kind
  for kind in read-only missing uncreatable file-locked; do
    run_script "robustness.plugin_viewer_runs.$kind" tests/robustness/plugin_viewer_runs.sh "$build/wine-run.sh" \
      "$prefix" "$build/tools/standin_viewer/standin_viewer.exe" "$build/plugin/tamsel.dll" \
      "$build/tests/robustness/hold_file.exe" "$work/plugin_viewer_runs/$kind" 1000 "$kind"
    wait
  done
}
process_timeout=300

if ! in_display; then
  bash scripts/setup.sh >/dev/null
  if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake --preset x64 -B "$build" >/dev/null
  fi
  cmake --build "$build" --target "${targets[@]}" -j2 >/dev/null
  # Windows need a display: everything after the build runs on a private one.
  rerun_in_display "$0" "$@"
fi

work=$build/robustness
prefix=$work/wineprefix
logs=$work/logs
rm -rf "$logs"
mkdir -p "$logs"
fresh_wine_prefix "$prefix" >/dev/null
# Tests that change machine-wide settings run only with a prefix of their own.
export TAMSEL_WINEPREFIX=$prefix TAMSEL_ROBUSTNESS_OWN_PREFIX=1

# One row per case, in the order met.
rows=()
declare -A row_inputs row_crashes row_leaks row_peak row_result

# A row of a program's or script's own, not one of its cases: <name> <result>.
fallback_row() {
  rows+=("$1")
  row_inputs[$1]=- row_leaks[$1]=- row_peak[$1]=- row_crashes[$1]=0 row_result[$1]=$2
}

# A row passes with result ok or skipped, no crash and no leak.
row_passed() {
  [[ ${row_result[$1]} == ok || ${row_result[$1]} == skipped ]] && [[ ${row_crashes[$1]} == 0 ]] &&
    [[ ${row_leaks[$1]} == 0 || ${row_leaks[$1]} == - ]]
}

# Reads the lines of one process's log. A case without a result line died
# with its process (or the process hung): its last input is the culprit. A
# process that failed although none of its cases did gets a failed row of its own.
# Usage: collect <log> <exit status> <name for the process's own row>
collect() {
  local log=$1 rc=$2 fallback=$3 cases case fails result last any_failed=0
  cases=$(sed -n 's/^robustness begin case=\([^ ]*\).*/\1/p' "$log")
  if [[ -z $cases ]]; then
    case $rc in
    0) result=ok ;;
    1) result=FAIL ;;
    124) result=HANG ;;
    *) result="CRASH (exit status $rc)" ;;
    esac
    if [[ $rc == 0 ]] && grep -q '^\[  SKIPPED \]' "$log"; then result=skipped; fi
    fallback_row "$fallback" "$result"
    if [[ $rc != [01] ]]; then row_crashes[$fallback]=1; fi
    return
  fi
  for case in $cases; do
    rows+=("$case")
    row_inputs[$case]=$(grep -c "^robustness input case=$case " "$log" || true)
    fails=$(grep "^robustness fail case=$case " "$log" || true)
    result=$(grep "^robustness result case=$case " "$log" | tail -1 || true)
    if [[ -n $result ]]; then
      row_crashes[$case]=$(sed -n 's/.* crashes=\([^ ]*\).*/\1/p' <<<"$result")
      row_leaks[$case]=$(sed -n 's/.* leaks=\([^ ]*\).*/\1/p' <<<"$result")
      row_peak[$case]=$(sed -n 's/.* peak_working_set_bytes=\([^ ]*\).*/\1/p' <<<"$result")
      if [[ ${row_crashes[$case]} != 0 ]]; then
        last=$(grep "^robustness input case=$case " "$log" | tail -1 | sed 's/.* input=//' || true)
        row_result[$case]="CRASH at: $last"
      elif [[ -n $fails || ($rc != 0 && $(wc -w <<<"$cases") == 1) ]]; then
        row_result[$case]=FAIL
      elif grep -q '^\[  SKIPPED \]' "$log" || grep -q "^robustness skip case=$case " "$log"; then
        row_result[$case]=skipped
      else
        row_result[$case]=ok
      fi
    else
      last=$(grep "^robustness input case=$case " "$log" | tail -1 | sed 's/.* input=//' || true)
      row_crashes[$case]=1 row_leaks[$case]=- row_peak[$case]=-
      if [[ $rc == 124 ]]; then
        row_result[$case]="HANG at: ${last:-start}"
      else
        row_result[$case]="CRASH (exit status $rc) at: ${last:-start}"
      fi
    fi
    row_passed "$case" || any_failed=1
  done
  if [[ $rc != 0 ]] && ((!any_failed)); then fallback_row "$fallback" "FAIL (exit status $rc)"; fi
}

# Runs `command...` into <log>, its exit status into <log>.rc; two at a time.
start_job() {
  local log=$1
  shift
  while (($(jobs -rp | wc -l) >= 2)); do wait -n || true; done
  {
    local rc=0
    timeout "$process_timeout" "$@" >"$log" 2>&1 </dev/null || rc=$?
    sed -i 's/\r$//' "$log"
    # A crash under Wine's debugger may even end with status 0.
    if [[ $rc == 0 ]] && grep -q '^Unhandled exception' "$log"; then rc="0 after an unhandled exception"; fi
    echo "$rc" >"$log.rc"
  } &
}

# Each test of the GoogleTest programs in a process of its own. A program
# that cannot list its tests gets a failed row under its own name.
jobs_run=()
for program in "${gtest_programs[@]}"; do
  name=$(basename "$program" .exe)
  list_rc=0
  listing=$("$build/wine-run.sh" "$build/$program" --gtest_list_tests 2>/dev/null) || list_rc=$?
  if [[ $list_rc != 0 ]]; then
    fallback_row "$name" "FAIL (test list: exit status $list_rc)"
    continue
  fi
  suite="" tests=0
  while IFS= read -r line; do
    line=${line%$'\r'}
    if [[ $line == "Running main"* ]]; then continue; fi
    if [[ $line != " "* ]]; then
      suite=${line%% *}
      continue
    fi
    test=$suite${line#  }
    test=${test%% *}
    jobs_run+=("$test")
    tests=$((tests + 1))
    start_job "$logs/$test.log" "$build/wine-run.sh" "$build/$program" --gtest_filter="$test"
  done <<<"$listing"
  if ((tests == 0)); then fallback_row "$name" "FAIL (test list names no test)"; fi
done

# A script that prints result lines for cases of its own.
run_script() {
  local name=$1
  shift
  jobs_run+=("$name")
  start_job "$logs/$name.log" bash "$@"
}
run_scripts
wait

for name in "${jobs_run[@]}"; do collect "$logs/$name.log" "$(cat "$logs/$name.log.rc")" "$name"; done

mib() { [[ $1 =~ ^[0-9]+$ ]] && awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }' || echo "$1"; }

width=4
for row in "${rows[@]}"; do
  if ((${#row} > width)); then width=${#row}; fi
done
passed=0 failed=0
echo
echo "Robustness under Wine (logs: $logs)"
printf "%-${width}s  %8s  %7s  %5s  %15s  %s\n" case inputs crashes leaks "peak memory MiB" result
for row in "${rows[@]}"; do
  printf "%-${width}s  %8s  %7s  %5s  %15s  %s\n" "$row" "${row_inputs[$row]}" "${row_crashes[$row]}" \
    "${row_leaks[$row]}" "$(mib "${row_peak[$row]}")" "${row_result[$row]}"
  if row_passed "$row"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "robustness: $passed of $((passed + failed)) cases passed"
((failed == 0))
