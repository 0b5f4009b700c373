#!/usr/bin/python3
"""The road of one model file through both deliverables: the viewer plugin,
inside the stand-in viewer, stores a preview when the model is loaded; the
registered preview handler, driven by preview_host, shows that picture for any
byte-identical copy of the file and the hint for a copy with changed bytes.

road_e2e.py <wine-run.sh> <wine prefix> <standin_viewer.exe> <tamsel.dll>
            <preview_host.exe> <tamsel_handler.dll> <samples dir> <work dir>
            [unittest arguments]

The Preview key is worked out here from the file's bytes, independently of
the product's code."""
import shutil
import sys
import tempfile
import unittest
import uuid
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from wine_e2e import AREA_LEFT, AREA_MARGIN, AREA_TOP, fitted, preview_key, run_logged, windows_path  # noqa: E402

WINE_RUN = PREFIX = VIEWER = PLUGIN = HOST = HANDLER = SAMPLES = WORK = STORE = None

# The stand-in viewer's scene and the preview pane's geometry.
SKY, GROUND = (135, 206, 235), (96, 128, 56)
RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
PICTURE_COLOURS = (SKY, GROUND, RED, GREEN, BLUE, YELLOW)
TOLERANCE = 8  # the picture is scaled when drawn


def wine(*args, log):
    return run_logged(WINE_RUN, *args, log=log)


def near(colour, expected):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(colour, expected))


