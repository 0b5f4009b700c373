#!/usr/bin/env bash
# Hostile Preview store files shown by preview_host, in a process of its own
# each, as the shell's preview host shows them: every run must end normally
# with the hint in its pane and a peak working set near that of a valid picture.
# Prints the result lines of scripts/robustness.sh (see robustness_support.h);
# exits 1 when a case failed.
# Usage: preview_host_hostile.sh <wine-run.sh> <prefix> <preview_host.exe> <handler.dll> <work dir> [kind...]
#   kinds: valid (first: the baseline, shows the picture), empty, truncated,
#   not-png, giant-header, folder, huge-picture; all of them by default.
set -uo pipefail
wine_run=$1 prefix=$2 host_exe=$3 dll=$4 work=$5
shift 5
kinds=("$@")
((${#kinds[@]})) || kinds=(valid empty truncated not-png giant-header folder huge-picture)
export TAMSEL_WINEPREFIX=$prefix
files=(/usr/bin/python3 "$(dirname "$0")/hostile_files.py")
store="$prefix/drive_c/ProgramData/tamsel"
peak_allowance=$((64 << 20))
run_timeout=120

source "$(dirname "$0")/../../scripts/lib.sh"  # winpath
wine() { "$wine_run" "$@" >>"$work/wine.log" 2>&1; }

rm -rf "$work"
mkdir -p "$work" "$store"
wine regsvr32 /s "$(winpath "$dll")" || { echo "regsvr32 $dll failed"; exit 1; }
trap 'wine regsvr32 /s /u "$(winpath "$dll")"' EXIT

failures=0 baseline=""
fail() {
  echo "robustness fail case=$name text=$*"
  failures=$((failures + 1))
}

for kind in "${kinds[@]}"; do
  name=host-$kind
  echo "robustness begin case=$name"
  file="$work/$kind.ifc"
  printf 'ISO-10303-21; robustness preview_host %s %s %s\n' "$kind" "$$" "$EPOCHREALTIME" >"$file"
  planted="$store/$("${files[@]}" key "$file")"
  "${files[@]}" plant "$kind" "$planted"

  echo "robustness input case=$name input=$kind store entry"
  rc=0
  timeout "$run_timeout" "$wine_run" "$host_exe" "$(winpath "$file")" --save "$(winpath "$work/$kind.png")" \
    --report >"$work/$kind.log" 2>&1 </dev/null || rc=$?
  rm -rf "$planted"

  # A crash under Wine's debugger may even end with status 0: a run that
  # ended normally has released COM, and its last line says so.
  if [[ $rc == [01] ]] && ! grep -q '^CoUninitialize' "$work/$kind.log"; then rc="$rc, without reaching its end"; fi
  crashes=0
  case $rc in
  0) ;;
  1) fail "a call failed: $(grep -v ' hr=0x00000000$' "$work/$kind.log" | head -3 | tr '\n' ' ')" ;;
  124) crashes=1 && fail "no end within ${run_timeout} s" ;;
  *) crashes=1 && fail "preview_host ended abnormally (exit status $rc)" ;;
  esac
  expected=hint
  [[ $kind == valid ]] && expected=picture
  if [[ $rc == 0 ]]; then
    outcome=$("${files[@]}" pane "$work/$kind.png")
    echo "robustness note case=$name text=$outcome"
    [[ $outcome == "$expected" ]] || fail "the pane shows $outcome, expected $expected"
  fi
  peak=$(sed -n 's/^peak_working_set_bytes=//p' "$work/$kind.log")
  if [[ $kind == valid ]]; then
    baseline=$peak
  elif [[ -n $peak && -n $baseline ]] && ((peak > baseline + peak_allowance)); then
    fail "peak working set $((peak >> 20)) MiB, $(((peak - baseline) >> 20)) MiB above a valid picture's"
  fi
  echo "robustness result case=$name inputs=1 crashes=$crashes leaks=- peak_working_set_bytes=${peak:--}"
done

((failures == 0)) || { echo "$failures failed"; exit 1; }
echo "PASS: ${#kinds[@]} store entries"
