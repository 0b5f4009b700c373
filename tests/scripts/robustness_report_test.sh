#!/usr/bin/env bash
# The table of scripts/robustness.sh, made from stand-in test programs and
# scripts in a copy of the scripts folder: a program that never ran, or a
# script that failed without naming a case, must not pass.
# Usage: robustness_report_test.sh <scripts folder>
set -euo pipefail
scripts=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

tree=$tmp/tree build=$tmp/build
mkdir -p "$tree/scripts" "$tree/tests/robustness" "$build"
cp "$scripts/robustness.sh" "$scripts/lib.sh" "$tree/scripts/"
printf '#!/usr/bin/env bash\nmkdir -p "$1"\n' >"$tree/scripts/wine-prefix.sh"

# Every program of the build is a GoogleTest program with one test, <program>.Works;
# the one named in BROKEN_PROGRAM lists its tests as LISTING says.
cat >"$build/wine-run.sh" <<'EOF'
#!/usr/bin/env bash
program=$(basename "$1" .exe)
if [[ $2 == --gtest_list_tests ]]; then
  listing=ok
  [[ $program == "${BROKEN_PROGRAM:-}" ]] && listing=$LISTING
  [[ $listing == fails ]] && exit 3
  echo 'Running main() from test_main.cpp'
  [[ $listing == empty ]] || printf '%s.\n  Works\n' "$program"
else
  echo "[  PASSED  ] 1 test."
fi
EOF
chmod +x "$build/wine-run.sh"

# The scripts: each case named by its last argument passes; the preview host's
# script has two cases and exits with PREVIEW_HOST_STATUS.
cat >"$tree/tests/robustness/plugin_viewer_runs.sh" <<'EOF'
case=${!#}
echo "robustness begin case=$case"
echo "robustness result case=$case inputs=1 crashes=0 leaks=0 peak_working_set_bytes=1048576"
EOF
cat >"$tree/tests/robustness/preview_host_hostile.sh" <<'EOF'
for case in host-valid host-empty; do
  echo "robustness begin case=$case"
  echo "robustness result case=$case inputs=1 crashes=0 leaks=0 peak_working_set_bytes=1048576"
done
exit "${PREVIEW_HOST_STATUS:-0}"
EOF

# The result column of a row: what follows its five one-word columns.
result_of() { awk -v row="$1" '$1 == row { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' <<<"$output"; }

source "$(dirname "$0")/rows.sh"
# case | environment | exit status | row | its result
while IFS='|' read -r name environment status row result; do
  read -ra settings <<<"$environment"
  rc=0
  output=$(env TAMSEL_IN_DISPLAY=1 TAMSEL_BUILD_DIR="$build" "${settings[@]}" \
    bash "$tree/scripts/robustness.sh" 2>&1) || rc=$?
  actual=$(result_of "$row") why=""
  if [[ $rc != "$status" || $actual != "$result" ]]; then
    why="exit status $rc (expected $status), $row: '${actual:-no row}' (expected '$result')"
  fi
  row_outcome "$name" "$why" "$output"
done <<'EOF'
all pass|PREVIEW_HOST_STATUS=0|0|resource_counts_tests.Works|ok
a program fails at start|BROKEN_PROGRAM=resource_counts_tests LISTING=fails|1|resource_counts_tests|FAIL (test list: exit status 3)
a program lists no test|BROKEN_PROGRAM=handler_robustness_tests LISTING=empty|1|handler_robustness_tests|FAIL (test list names no test)
a script fails with no failed case|PREVIEW_HOST_STATUS=1|1|robustness.preview_host|FAIL (exit status 1)
a script fails with no failed case, its cases|PREVIEW_HOST_STATUS=1|1|host-empty|ok
EOF
((failures == 0))
