#!/usr/bin/env bash
# regsvr32_test.sh <wine-run.sh> <tamsel_handler.dll>
# Registers the DLL with regsvr32, reads the entries back with reg, and
# unregisters it; a second unregistration must fail. Then the same through
# DllInstall (/n /i for all users, /n /i:user for one user), whose second
# uninstall succeeds.
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

thumbnail='{82A51337-D4BF-4A3F-9C2F-A295D6113619}'
thumb_slot='.ifc\shellex\{e357fccd-a995-4576-b01f-234630154e96}'
machine_handlers='HKLM\Software\Microsoft\Windows\CurrentVersion\PreviewHandlers'
for mode in all-users user; do
  if [[ $mode == user ]]; then
    option=/i:user classes='HKCU\Software\Classes' list=$handlers host='{6D2B5079-2F0B-48DD-AB7F-97CEC514D30B}'
  else
    option=/i classes='HKLM\Software\Classes' list=$machine_handlers host=$appid
  fi
  check "$mode: regsvr32 /n $option exits 0" "$run" regsvr32 /s /n "$option" "$dll"
  check "$mode: class AppID" expect_value "$classes\\CLSID\\$clsid" /v AppID -- "    AppID    REG_SZ    $host"
  check "$mode: thumbnail server path" expect_value "$classes\\CLSID\\$thumbnail\\InprocServer32" /ve -- "    (Default)    REG_SZ    $dll"
  check "$mode: thumbnail slot" expect_value "$classes\\$thumb_slot" /ve -- "    (Default)    REG_SZ    $thumbnail"
  check "$mode: handler list" expect_value "$list" /v "$clsid" -- "    $clsid    REG_SZ    TamselHandler"
  check "$mode: regsvr32 /u /n $option exits 0" "$run" regsvr32 /s /u /n "$option" "$dll"
  check "$mode: classes removed" missing "$classes\\CLSID\\$thumbnail"
  check "$mode: .ifc removed" missing "$classes\\.ifc"
  check "$mode: list value removed" missing "$list" /v "$clsid"
  check "$mode: second uninstall exits 0" "$run" regsvr32 /s /u /n "$option" "$dll"
done
check "regsvr32 /n /i:other fails" bash -c '! "$0" regsvr32 /s /n /i:other "$1"' "$run" "$dll"
check "nothing written by /i:other" missing "HKCU\\Software\\Classes\\CLSID\\$clsid"

"$run" reg delete 'HKCR\.ifc' /f >/dev/null 2>&1
echo "$failures failed"
[[ $failures -eq 0 ]]
