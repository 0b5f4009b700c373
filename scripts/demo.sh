#!/usr/bin/env bash
# Shows the Explorer preview pane for two sample IFC files, as the shell's
# preview host would: one with no stored picture (the hint), one whose picture
# is put into the Preview store first. On a fresh machine: installs what is
# missing, builds and installs both architectures (dist/x86, dist/x64),
# registers dist/x64/tamsel_handler.dll in a Wine prefix of its own and saves
# each pane as PNG under out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z "${TAMSEL_IN_DISPLAY:-}" ]]; then
  bash scripts/setup.sh
  for arch in x86 x64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
    cmake --install "build/$arch" >/dev/null
  done
  TAMSEL_IN_DISPLAY=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

out=$PWD/out/demo
prefix=$out/prefix
store=$prefix/drive_c/ProgramData/tamsel
samples=$PWD/tests/data/ifc-samples
host=$PWD/build/x64/tools/preview_host/preview_host.exe
python=/usr/bin/python3  # the one with Pillow

winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine() { TAMSEL_WINEPREFIX=$prefix build/x64/wine-run.sh "$@"; }

# show_pane <name> <ifc file>: the pane at 366x422 and resized to 600x300,
# saved as out/demo/<name>.png and out/demo/<name>-600x300.png.
show_pane() {
  local name=$1 file=$2
  wine "$host" "$(winpath "$file")" --size 366x422 --save "$(winpath "$out/$name.png")" \
    --resize 600x300 --save "$(winpath "$out/$name-600x300.png")" >"$out/$name.log"
  echo "  $out/$name.png"
  echo "  $out/$name-600x300.png"
}

# plant_picture <ifc file>: a 512x384 picture stored under the file's Preview
# key, as the viewer plugin would store a rendered view.
plant_picture() {
  mkdir -p "$store"
  "$python" - "$1" "$store" <<'PY'
import hashlib, sys
from PIL import Image, ImageDraw

content = open(sys.argv[1], "rb").read()
key = "".join("0123456789abcdef"[b & 15] for b in hashlib.md5(content + b"Tor Wendal").digest())
w, h = 512, 384
picture = Image.new("RGB", (w, h))
draw = ImageDraw.Draw(picture)
horizon = 250
for y in range(horizon):  # sky, deeper blue at the top
    t = y / horizon
    draw.line([(0, y), (w, y)], fill=(int(60 + 120 * t), int(120 + 90 * t), int(220 + 30 * t)))
draw.rectangle([0, horizon, w, h], fill=(86, 150, 64))
draw.ellipse([400, 30, 460, 90], fill=(255, 220, 80))
draw.rectangle([150, 160, 330, 290], fill=(225, 205, 170), outline=(90, 70, 50), width=3)
draw.polygon([(130, 165), (240, 80), (350, 165)], fill=(170, 60, 45), outline=(90, 40, 30))
draw.rectangle([220, 220, 260, 290], fill=(110, 70, 40))
draw.rectangle([170, 190, 205, 220], fill=(150, 200, 240), outline=(90, 70, 50), width=2)
draw.rectangle([280, 190, 315, 220], fill=(150, 200, 240), outline=(90, 70, 50), width=2)
draw.text((10, h - 24), "planted by scripts/demo.sh", fill=(255, 255, 255))
picture.save(sys.argv[2] + "/" + key, "PNG")
print(key)
PY
}

mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log
bash scripts/wine-prefix.sh "$prefix"
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
wine regsvr32 /s "$(winpath dist/x64/tamsel_handler.dll)"
echo "registered dist/x64/tamsel_handler.dll in $prefix"

echo "no stored picture (the hint), AC20-FZK-Haus.ifc:"
show_pane no-picture "$samples/AC20-FZK-Haus.ifc"

key=$(plant_picture "$samples/SmallModelIfc4.ifc")
printf 'stored picture C:\\ProgramData\\tamsel\\%s, SmallModelIfc4.ifc:\n' "$key"
show_pane stored-picture "$samples/SmallModelIfc4.ifc"
