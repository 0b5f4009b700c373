#!/usr/bin/env bash
# Creates a fresh Wine prefix for tests and demos and starts its wineserver.
# Usage: scripts/wine-prefix.sh <prefix-dir>   (run under the X display that the
# tests will use: a prefix whose services started without one cannot make windows)
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64

WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
# A persistent server not tied to the caller's pipes: each later program then
# starts in a fraction of a second instead of waiting for the server to exit.
/usr/lib/wine/wineserver -p
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
cp /usr/share/wine/fonts/tahoma*.ttf "$prefix/drive_c/windows/Fonts/"
echo "wine prefix ready: $prefix"
