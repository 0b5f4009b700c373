#!/usr/bin/env bash
# check_dll.sh <objdump> <dll> <export>...
# Fails unless the DLL exports exactly the given names (undecorated) and imports
# from Windows system DLLs only (no C or C++ runtime DLL of the toolchain).
set -euo pipefail
objdump=$1 dll=$2; shift 2
dump=$("$objdump" -p "$dll")

actual=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^[ \t]*\[/{print $NF;next} on{on=0}' <<<"$dump" | sort)
expected=$(printf '%s\n' "$@" | sort)
if [[ "$actual" != "$expected" ]]; then
  echo "exports of $dll differ"; echo "expected:"; echo "$expected"; echo "actual:"; echo "$actual"; exit 1
fi

system_dlls='^(kernel32|user32|gdi32|gdiplus|advapi32|shell32|shlwapi|ole32|oleaut32|msi|msvcrt|comctl32|comdlg32|uxtheme|bcrypt|crypt32|ntdll|psapi|version|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(awk '/DLL Name:/{print tolower($3)}' <<<"$dump" | sort -u)
bad=$(grep -vE "$system_dlls" <<<"$imports" || true)
if [[ -n "$bad" ]]; then
  echo "$dll imports non-system DLLs:"; echo "$bad"; exit 1
fi
echo "$dll: exports $(wc -l <<<"$actual"), imports: $(tr '\n' ' ' <<<"$imports")"
