#!/usr/bin/env bash
# The road of one model file, shown with the installed DLLs: the stand-in
# viewer loads a sample IFC file with dist/x64/tamsel.dll, which stores a
# preview of the view; its button shows that preview in the replace dialog
# (answered No); then the Explorer preview pane, driven as the shell's preview
# host drives it, shows the stored picture for a byte-identical copy under
# another name and the hint for a copy with one byte changed.
# On a fresh machine: installs what is missing, builds and installs both
# architectures (dist/x86, dist/x64), makes a Wine prefix of its own with an
# empty Preview store, registers dist/x64/tamsel_handler.dll there for all users
# and saves every window as PNG under out/demo/. Last, tamsel-render renders a
# model that the viewer never opened, and the pane and its thumbnail show that
# picture too.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

if ! in_display; then
  bash scripts/setup.sh
  # The DLLs of both architectures, and the x64 programs that play their hosts.
  declare -A targets=([x86]="tamsel tamsel_handler" [x64]="tamsel tamsel_handler standin_viewer preview_host thumbnail_host")
  for arch in x86 x64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch" --target ${targets[$arch]}
    cmake --install "build/$arch" >/dev/null
  done
  rerun_in_display "$0" "$@"
fi

out=$PWD/out/demo
prefix=$out/prefix
store=$prefix/drive_c/ProgramData/tamsel
models=$out/models
sample=$PWD/tests/data/ifc-samples/AC20-FZK-Haus.ifc
dist=$PWD/dist/x64
viewer=$PWD/build/x64/tools/standin_viewer/standin_viewer.exe
host=$PWD/build/x64/tools/preview_host/preview_host.exe
thumbnail_host=$PWD/build/x64/tools/preview_host/thumbnail_host.exe
python=/usr/bin/python3  # the one with Pillow

# Wine's helper processes outlive the programs: their output goes to a file, never a pipe.
wine() { TAMSEL_WINEPREFIX=$prefix build/x64/wine-run.sh "$@" >>"$out/wine.log" 2>&1 </dev/null; }
key_of() {
  "$python" -c 'import hashlib, sys
digest = hashlib.md5(open(sys.argv[1], "rb").read() + b"Tor Wendal").digest()
print("".join("0123456789abcdef"[b & 15] for b in digest))' "$1"
}
fail() { echo "demo: $*" >&2; exit 1; }

# show_pane <name> <ifc file> [--resize WxH --save <png>]...: the pane at
# 366x422 saved as out/demo/<name>.png, then the further actions.
show_pane() {
  local name=$1 file=$2
  shift 2
  wine "$host" "$(winpath "$file")" --size 366x422 --save "$(winpath "$out/$name.png")" "$@" ||
    fail "preview_host failed on $file (see $out/wine.log)"
}

WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
rm -rf "$out"
mkdir -p "$out" "$models/copies"
fresh_wine_prefix "$prefix" >"$out/prefix.log" 2>&1
[[ -z $(ls -A "$store" 2>/dev/null) ]] || fail "the Preview store of the new prefix is not empty"
wine regsvr32 /s /n /i "$(winpath "$dist/tamsel_handler.dll")" || fail "regsvr32 failed"
echo "registered $dist/tamsel_handler.dll in $prefix"

# The model, a byte-identical copy under another name in another folder, and
# a copy with one byte changed.
model=$models/AC20-FZK-Haus.ifc
copy="$models/copies/the same house, renamed.ifc"
changed=$models/copies/AC20-FZK-Haus-one-byte-changed.ifc
cp "$sample" "$model"
cp "$model" "$copy"
"$python" -c 'import sys
b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1
open(sys.argv[2], "wb").write(b)' "$model" "$changed"
key=$(key_of "$model")
stored=$store/$key

# The viewer loads the model (the plugin stores its preview), then the user
# clicks the button: the replace dialog shows the stored preview and is
# answered No, so nothing is rendered again.
wine "$viewer" --plugin "$(winpath "$dist/tamsel.dll")" --view 1000x600 --log "$(winpath "$out/viewer.log")" \
  --load "$(winpath "$model")" --save-window "$(winpath "$out/viewer.png")" \
  --answer no --save-dialog "$(winpath "$out/replace-dialog.png")" --click ||
  fail "the viewer failed (see $out/viewer.log)"
[[ -f $stored ]] || fail "no preview stored under $key"
renders=$(grep -c '^render_screenshot(' "$out/viewer.log" || true)
[[ $renders == 1 ]] || fail "the view was rendered $renders times, expected once (at the load)"
cp "$stored" "$out/stored-preview.png"
stored_size=$("$python" -c 'import sys
from PIL import Image
print("%dx%d" % Image.open(sys.argv[1]).size)' "$stored")

show_pane pane-identical-copy "$copy" --resize 600x300 --save "$(winpath "$out/pane-identical-copy-600x300.png")"
show_pane pane-changed-copy "$changed"
[[ ! -e $store/$(key_of "$changed") ]] || fail "a preview exists for the changed copy"

# tamsel-render: a model nobody opened in the viewer gets its picture from
# the renderer (Node.js) and shows in the pane, for the file and for a copy.
unopened=$models/testhouse.ifc
unopened_copy=$models/copies/testhouse-copy.ifc
cp "$PWD/tests/data/ifc-samples/testhouse_from Revit_CV20.ifc" "$unopened"
cp "$unopened" "$unopened_copy"
node renderer/bin/tamsel-render.js --store "$store" "$unopened" >"$out/render.log" ||
  fail "tamsel-render failed (see $out/render.log)"
rendered=$store/$(key_of "$unopened")
[[ -f $rendered ]] || fail "tamsel-render stored nothing for $unopened"
cp "$rendered" "$out/rendered-preview.png"
show_pane pane-rendered "$unopened"
show_pane pane-rendered-copy "$unopened_copy"
wine "$thumbnail_host" "$(winpath "$unopened")" 256 "$(winpath "$out/thumbnail-rendered-256.png")" ||
  fail "thumbnail_host failed on $unopened (see $out/wine.log)"

cat <<EOF

The viewer, dist/x64/tamsel.dll in the stand-in viewer (view 1000x600):
  loaded     $model
  window     $out/viewer.png
  stored     C:\\ProgramData\\tamsel\\$key ($stored_size)
             = $stored
             (a copy with an extension: $out/stored-preview.png)
  button     the replace dialog with the stored preview, answered No (nothing rendered again):
             $out/replace-dialog.png
  log        $out/viewer.log
The preview pane, dist/x64/tamsel_handler.dll in preview_host:
  byte-identical copy, $copy
             $out/pane-identical-copy.png (366x422)
             $out/pane-identical-copy-600x300.png (resized)
  one byte changed, $changed (key $(key_of "$changed"), nothing stored)
             $out/pane-changed-copy.png
tamsel-render, without the viewer:
  rendered   $unopened -> $rendered
             (a copy with an extension: $out/rendered-preview.png; log $out/render.log)
  pane       $out/pane-rendered.png, and for a copy: $out/pane-rendered-copy.png
  thumbnail  $out/thumbnail-rendered-256.png (as Explorer asks for it at 256)
Wine prefix $prefix (its own output: $out/wine.log)
EOF