class RoadTest(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(dir=WORK))
        self.log = self.folder / "wine.log"
        self.keys = []

    def tearDown(self):
        for key in self.keys:
            (STORE / key).unlink(missing_ok=True)
        shutil.rmtree(self.folder, ignore_errors=True)

    def model(self, content, path):
        """Writes a model file; returns where its preview is stored, which is
        removed after the test."""
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
        key = preview_key(content)
        self.keys.append(key)
        return STORE / key

    def new_model(self, content, path):
        stored = self.model(content, path)
        self.assertFalse(stored.exists(), f"a preview is already stored for {path.name}")
        return stored

    def unique_sample(self):
        """A real sample with a comment line of this run's own, so no other run shares its key."""
        sample = (SAMPLES / "AC20-FZK-Haus.ifc").read_bytes()
        return sample + f"/* road test {uuid.uuid4()} */\n".encode()

    def view_in_viewer(self, model, *actions, view="1000x600"):
        viewer_log = self.folder / "viewer.log"
        rc = wine(VIEWER, "--plugin", windows_path(PLUGIN), "--view", view, "--log", windows_path(viewer_log),
                  "--load", windows_path(model), *actions, log=self.log)
        self.assertEqual(rc, 0, viewer_log.read_text(encoding="utf-8") if viewer_log.exists() else "no log")

    def panes(self, model, *sizes):
        """The preview pane of the model at each size, saved by preview_host; their paths."""
        arguments, saved = [], []
        for i, size in enumerate(sizes):
            saved.append(self.folder / f"{model.stem}-{size}.png")
            arguments += ["--size" if i == 0 else "--resize", size, "--save", windows_path(saved[-1])]
        rc = wine(HOST, windows_path(model), *arguments, log=self.log)
        self.assertEqual(rc, 0, self.log.read_text(errors="replace"))
        return saved

    def assert_stored_picture(self, stored, size):
        self.assertTrue(stored.is_file(), f"no preview stored under {stored.name}")
        with Image.open(stored) as picture:
            self.assertEqual((picture.format, picture.size), ("PNG", size))

    def assert_pane_shows_picture(self, png, picture_size):
        """The stored scene, upright, fitted into the image area's top-left corner."""
        pane = Image.open(png).convert("RGB")
        area = (pane.width - 2 * AREA_MARGIN, pane.height - AREA_TOP - AREA_MARGIN)
        width, height = fitted(*picture_size, *area)
        left, top, right, bottom = AREA_LEFT, AREA_TOP, AREA_LEFT + width - 1, AREA_TOP + height - 1
        inset = 3
        points = {
            "top-left square": ((left + inset, top + inset), RED),
            "top-right square": ((right - inset, top + inset), GREEN),
            "bottom-left square": ((left + inset, bottom - inset), BLUE),
            "bottom-right square": ((right - inset, bottom - inset), YELLOW),
            "sky": ((left + width // 2, top + inset), SKY),
            "ground": ((left + width // 2, bottom - inset), GROUND),
        }
        background = pane.getpixel((1, pane.height - 2))
        if right + inset < pane.width - AREA_MARGIN:
            points["right of the picture"] = ((right + inset, top + height // 2), background)
        if bottom + inset < pane.height - AREA_MARGIN:
            points["under the picture"] = ((left + width // 2, bottom + inset), background)
        for what, (point, expected) in points.items():
            self.assertTrue(near(pane.getpixel(point), expected),
                            f"{png.name}: {what} at {point} is {pane.getpixel(point)}, expected {expected}")

    def assert_pane_shows_hint(self, png):
        """No picture: the image area is the background alone, no colour of the scene anywhere."""
        pane = Image.open(png).convert("RGB")
        background = pane.getpixel((1, pane.height - 2))
        area = pane.crop((AREA_LEFT, AREA_TOP, pane.width - AREA_MARGIN, pane.height - AREA_MARGIN))
        colours = {colour for _, colour in area.getcolors(area.width * area.height)}
        self.assertTrue(colours == {background},
                        f"{png.name}: {len(colours)} colours in the image area, e.g. {sorted(colours)[:3]}")
        found = {colour for _, colour in pane.getcolors(pane.width * pane.height)}
        self.assertFalse(found & set(PICTURE_COLOURS), f"{png.name}: picture colours in the pane")

    def test_preview_stored_by_the_viewer_shows_for_identical_bytes_only(self):
        content = self.unique_sample()
        opened = self.folder / "opened" / f"model-{uuid.uuid4().hex}.ifc"
        stored = self.new_model(content, opened)
        self.view_in_viewer(opened)
        self.assert_stored_picture(stored, (512, 384))

        copy = self.folder / "elsewhere" / "copy under another name.ifc"
        self.model(content, copy)
        for png in self.panes(copy, "366x422", "600x300"):
            self.assert_pane_shows_picture(png, (512, 384))

        changed_content = bytearray(content)
        changed_content[len(content) // 2] ^= 0x01
        changed = self.folder / "elsewhere" / "changed.ifc"
        changed_stored = self.new_model(bytes(changed_content), changed)
        self.assert_pane_shows_hint(*self.panes(changed, "366x422"))
        self.assertFalse(changed_stored.exists(), "the handler wrote to the store")

    def test_preview_replaced_in_the_viewer_shows_in_the_pane(self):
        content = self.unique_sample()
        opened = self.folder / "house.ifc"
        stored = self.new_model(content, opened)
        self.view_in_viewer(opened)
        # The same bytes under another name, in a view of other proportions: the
        # button replaces the stored picture once the user agrees.
        copy = self.folder / "elsewhere" / "house copy.ifc"
        self.model(content, copy)
        self.view_in_viewer(copy, "--answer", "yes", "--click", view="400x200")
        self.assert_stored_picture(stored, (400, 200))
        self.assert_pane_shows_picture(*self.panes(opened, "366x422"), (400, 200))


def main():
    global WINE_RUN, PREFIX, VIEWER, PLUGIN, HOST, HANDLER, SAMPLES, WORK, STORE
    WINE_RUN, PREFIX, VIEWER, PLUGIN, HOST, HANDLER, SAMPLES, WORK = map(Path, sys.argv[1:9])
    STORE = PREFIX / "drive_c" / "ProgramData" / "tamsel"
    WORK.mkdir(parents=True, exist_ok=True)
    registration_log = WORK / "regsvr32.log"
    if wine("regsvr32", "/s", windows_path(HANDLER), log=registration_log) != 0:
        sys.exit(f"regsvr32 {HANDLER} failed")
    try:
        result = unittest.main(argv=[sys.argv[0]] + sys.argv[9:], verbosity=2, exit=False).result
    finally:
        wine("regsvr32", "/s", "/u", windows_path(HANDLER), log=registration_log)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
