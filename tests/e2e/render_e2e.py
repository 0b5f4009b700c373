#!/usr/bin/python3
"""The road of a model file without the viewer: tamsel-render renders a
sample into the Wine prefix's Preview store, and the registered preview
handler, driven by preview_host, shows that picture in the pane for the file
and for a byte-identical copy under another name.

render_e2e.py <wine-run.sh> <wine prefix> <preview_host.exe> <tamsel_handler.dll>
              <node> <tamsel-render.js> <samples dir> <work dir>"""
import json
import shutil
import subprocess
import sys
import uuid
from pathlib import Path

from PIL import Image, ImageChops, ImageStat

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from wine_e2e import AREA_LEFT, AREA_MARGIN, AREA_TOP, fitted, run_logged, windows_path  # noqa: E402

PANE = (366, 422)
MEAN_DIFFERENCE = 10  # per channel, between the pane and the picture scaled there


def fail(message):
    sys.exit("render_e2e: " + message)


def main(wine_run, prefix, host, handler, node, renderer, samples, work):
    work = Path(work)
    shutil.rmtree(work, ignore_errors=True)
    (work / "elsewhere").mkdir(parents=True)
    log = work / "wine.log"
    store = Path(prefix) / "drive_c" / "ProgramData" / "tamsel"

    def wine(*args):
        return run_logged(wine_run, *args, log=log)

    # A comment of this run's own gives a key that no other test shares.
    content = (Path(samples) / "AC20-FZK-Haus.ifc").read_bytes() + f"/* render e2e {uuid.uuid4()} */\n".encode()
    model = work / "house.ifc"
    copy = work / "elsewhere" / "the same house, renamed.ifc"
    model.write_bytes(content)
    copy.write_bytes(content)

    run = subprocess.run([node, renderer, "--store", store, "--json", model], capture_output=True, text=True, timeout=300)
    if run.returncode != 0:
        fail(f"tamsel-render exited {run.returncode}: {run.stdout}{run.stderr}")
    result = json.loads(run.stdout)
    stored = store / result["key"]
    if result["status"] != "rendered" or not stored.is_file():
        fail(f"nothing stored: {result}")
    try:
        if wine("regsvr32", "/s", windows_path(handler)) != 0:
            fail("regsvr32 failed")
        picture = Image.open(stored).convert("RGB")
        for shown in (model, copy):
            pane_png = work / f"pane-{shown.stem}.png"
            size = f"{PANE[0]}x{PANE[1]}"
            if wine(host, windows_path(shown), "--size", size, "--save", windows_path(pane_png)) != 0:
                fail(f"preview_host failed on {shown} (see {log})")
            check_pane(pane_png, picture)
    finally:
        wine("regsvr32", "/s", "/u", windows_path(handler))
        stored.unlink(missing_ok=True)
    print("PASS: the rendered picture shows in the pane for the file and its copy")


def check_pane(pane_png, picture):
    pane = Image.open(pane_png).convert("RGB")
    width, height = fitted(picture.width, picture.height,
                           pane.width - 2 * AREA_MARGIN, pane.height - AREA_TOP - AREA_MARGIN)
    shown = pane.crop((AREA_LEFT, AREA_TOP, AREA_LEFT + width, AREA_TOP + height))
    expected = picture.resize((width, height), Image.BILINEAR)
    difference = ImageStat.Stat(ImageChops.difference(shown, expected)).mean
    if max(difference) > MEAN_DIFFERENCE:
        fail(f"{pane_png.name}: the pane differs from the rendered picture by {difference} on average")
    background = pane.getpixel((1, pane.height - 2))
    below = pane.crop((AREA_LEFT, AREA_TOP + height + 3, AREA_LEFT + width, pane.height - AREA_MARGIN))
    if below.height > 0 and set(below.getdata()) != {background}:
        fail(f"{pane_png.name}: something is drawn under the picture")


if __name__ == "__main__":
    if len(sys.argv) != 9:
        sys.exit(__doc__)
    main(*sys.argv[1:])
