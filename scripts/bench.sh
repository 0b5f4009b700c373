#!/usr/bin/env bash
# Preview key throughput against the system's MD5 tools on a 1 GiB file, and the
# memory that a preview of that file costs against one of a 1 KiB file.
# Builds x64 where needed; everything it makes stays under build/x64/ (the
# 1 GiB file is made once and reused). Prints a table.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

if [[ -z "${TAMSEL_IN_DISPLAY:-}" ]]; then
  bash scripts/setup.sh
  [[ -f build/x64/CMakeCache.txt ]] || cmake --preset x64 >/dev/null
  cmake --build --preset x64 --target tamsel_handler preview_host key_bench
  # The preview needs windows, so everything after the build runs on a private display.
  TAMSEL_IN_DISPLAY=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

build=$PWD/build/x64
bench=$build/bench
prefix=$bench/wineprefix
big=$bench/bench-1GiB.ifc
small=$bench/bench-1KiB.ifc
gib=1073741824
mkdir -p "$bench"

winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine() { TAMSEL_WINEPREFIX=$prefix "$build/wine-run.sh" "$@"; }
mbps() { awk -v bytes="$1" -v s="$2" 'BEGIN { printf "%.1f", bytes / 1e6 / s }'; }

# Seconds of the fastest of three runs of a command.
best_of_3() {
  local best="" start end
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    best=$(awk -v a="$best" -v s="$start" -v e="$end" 'BEGIN { d = e - s; print (a == "" || d < a) ? d : a }')
  done
  echo "$best"
}

if [[ $(stat -c %s "$big" 2>/dev/null || echo 0) != "$gib" ]]; then
  echo "making $big"
  head -c "$gib" /dev/urandom >"$big.part"
  mv "$big.part" "$big"
fi
head -c 1024 /dev/urandom >"$small"

echo "wine prefix: $prefix"
bash scripts/wine-prefix.sh "$prefix" >/dev/null
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
wine regsvr32 /s "$(winpath "$build/shell_handler/tamsel_handler.dll")"

cat "$big" >/dev/null  # page cache warm for every reader below
openssl_s=$(best_of_3 openssl md5 "$big")
md5sum_s=$(best_of_3 md5sum "$big")
openssl_mbps=$(mbps $gib "$openssl_s")
md5sum_mbps=$(mbps $gib "$md5sum_s")
native=$(awk -v a="$openssl_mbps" -v b="$md5sum_mbps" 'BEGIN { print (a > b) ? a : b }')
native_name=$(awk -v a="$openssl_mbps" -v b="$md5sum_mbps" 'BEGIN { print (a > b) ? "openssl md5" : "md5sum" }')

key_out=$(wine "$build/tools/bench/key_bench.exe" "$(winpath "$big")")
field() { sed -n "s/^path=$1 .*$2=\([^ ]*\).*/\1/p" <<<"$key_out"; }

# Peak working set of a whole preview (handler loaded, file hashed, pane shown).
peak() {
  wine "$build/tools/preview_host/preview_host.exe" "$(winpath "$1")" --report | sed -n 's/^peak_working_set_bytes=//p'
}
peak_big=$(peak "$big")
peak_small=$(peak "$small")

ratio() { awk -v a="$1" -v b="$native" 'BEGIN { r = a / b; printf "%.3f  %s", r, (r >= 0.95) ? "ok" : "below target" }'; }

echo
echo "Preview key throughput on a 1 GiB file (page cache warm; best of 3; MB/s with 1 MB = 10^6 bytes)"
printf '  %-34s %10s   %s\n' "reader" "MB/s" "ratio to $native_name (target >= 0.95)"
printf '  %-34s %10s\n' "openssl md5" "$openssl_mbps" "md5sum" "$md5sum_mbps"
printf '  %-34s %10s   %s\n' "key over a file stream (handler)" "$(field stream mb_per_s)" "$(ratio "$(field stream mb_per_s)")"
printf '  %-34s %10s   %s\n' "key over the file (plugin)" "$(field file mb_per_s)" "$(ratio "$(field file mb_per_s)")"
echo "  key: $(field stream key)"
echo
echo "Peak working set of a preview (preview_host --report)"
printf '  %-34s %12s bytes\n' "1 GiB file" "$peak_big" "1 KiB file" "$peak_small"
printf '  %-34s %12s bytes (%s MiB; the hash buffer is 1 MiB)\n' "difference" "$((peak_big - peak_small))" \
  "$(awk -v d=$((peak_big - peak_small)) 'BEGIN { printf "%.2f", d / 1048576 }')"
