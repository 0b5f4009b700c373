#!/usr/bin/python3
"""tamsel.dll in the stand-in viewer, end to end: the viewer's log, the files in
the Preview store (read back with Pillow and pngcheck) and the dialog as the
viewer answers and saves it. The cases of viewer_cases.txt, which the fake
viewer of plugin_host_tests plays too, are the tests test_case_<case>.

standin_e2e.py <wine-run.sh> <standin_viewer.exe> <standin_viewer_partial.exe>
               <tamsel.dll> <wine prefix> <work dir> [unittest arguments]"""
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import uuid
from collections import namedtuple
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from wine_e2e import preview_key, windows_path  # noqa: E402

WINE_RUN = VIEWER = PARTIAL_VIEWER = PLUGIN = PREFIX = STORE = WORK = None
POLICY_KEY = r"HKLM\Software\Policies\Tamsel"
PLUGIN_ID = "7"  # the stand-in viewer's default

SKY, GROUND, INK = (135, 206, 235), (96, 128, 56), (0, 0, 64)
RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
SCENE_COLOURS = {SKY, GROUND, INK, RED, GREEN, BLUE, YELLOW}
PANEL = (214, 228, 240)


class Model:
    """A model file of unique content, and where its preview goes."""

    def __init__(self, folder, name="house.ifc"):
        self.content = f"ISO-10303-21;\n/* {uuid.uuid4()} */\nEND-ISO-10303-21;\n".encode()
        self.path = Path(folder) / name
        self.path.write_bytes(self.content)
        self.key = preview_key(self.content)
        self.preview = STORE / self.key

    def store_files(self):
        return sorted(p.name for p in STORE.glob(self.key + "*")) if STORE.exists() else []

    def remove(self):
        self.path.unlink(missing_ok=True)
        for name in self.store_files():
            (STORE / name).unlink()


def solid_png(path, size, colour):
    STORE.mkdir(parents=True, exist_ok=True)
    Image.new("RGB", size, colour).save(path, "PNG")


Case = namedtuple("Case", "name viewer stored steps calls store")


def read_cases(path):
    """The calls left unlisted and the cases of the table that the fake viewer
    of plugin_host_tests plays too."""
    unused, cases = [], []
    words = lambda column: [] if column == "-" else column.split()
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("unused:"):
            unused = line.removeprefix("unused:").split()
            continue
        name, viewer, stored, steps, calls, store = (column.strip() for column in line.split("|"))
        cases.append(Case(name, words(viewer), stored, words(steps), words(calls), store))
    return unused, cases


UNUSED, CASES = read_cases(Path(__file__).resolve().parent / "viewer_cases.txt")


def call_token(line):
    """A log line as the table writes a call: name(argument,...) without the
    plugin id, the pointers of callbacks and buffers and the result."""
    name, _, rest = line.partition("(")
    arguments, current, quoted, was_quoted = [], "", False, False
    for char in rest:
        if char == '"':
            quoted, was_quoted = not quoted, True
        elif quoted or char not in ",)":
            if quoted or char != " " or current:
                current += char
        else:
            arguments.append(current if was_quoted or current != "null" else "(null)")
            current, was_quoted = "", False
            if char == ")":
                break
    plugin_id, *arguments = arguments
    arguments = [a for a in arguments if a not in ("callback", "buffer", "rect")]
    if plugin_id != PLUGIN_ID:
        arguments.insert(0, f"id={plugin_id}")
    return f"{name}({','.join(arguments)})" if arguments else name


def substitute(call, values):
    return re.sub(r"\{([^}]*)\}", lambda found: values.get(found.group(1), found.group(0)), call)


