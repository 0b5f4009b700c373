#!/usr/bin/env bash
# Preview key throughput against the system's MD5 tools on a 1 GiB file, and the
# memory that a preview of that file costs against one of a 1 KiB file; then the
# plugin's model load of the same file with no stored preview, in the stand-in
# viewer: time in the key computation, time to render, flip, encode and write
# the 512x384 preview, and the viewer's peak working set over its baseline.
# Builds x64 where needed; everything it makes stays under build/x64/ (the
# 1 GiB file is made once and reused). Prints tables.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
source scripts/lib.sh

if ! in_display; then
  bash scripts/setup.sh
  [[ -f build/x64/CMakeCache.txt ]] || cmake --preset x64 >/dev/null
  cmake --build --preset x64 --target tamsel_handler preview_host key_bench tamsel standin_viewer
  # The preview needs windows, so everything after the build runs on a private display.
  rerun_in_display "$0" "$@"
fi

build=$PWD/build/x64
bench=$build/bench
prefix=$bench/wineprefix
big=$bench/bench-1GiB.ifc
small=$bench/bench-1KiB.ifc
gib=1073741824
mkdir -p "$bench"

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
fresh_wine_prefix "$prefix" >/dev/null
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

# The plugin in the stand-in viewer, whose --timing log stamps each host call
# in microseconds: get_loaded_ifc_path .. enable_button is the key computation,
# get_view_rect .. the event's return is the capture (the viewer's rendering
# ends where render_screenshot is logged; the plugin's copy, flip, PNG encoding
# and file write follow), and the event's return line carries the peak working set.
store=$prefix/drive_c/ProgramData/tamsel
key_big=$(field stream key)
viewer_log=$bench/viewer.log

# view_model <model path or "none"> [action...]: one viewer run with a 1000x600
# view and no stored preview; the actions come before the load.
view_model() {
  local load=(--load-none)
  [[ $1 == none ]] || load=(--load "$(winpath "$1")")
  shift
  rm -f "$store"/*
  wine "$build/tools/standin_viewer/standin_viewer.exe" --plugin "$(winpath "$build/plugin/tamsel.dll")" \
    --view 1000x600 --timing --log "$(winpath "$viewer_log")" "$@" "${load[@]}" >/dev/null 2>&1 </dev/null
}
stamp() { sed -n "s/^@\([0-9]*\) $1.*/\1/p" "$viewer_log" | head -n 1; }
peak_at_load() { sed -n 's/.*event model_load returned, peak working set \([0-9]*\) bytes.*/\1/p' "$viewer_log"; }
# How much the peak grew during the model-load event, over the peak once the plugin was loaded.
growth_at_load() {
  echo $(( $(peak_at_load) - $(sed -n 's/.*plugin started, peak working set \([0-9]*\) bytes.*/\1/p' "$viewer_log") ))
}
seconds() { awk -v us="$1" 'BEGIN { printf "%.4f", us / 1e6 }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
larger() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }

# Three loads of the 1 GiB model, each with an empty store: the best times, the highest peak.
key_us="" capture_us="" render_us="" encode_us="" viewer_big="" growth_big=""
for _ in 1 2 3; do
  view_model "$big"
  [[ -f $store/$key_big ]] || { echo "the plugin stored no preview under $key_big; see $viewer_log"; exit 1; }
  path=$(stamp 'get_loaded_ifc_path(') enabled=$(stamp 'enable_button(7, 101, 1)')
  rect=$(stamp 'get_view_rect(') rendered=$(stamp 'render_screenshot(7, 512, 384, buffer) -> 1')
  returned=$(stamp '\[viewer\] event model_load returned')
  key_us=$(smaller "$key_us" $((enabled - path)))
  capture_us=$(smaller "$capture_us" $((returned - rect)))
  render_us=$(smaller "$render_us" $((rendered - rect)))
  encode_us=$(smaller "$encode_us" $((returned - rendered)))
  viewer_big=$(larger "$viewer_big" "$(peak_at_load)")
  growth_big=$(larger "$growth_big" "$(growth_at_load)")
done
preview_bytes=$(stat -c %s "$store/$key_big")
view_model "$small"
key_small_us=$(( $(stamp 'enable_button(7, 101, 1)') - $(stamp 'get_loaded_ifc_path(') ))
viewer_small=$(peak_at_load) growth_small=$(growth_at_load)
view_model none
viewer_none=$(peak_at_load) growth_none=$(growth_at_load)
# The same load with a failing render: the hash buffer, CryptoAPI and the pixel
# buffer, without the bitmap and the PNG encoding.
view_model "$big" --render-fails
viewer_no_render=$(peak_at_load) growth_no_render=$(growth_at_load)

key_s=$(seconds "$key_us")
over() { printf '%12s bytes (%s MiB)' "$1" "$(awk -v d="$1" 'BEGIN { printf "%.2f", d / 1048576 }')"; }
echo
echo "Plugin: model load of the 1 GiB file with no stored preview (stand-in viewer, view 1000x600; best of 3)"
printf '  %-44s %9s s  %s MB/s; %s x the time of openssl md5 (%s s)\n' "key computation" "$key_s" \
  "$(mbps $gib "$key_s")" "$(awk -v k="$key_s" -v o="$openssl_s" 'BEGIN { printf "%.3f", k / o }')" \
  "$(awk -v o="$openssl_s" 'BEGIN { printf "%.4f", o }')"
printf '  %-44s %9s s\n' "key computation of a 1 KiB model (fixed cost)" "$(seconds "$key_small_us")"
printf '  %-44s %9s s  (%s bytes of PNG)\n' "render, copy, flip, encode, write 512x384" "$(seconds "$capture_us")" \
  "$preview_bytes"
printf '  %-44s %9s s\n' "  the viewer's rendering" "$(seconds "$render_us")" \
  "  the plugin's flip, PNG encoding and write" "$(seconds "$encode_us")"
echo "Stand-in viewer's peak working set after the model-load event, and its growth during the event"
printf '  %-44s %12s bytes  %s\n' "no model" "$viewer_none" "$(over "$growth_none")" \
  "1 KiB model" "$viewer_small" "$(over "$growth_small")" \
  "1 GiB model, render fails (key, pixel buffer)" "$viewer_no_render" "$(over "$growth_no_render")" \
  "1 GiB model" "$viewer_big" "$(over "$growth_big")"
printf '  %-44s %s\n' "1 GiB model over no model" "$(over $((viewer_big - viewer_none)))" \
  "  of which up to the failed render" "$(over $((viewer_no_render - viewer_none)))" \
  "  of which the bitmap and PNG encoding" "$(over $((viewer_big - viewer_no_render)))" \
  "1 GiB model over 1 KiB model" "$(over $((viewer_big - viewer_small)))"
echo "  (the hash buffer is 1 MiB and is zeroed when allocated, so a 1 KiB model touches all of it too;"
echo "   the rest of the key's part is CryptoAPI's provider, loaded on first use. The pixel buffer and the"
echo "   bitmap, 589,824 bytes each, come after the hash buffer is freed and raise the peak only beyond it)"

# tamsel-render (Node.js): web-ifc against the whole renderer per sample, and batch throughput.
echo
npm --prefix renderer run --silent bench
