#!/usr/bin/env bash
# tamsel.dll in the stand-in viewer for many model loads and button clicks in
# one process, with the Preview store in a hostile state:
#   read-only    the store holds two pictures and nothing can be created in it
#   missing      no store folder: the plugin creates it at its first write
#   uncreatable  no store folder, and its parent cannot take one
#   file-locked  a reader holds one stored picture open (hold_file) all along
# Each case loads four models of their own in turn, each load followed by a
# click whose dialog (if a picture is stored) is answered Yes, No or with the
# close box. Every run must end normally having rendered exactly when a write
# was due, leave no temporary file and only whole PNGs, leave held or
# unwritable pictures as they were, and hold no more GDI objects, windows,
# handles or heap after the run than after a first pass (its warm-up).
# The case leak-probe (not run by default) leaks on purpose and passes only
# when that leak is caught.
#
# Prints the result lines of scripts/robustness.sh (see robustness_support.h);
# exits 1 when a case failed. The prefix's store folder is put aside for the
# run and put back afterwards (also after a run that was killed, at the next
# start): nothing else may use the prefix meanwhile.
# Usage: plugin_viewer_runs.sh <wine-run.sh> <prefix> <standin_viewer.exe> <tamsel.dll> <hold_file.exe>
#                              <work dir> <loads per case, a multiple of 4> [case...]
# (leak-probe needs 16 loads or more: it leaks one object of each kind per 4.)
set -uo pipefail
wine_run=$1 prefix=$2 viewer=$3 plugin=$4 holder=$5 work=$6 loads=$7
shift 7
cases=("$@")
((${#cases[@]})) || cases=(read-only missing uncreatable file-locked)
if ((loads < 8 || loads % 4)); then echo "loads per case: a multiple of 4, at least 8"; exit 2; fi
export TAMSEL_WINEPREFIX=$prefix
files=(/usr/bin/python3 "$(dirname "$0")/hostile_files.py")
parent=$prefix/drive_c/ProgramData
store=$parent/tamsel
saved=$parent/tamsel.put-aside-by-plugin-viewer-runs
run_timeout=280

# How much a count may grow from the warm-up to the end of the run: the GDI
# count includes update regions of windows waiting for their paint, and Wine's
# own threads come and go with a handle or two.
declare -A bound=([gdi_objects]=2 [user_objects]=0 [kernel_handles]=2 [heap_bytes]=$((16 << 10))
                  [working_set_bytes]=$((8 << 20)))

source "$(dirname "$0")/../../scripts/lib.sh"  # winpath

# Nothing can be created in the folder, not even by root (whose wineserver,
# which creates the files, ignores permission bits): bits and, as root, the
# immutable flag. Fails when the folder still takes a file.
unwritable() {
  chmod a-w "$1"
  if [[ $(id -u) == 0 ]]; then chattr +i "$1" 2>/dev/null; fi
  if (: >"$1/.probe") 2>/dev/null; then
    rm -f "$1/.probe"
    return 1
  fi
}
writable() {
  if [[ -e $1 ]]; then
    chattr -i "$1" 2>/dev/null
    chmod u+w "$1"
  fi
  return 0
}

# The store as it was before this script (or a killed run of it) began.
put_back() {
  writable "$parent"
  [[ -e $saved ]] || return 0
  writable "$store"
  rm -rf "$store"
  mv "$saved" "$saved.tmp" && mv "$saved.tmp" "$store"
}
put_back
mkdir -p "$parent"
if [[ -e $store ]]; then mv "$store" "$saved"; else mkdir "$saved"; fi
trap put_back EXIT
rm -rf "$work"
mkdir -p "$work"

failures=0
fail() {
  echo "robustness fail case=$name text=$*"
  failures=$((failures + 1))
}
# A case that cannot be set up here (as root, only the immutable flag keeps
# Wine from writing, and not every file system has it).
skip() {
  echo "robustness skip case=$name text=$*"
  echo "robustness result case=$name inputs=0 crashes=0 leaks=0 peak_working_set_bytes=-"
  writable "$parent"
  writable "$store"
}

# Store entries that are not named by a key: temporary files left behind.
check_no_strays() {
  local strays
  strays=$(find "$store" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | grep -Ev '^[0-9a-f]{16}$')
  [[ -z $strays ]] || fail "stray entries in the store: $(tr '\n' ' ' <<<"$strays")"
}
check_whole_pngs() {
  local file
  for file in "$store"/*; do
    [[ -f $file ]] || continue
    pngcheck -q "$file" >/dev/null 2>&1 || fail "not a whole PNG: ${file##*/}"
  done
}
fingerprint() { (cd "$store" 2>/dev/null && find . -type f -exec md5sum {} + | sort); }

# One counts line of the viewer's log as "name=value" words.
counts_of() { sed -n "s/^\[viewer\] counts $1 //p" "$log" | tail -1; }
count() { sed -n "s/.*\b$1=\([-0-9]*\).*/\1/p" <<<"$2"; }

for case_kind in "${cases[@]}"; do
  name=plugin-store-$case_kind
  [[ $case_kind == leak-probe ]] && name=plugin-leak-probe
  echo "robustness begin case=$name"
  rm -rf "$store"
  mkdir -p "$work/$case_kind"
  models=() keys=()
  for m in a b c d; do
    model=$work/$case_kind/$m.ifc
    printf 'ISO-10303-21; plugin viewer runs %s %s %s %s\n' "$case_kind" "$m" "$$" "$EPOCHREALTIME" >"$model"
    models+=("$(winpath "$model")")
    keys+=("$("${files[@]}" key "$model")")
  done
  A=${models[0]} B=${models[1]} C=${models[2]} D=${models[3]}
  seed() { mkdir -p "$store" && "${files[@]}" plant valid "$store/${keys[$1]}"; }

  # Per case: the store before the run, one pass of actions, and the
  # render_screenshot calls of the first pass and of each later one.
  wrapper=()
  case $case_kind in
  read-only)
    seed 0 && seed 1
    if ! unwritable "$store"; then
      skip "this file system lets root write into any folder"
      continue
    fi
    pass=(--load "$A" --answer yes --click --load "$B" --answer close --click --load "$C" --click --load "$D" --click)
    first_renders=3 later_renders=3 ;;
  missing)
    pass=(--load "$A" --answer yes --click --load "$B" --answer no --click --load "$C" --answer close --click
          --load "$D" --answer yes --click)
    first_renders=6 later_renders=2 ;;
  uncreatable)
    if ! unwritable "$parent"; then
      skip "this file system lets root write into any folder"
      continue
    fi
    pass=(--load "$A" --click --load "$B" --click --load "$C" --click --load "$D" --click)
    first_renders=4 later_renders=4 ;;
  file-locked)
    seed 0 && seed 1
    wrapper=("$(winpath "$holder")" "$(winpath "$store/${keys[0]}")")
    pass=(--load "$A" --answer yes --click --load "$B" --answer yes --click --load "$C" --answer no --click
          --load "$D" --answer close --click)
    first_renders=4 later_renders=2 ;;
  leak-probe)
    pass=(--load "$A" --answer yes --click --load "$B" --answer no --click --load "$C" --answer close --click
          --load "$D" --answer yes --click --leak)
    first_renders=6 later_renders=2 ;;
  *)
    fail "unknown case"
    continue ;;
  esac
  before=$(fingerprint)
  held_before=$(md5sum 2>/dev/null <"$store/${keys[0]}")
  replaced_before=$(md5sum 2>/dev/null <"$store/${keys[1]}")

  passes=$((loads / 4))
  log=$work/$case_kind.log
  output=$work/$case_kind.out
  started=$EPOCHREALTIME
  rc=0
  timeout "$run_timeout" "$wine_run" "${wrapper[@]}" "$(winpath "$viewer")" --plugin "$(winpath "$plugin")" --view 1000x600 \
    --log "$(winpath "$log")" "${pass[@]}" --counts warm --repeat $((passes - 1)) "${pass[@]}" --end-repeat \
    --counts end >"$output" 2>&1 </dev/null || rc=$?
  seconds=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
  writable "$parent"
  writable "$store"
  sed -i 's/\r$//' "$log" 2>/dev/null

  # One input line per model load the viewer made, so that the last one names
  # where a run died.
  n=0
  while IFS= read -r model; do
    n=$((n + 1))
    echo "robustness input case=$name input=load $n of $loads, ${model##*\\}, and a click"
  done < <(sed -n 's/^\[viewer\] load model "\(.*\)"$/\1/p' "$log" 2>/dev/null)

  crashes=0
  if grep -q 'Unhandled exception' "$output"; then
    crashes=1
    fail "unhandled exception: $(grep -m1 'Unhandled exception' "$output")"
  fi
  case $rc in
  0) ;;
  124) crashes=1 && fail "no end within $run_timeout s" ;;
  3) fail "the plugin was not loaded" ;;
  2[0-2]) fail "hold_file could not hold the picture or start the viewer (exit status $rc)" ;;
  4) fail "a step went wrong: $(grep -m3 -E 'dialog (expected|not expected|still open)|stopped' "$log" | tr '\n' ' ')" ;;
  *) crashes=1 && fail "the viewer ended abnormally (exit status $rc)" ;;
  esac
  ((n == loads)) || fail "$n model loads made, $loads planned"
  renders=$(grep -c '^render_screenshot(' "$log" 2>/dev/null)
  expected_renders=$((first_renders + (passes - 1) * later_renders))
  ((renders == expected_renders)) || fail "$renders renders, expected $expected_renders"
  echo "robustness note case=$name text=$n loads and clicks in one viewer in $seconds s, $renders renders (writes tried)"

  check_no_strays
  check_whole_pngs
  case $case_kind in
  read-only)
    [[ $(fingerprint) == "$before" ]] || fail "the unwritable store changed" ;;
  uncreatable)
    [[ ! -e $store ]] || fail "a store folder appeared in an unwritable parent" ;;
  missing | leak-probe)
    stored=$(find "$store" -maxdepth 1 -type f 2>/dev/null | wc -l)
    ((stored == 4)) || fail "$stored pictures stored, expected one per model (4)" ;;
  file-locked)
    [[ $(md5sum <"$store/${keys[0]}") == "$held_before" ]] || fail "the held picture changed"
    [[ $(md5sum <"$store/${keys[1]}") != "$replaced_before" ]] || fail "Yes did not replace a picture nobody held"
    stored=$(find "$store" -maxdepth 1 -type f | wc -l)
    ((stored == 4)) || fail "$stored pictures stored, expected 4" ;;
  esac

  # The counts after the run against those after the warm-up pass.
  warm=$(counts_of warm) end=$(counts_of end)
  leaks=0 caught=""
  if [[ -z $warm || -z $end ]]; then
    fail "no counts in the viewer's log"
    leaks=-
  else
    echo "robustness note case=$name text=after warm-up: $warm"
    echo "robustness note case=$name text=at the end: $end"
    for what in gdi_objects user_objects kernel_handles heap_bytes working_set_bytes; do
      w=$(count "$what" "$warm") e=$(count "$what" "$end")
      if [[ -z $w || -z $e || $w == -1 || $e == -1 ]]; then
        fail "$what could not be counted"
      elif ((e - w > ${bound[$what]})); then
        caught+=" $what"
        if [[ $case_kind == leak-probe ]]; then
          echo "robustness note case=$name text=caught: $what grew by $((e - w)) over $((passes - 1)) passes"
        else
          echo "robustness leak case=$name what=$what grew by $((e - w)) ($w after warm-up, $e at the end)"
          leaks=$((leaks + 1))
        fi
      fi
    done
    if [[ $case_kind == leak-probe && $caught != " gdi_objects user_objects kernel_handles"* ]]; then
      fail "the deliberate leak of a brush, a window and an event per pass was not caught (caught:${caught:- nothing})"
    fi
  fi
  peak=$(count peak_working_set_bytes "$end")
  echo "robustness result case=$name inputs=$n crashes=$crashes leaks=$leaks peak_working_set_bytes=${peak:--}"
done

((failures == 0)) || { echo "$failures failed"; exit 1; }
echo "PASS: ${cases[*]}"