class StandinTest(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(dir=WORK))
        self.models = []

    def tearDown(self):
        for model in self.models:
            model.remove()
        shutil.rmtree(self.folder, ignore_errors=True)

    def model(self, name="house.ifc"):
        model = Model(self.folder, name)
        self.models.append(model)
        return model

    def run_viewer(self, *actions, viewer=None, view="1000x600", expect_rc=0):
        """Runs the viewer with the actions; returns its log lines."""
        log = self.folder / "viewer.log"
        args = [str(a) for a in actions]
        command = [WINE_RUN, viewer or VIEWER, "--plugin", windows_path(PLUGIN), "--view", view,
                   "--log", windows_path(log)] + args
        done = subprocess.run(command, capture_output=True, text=True, timeout=120)
        lines = log.read_text(encoding="utf-8").splitlines() if log.exists() else []
        self.assertEqual(done.returncode, expect_rc, "\n".join([done.stdout, done.stderr] + lines))
        return lines

    @staticmethod
    def calls(lines, prefix=""):
        return [line for line in lines if not line.startswith("[viewer]") and line.startswith(prefix)]

    def assert_scene_png(self, path, width, height):
        image = Image.open(path)
        self.assertEqual((image.format, image.mode, image.size), ("PNG", "RGB", (width, height)))
        colours = {colour for _, colour in image.getcolors(width * height)}
        self.assertLessEqual(colours, SCENE_COLOURS, "colours the view does not have")
        side = max(1, min(width, height) // 8)
        pixels = image.load()
        corners = {(0, 0): RED, (width - 1, 0): GREEN, (0, height - 1): BLUE, (width - 1, height - 1): YELLOW,
                   (side - 1, side - 1): RED, (width - side, height - side): YELLOW}
        for (x, y), colour in corners.items():
            self.assertEqual(pixels[x, y], colour, f"pixel {x},{y}")
        self.assertEqual(pixels[width // 2, 0], SKY, "top of the picture")
        self.assertEqual(pixels[width // 2, height - 1], GROUND, "bottom of the picture")
        checked = subprocess.run(["pngcheck", "-q", str(path)], capture_output=True, text=True)
        self.assertEqual(checked.returncode, 0, checked.stdout)

    def texts(self, language):
        """What the viewer answers to get_text: the plugin's texts file of the language."""
        lang_file = (PLUGIN.parent / "tamsel_data" / f"lang.{language}").read_text(encoding="utf-8-sig")
        return {key.strip(): value.strip() for key, _, value in
                (line.partition("=") for line in lang_file.splitlines() if not line.lstrip().startswith("#"))}

    def play(self, case):
        """Plays a case of viewer_cases.txt and checks what it names, and what
        this viewer adds: the picture against its scene, and the dialog's place."""
        language = "en"
        settings = []
        for setting in case.viewer:
            key, _, language = setting.partition("=")
            self.assertEqual(key, "lang", setting)
            settings += ["--lang", language]
        model = self.model()
        copy = self.folder / "copy of house.ifc"
        copy.write_bytes(model.content)
        if case.stored == "png":
            solid_png(model.preview, (400, 200), (255, 0, 255))
        elif case.stored == "bytes":
            STORE.mkdir(parents=True, exist_ok=True)
            model.preview.write_bytes(b"keep")
        planted = model.preview.read_bytes() if case.stored != "-" else None

        actions = []
        for step in case.steps:
            if step == "view=unfilled":
                actions.append("--view-unfilled")
            elif step.startswith("view="):
                actions += ["--view-rect", step[5:]]
            elif step.startswith("render="):
                actions.append("--render-" + step[7:])
            elif step in ("load", "copy", "none", "empty"):
                actions += {"load": ["--load", windows_path(model.path)], "copy": ["--load", windows_path(copy)],
                            "none": ["--load-none"], "empty": ["--load", ""]}[step]
            elif step in ("yes", "enter", "no", "close", "escape"):
                actions += ["--answer", step, "--click"]
            else:
                self.fail(f"unknown step {step}")
        lines = self.run_viewer(*settings, *actions)

        if case.steps:
            start = lines.index("[viewer] on_plugin_load returned")
            end = next((i for i, line in enumerate(lines) if line == "[viewer] on_plugin_unload"), len(lines))
        else:
            start = lines.index(f"[viewer] on_plugin_load {PLUGIN_ID}")
            end = lines.index("[viewer] on_plugin_load returned")
        button = next(line for line in lines if line.startswith("create_button(")).rpartition("-> ")[2]
        values = {"button": button, "data": windows_path(PLUGIN.parent / "tamsel_data") + "\\"}
        values.update({f"text:{key}": text for key, text in self.texts(language).items()})
        calls = [call_token(line) for line in self.calls(lines[start + 1:end])]
        self.assertEqual([call for call in calls if call.partition("(")[0] not in UNUSED],
                         [substitute(call, values) for call in case.calls])

        # Each dialog shows at the view's top left, moved in by 50.
        for at, line in enumerate(lines):
            if line.startswith("[viewer] dialog shown at "):
                rect = next(l for l in reversed(lines[:at]) if l.startswith("get_view_rect")).split("-> ")[1]
                left, top = (int(v) for v in rect.split(",")[:2])
                self.assertTrue(line.startswith(f"[viewer] dialog shown at {left + 50},{top + 50},"), line)
        self.assertEqual("[viewer] dialog stays open after escape" in lines, "escape" in case.steps)

        if case.store == "none":
            self.assertEqual(model.store_files(), [])
        elif case.store == "stored":
            self.assertEqual(model.store_files(), [model.key])
            self.assertEqual(model.preview.read_bytes(), planted)
        else:
            width, height = (int(v) for v in case.store.removeprefix("view=").split("x"))
            self.assertEqual(model.store_files(), [model.key])
            self.assert_scene_png(model.preview, width, height)

    def test_dialog_texts_once_colour_and_picture_every_showing(self):
        model = self.model()
        solid_png(model.preview, (400, 200), (255, 0, 255))
        first, second, third = (self.folder / f"{n}.png" for n in ("first", "second", "third"))
        lines = self.run_viewer("--load", windows_path(model.path),
                                "--answer", "no", "--save-dialog", windows_path(first), "--click",
                                "--lang", "de", "--gui-color", "200,100,50",
                                "--answer", "yes", "--save-dialog", windows_path(second), "--click",
                                "--answer", "no", "--save-dialog", windows_path(third), "--click")
        for key in ("lbl_preview", "lbl_question", "btn_yes", "btn_no"):
            self.assertEqual(len(self.calls(lines, f"get_text(7, \"{key}\")")), 1, key)
        self.assertEqual(self.calls(lines, "get_gui_color"), ["get_gui_color(7, 1) -> 15787222"] +
                         ["get_gui_color(7, 1) -> 3302600"] * 2)
        shown = [line for line in lines if line.startswith("[viewer] dialog shown at ")]
        self.assertEqual(len(shown), 3)
        self.assertEqual(len(set(shown)), 1, "the dialog moved between showings")

        # Client area: 217 x 267 inside the frame; background, frame and picture.
        changed = (200, 100, 50)
        for path, background, picture in ((first, PANEL, (255, 0, 255)), (second, changed, (255, 0, 255)),
                                          (third, changed, GROUND)):
            image = Image.open(path).convert("RGB")
            border = (image.width - 217) // 2
            caption = image.height - 267 - border
            self.assertGreater(caption, border)
            pixel = lambda x, y: image.getpixel((border + x, caption + y))
            self.assertEqual(pixel(2, 2), background, path.name)
            self.assertEqual(pixel(8, 29), (0, 0, 0), path.name)
            self.assertEqual(pixel(207, 178), (0, 0, 0), path.name)
            self.assertEqual(pixel(108, 110), picture, path.name)
        # 400 x 200 shows as 200 x 100 at the top; the 512 x 384 view that Yes
        # stored fills the area and is what the third showing reloads.
        self.assertEqual(Image.open(first).convert("RGB").getpixel((border + 108, caption + 150)), PANEL)
        self.assertEqual(Image.open(third).convert("RGB").getpixel((border + 12, caption + 35)), RED)
        self.assert_scene_png(model.preview, 512, 384)

    def team_share(self, server="tamsel-viewer-team"):
        """A folder that Wine serves as \\<server>\share, named by the machine
        policy until the test ends; returns the folder."""
        folder = self.folder / f"share-{server}"
        folder.mkdir()
        link = PREFIX / "dosdevices" / "unc" / server / "share"
        link.parent.mkdir(parents=True, exist_ok=True)
        link.unlink(missing_ok=True)
        link.symlink_to(folder)
        self.addCleanup(link.unlink, missing_ok=True)
        self.set_policy(f"\\\\{server}\\share\\")
        return folder

    def set_policy(self, value):
        subprocess.run([WINE_RUN, "reg", "add", POLICY_KEY, "/v", "TeamStore", "/t", "REG_SZ", "/d", value, "/f"],
                       check=True, capture_output=True)
        self.addCleanup(subprocess.run, [WINE_RUN, "reg", "delete", POLICY_KEY, "/v", "TeamStore", "/f"],
                        capture_output=True)

    def test_team_store_capture_writes_both_copies(self):
        share = self.team_share()
        model = self.model()
        lines = self.run_viewer("--load", windows_path(model.path))
        self.assertEqual(len(self.calls(lines, "render_screenshot")), 1)
        self.assertEqual(model.store_files(), [model.key])
        self.assertEqual([p.name for p in share.iterdir()], [model.key])
        self.assert_scene_png(model.preview, 512, 384)
        self.assertEqual((share / model.key).read_bytes(), model.preview.read_bytes())

    def test_team_copy_alone_stops_the_capture_shows_in_the_dialog_and_yes_replaces_both(self):
        share = self.team_share()
        model = self.model()
        solid_png(share / model.key, (400, 200), (255, 0, 255))
        shown = self.folder / "dialog.png"
        lines = self.run_viewer("--load", windows_path(model.path),
                                "--answer", "no", "--save-dialog", windows_path(shown), "--click",
                                "--answer", "yes", "--click")
        self.assertEqual(self.calls(lines, "render_screenshot"), ["render_screenshot(7, 512, 384, buffer) -> 1"],
                         "only Yes renders")
        image = Image.open(shown).convert("RGB")
        border = (image.width - 217) // 2
        caption = image.height - 267 - border
        self.assertEqual(image.getpixel((border + 108, caption + 70)), (255, 0, 255), "the team picture")
        self.assertEqual(model.store_files(), [model.key])
        self.assertEqual([p.name for p in share.iterdir()], [model.key])
        for picture in (model.preview, share / model.key):
            self.assert_scene_png(picture, 512, 384)

    def test_read_only_or_missing_share_leaves_the_local_capture_and_nothing_half_written(self):
        for case in ("missing", "read-only"):
            with self.subTest(case=case):
                if case == "missing":
                    share = None
                    self.set_policy("\\\\tamsel-nosuch\\share\\")
                else:
                    share = self.team_share()
                    # Wine ignores permission bits for root; the immutable flag holds.
                    if subprocess.run(["chattr", "+i", str(share)], capture_output=True).returncode != 0:
                        self.skipTest("no immutable flag on this file system")
                    self.addCleanup(subprocess.run, ["chattr", "-i", str(share)], capture_output=True)
                model = self.model(f"model_{case}.ifc")
                self.run_viewer("--load", windows_path(model.path))
                self.assertEqual(model.store_files(), [model.key])
                self.assert_scene_png(model.preview, 512, 384)
                if share:
                    self.assertEqual(list(share.iterdir()), [])

    def test_viewer_without_view_rect_and_render_writes_nothing(self):
        model = self.model()
        lines = self.run_viewer("--load", windows_path(model.path), "--click", viewer=PARTIAL_VIEWER)
        self.assertIn("enable_button(7, 101, 1)", lines)
        self.assertEqual(model.store_files(), [])
        # Without clicked_button the click names no button: no dialog (none was planned).
        self.assertFalse([line for line in lines if "dialog shown" in line])


for _case in CASES:
    setattr(StandinTest, f"test_case_{_case.name}", lambda self, case=_case: self.play(case))


def main():
    global WINE_RUN, VIEWER, PARTIAL_VIEWER, PLUGIN, PREFIX, STORE, WORK
    WINE_RUN, VIEWER, PARTIAL_VIEWER = sys.argv[1:4]
    PLUGIN = Path(sys.argv[4])
    PREFIX = Path(sys.argv[5])
    STORE = PREFIX / "drive_c" / "ProgramData" / "tamsel"
    WORK = Path(sys.argv[6])
    WORK.mkdir(parents=True, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[7:], verbosity=2)


if __name__ == "__main__":
    main()
