#!/usr/bin/env bash
# regsvr32_test.sh <wine-run.sh> <tamsel_handler.dll>
# Registers the DLL with regsvr32, reads the entries back with reg, and
# unregisters it; a second unregistration must fail.
set -uo pipefail
run=$1
dll="Z:$(realpath "$2" | tr / '\\')"
clsid='{3C994A91-448B-42B9-814C-B427301F3DAA}'
appid='{95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}'
slot='HKCR\.ifc\shellex\{8895b1c6-b41f-4c1c-a562-0d564250836f}'
handlers='HKCU\Software\Microsoft\Windows\CurrentVersion\PreviewHandlers'

failures=0
check() {  # check <description> <command>...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# expect_value <key> <reg query option>... -- <expected line>
expect_value() {
  local key=$1; shift
  local args=() expected
  while [[ $1 != -- ]]; do args+=("$1"); shift; done
  expected=$2
  local out
  out=$("$run" reg query "$key" "${args[@]}" 2>&1 | tr -d '\r')
  grep -qxF -- "$expected" <<<"$out" || { echo "$key:"; echo "$out"; return 1; }
}
missing() { ! "$run" reg query "$@" >/dev/null 2>&1; }

if "$run" reg query 'HKCR\.ifc' >/dev/null 2>&1; then
  echo "SKIPPED: HKCR\\.ifc exists in this prefix"; exit 0
fi

check "regsvr32 /s exits 0" "$run" regsvr32 /s "$dll"
check "class description" expect_value "HKCR\\CLSID\\$clsid" /ve -- "    (Default)    REG_SZ    tamsel.TamselHandler Class"
check "class AppID" expect_value "HKCR\\CLSID\\$clsid" /v AppID -- "    AppID    REG_SZ    $appid"
check "server path" expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" /ve -- "    (Default)    REG_SZ    $dll"
check "threading model" expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel -- "    ThreadingModel    REG_SZ    Apartment"
check "surrogate" expect_value "HKCR\\AppID\\$appid" /v DllSurrogate -- "    DllSurrogate    REG_EXPAND_SZ    %SystemRoot%\\system32\\prevhost.exe"
check ".ifc handler slot" expect_value "$slot" /ve -- "    (Default)    REG_SZ    $clsid"
check "per-user handler list" expect_value "$handlers" /v "$clsid" -- "    $clsid    REG_SZ    TamselHandler"

check "regsvr32 /u /s exits 0" "$run" regsvr32 /u /s "$dll"
check "class removed" missing "HKCR\\CLSID\\$clsid"
check "AppID removed" missing "HKCR\\AppID\\$appid"
check "slot removed" missing "$slot"
check "list value removed" missing "$handlers" /v "$clsid"
check "second regsvr32 /u fails" bash -c '! "$0" regsvr32 /u /s "$1"' "$run" "$dll"

"$run" reg delete 'HKCR\.ifc' /f >/dev/null 2>&1
echo "$failures failed"
[[ $failures -eq 0 ]]
