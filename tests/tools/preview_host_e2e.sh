#!/usr/bin/env bash
# The preview handler driven end to end as the shell's preview host drives it:
# registration, the type key, a stored picture and the hint.
# Usage: preview_host_e2e.sh <case> <wine-run.sh> <prefix> <preview_host.exe> <handler.dll> <samples> <work dir>
#   stored-picture  a planted picture shows for a byte-identical copy, the hint for a changed one
#   progid          the handler is looked up under the programmatic identifier that .ifc names
set -euo pipefail
case_name=$1 wine_run=$2 prefix=$3 host_exe=$4 dll=$5 samples=$6 work=$7
export TAMSEL_WINEPREFIX=$prefix
check=(/usr/bin/python3 "$(dirname "$0")/pane_check.py")
store="$prefix/drive_c/ProgramData/tamsel"
slot='{8895b1c6-b41f-4c1c-a562-0d564250836f}'
clsid='{3C994A91-448B-42B9-814C-B427301F3DAA}'

fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/../../scripts/lib.sh"  # winpath
# Wine's helper processes (desktop, RPC) outlive the programs that start them and
# would hold ctest's output pipe open for seconds: give them a file instead.
wine() { "$wine_run" "$@" >>"$work/wine.log" 2>&1; }
register() { wine regsvr32 /s "$(winpath "$dll")" || fail "regsvr32 $dll exited $?"; }
unregister() { wine regsvr32 /s /u "$(winpath "$dll")" || true; }

# preview <expected exit status> <file> [preview_host options]: output in $work/host.log
preview() {
  local expected=$1 file=$2 rc=0
  shift 2
  "$wine_run" "$host_exe" "$(winpath "$file")" "$@" >"$work/host.log" 2>&1 </dev/null || rc=$?
  cat "$work/host.log"
  [[ $rc == "$expected" ]] || fail "preview_host exited $rc, expected $expected"
}
reported() { sed -n "s/^$1=//p" "$work/host.log"; }

rm -rf "$work"
mkdir -p "$work"

case $case_name in
stored-picture)
  # The sample with a trailing comment of this test's own: a key no other test plants.
  { cat "$samples/SmallModelIfc4.ifc"; printf '/* preview_host end-to-end test */\n'; } >"$work/original.ifc"
  cp "$work/original.ifc" "$work/copy under another name.ifc"
  /usr/bin/python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1
open(sys.argv[2], "wb").write(b)' "$work/original.ifc" "$work/changed.ifc"

  planted="$store/$("${check[@]}" key "$work/original.ifc")"
  [[ ! -e "$store/$("${check[@]}" key "$work/changed.ifc")" ]] || fail "a picture is stored for the changed content"
  trap 'rm -f "$planted"; unregister' EXIT
  mkdir -p "$store"
  "${check[@]}" plant "$planted"
  register

  preview 0 "$work/copy under another name.ifc" --save "$(winpath "$work/picture.png")" \
    --resize 600x300 --save "$(winpath "$work/picture-600x300.png")"
  # Image area (8, 89), W-16 by H-97; the 512x384 picture fitted to its top-left corner.
  "${check[@]}" picture "$work/picture.png" 8 89 350 262
  "${check[@]}" picture "$work/picture-600x300.png" 8 89 270 203

  preview 0 "$work/changed.ifc" --save "$(winpath "$work/hint.png")"
  "${check[@]}" hint "$work/hint.png"
  preview 1 "$work/missing.ifc"  # a file that cannot be opened is a failed call
  grep -q '^SHCreateStreamOnFileEx hr=0x80070002$' "$work/host.log" || fail "the failing call is not reported"
  grep -q '^Release count=0$' "$work/host.log" || fail "the handler is not released after a failure"

  unregister
  preview 2 "$work/original.ifc"
  ;;
progid)
  progid=TamselTest.PreviewHostProgid
  cleanup() {
    unregister
    wine reg delete "HKCR\\$progid" /f || true
    wine reg delete 'HKCR\.ifc' /ve /f || true
    wine reg delete "HKCR\\.ifc\\shellex\\$slot" /f || true
  }
  trap cleanup EXIT
  cp "$samples/SmallModelIfc4.ifc" "$work/model.ifc"
  dll_path=$(winpath "$dll")

  cleanup
  register
  preview 0 "$work/model.ifc" --report
  [[ $(reported type_key) == .ifc && $(reported clsid) == "$clsid" ]] || fail "not found under .ifc"
  server=$(reported dll)
  [[ ${server,,} == "${dll_path,,}" ]] || fail "server $server, expected $dll_path"

  # Once .ifc names a programmatic identifier, the slot under .ifc is not the shell's any more.
  wine reg add 'HKCR\.ifc' /ve /d "$progid" /f
  preview 2 "$work/model.ifc" --report
  register
  preview 0 "$work/model.ifc" --report
  [[ $(reported type_key) == "$progid" && $(reported clsid) == "$clsid" ]] || fail "not found under $progid"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"
