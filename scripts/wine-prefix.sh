#!/usr/bin/env bash
# Creates a fresh Wine prefix for tests and demos and starts its wineserver.
# Usage: scripts/wine-prefix.sh <prefix-dir>   (run under the X display that the
# tests will use: a prefix whose services started without one cannot make windows)
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

"$server" -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
cp /usr/share/wine/fonts/tahoma*.ttf "$prefix/drive_c/windows/Fonts/"

# Creating a prefix leaves two services.exe behind; the RPC service then fails
# and every program that makes a window waits about 20 s for it. Start over
# with one set of services, under a persistent server not tied to the caller's
# pipes, so that each later program starts in a fraction of a second.
"$server" -k 2>/dev/null || true
"$server" -w
"$server" -p
"$wine" wineboot >/dev/null 2>&1
echo "wine prefix ready: $prefix"
