#!/usr/bin/python3
"""The MSI under wine64's msiexec, each scenario in a fresh Wine prefix of its
own (made by scripts/wine-prefix.sh, removed afterwards).

installer_test.py <wine-run.sh> <wine-prefix.sh> <dist folder> <version>
                  <build_msi.sh> <tamsel_msi_actions.dll> <preview_host.exe>
                  <thumbnail_host.exe> <samples folder> <work folder> [unittest arguments]

<dist folder> holds what scripts/package.sh made: x86/, x64/ and
Tamsel-<version>-x64.msi."""
import getpass
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))
import pane_check  # noqa: E402
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from wine_e2e import windows_path  # noqa: E402
from PIL import Image  # noqa: E402
from snapshots import (INSTALLER_BOOKKEEPING, Registry, file_digest, folder_differences, folder_snapshot,  # noqa: E402
                       hex_string)

WINE_RUN = MAKE_PREFIX = DIST = VERSION = BUILD_MSI = ACTIONS = HOST = THUMBNAIL_HOST = SAMPLES = WORK = None

HANDLER_CLASS = "{3C994A91-448B-42B9-814C-B427301F3DAA}"
HANDLER_APPID = "{95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}"
PREVIEW_HOST_32_APPID = "{534A1E02-D58F-44F0-B58B-36CBED287C7C}"
HKLM, HKCU = "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
CLASSES = HKLM + r"\Software\Classes"
SETTINGS = HKLM + r"\Software\Tamsel"  # what the package remembers for upgrades and uninstalls
USER_SETTINGS = HKCU + r"\Software\Tamsel"
POLICY = HKLM + r"\Software\Policies\Tamsel"  # the team store's machine policy
TEAM_STORE = "\\\\server\\share\\tamsel\\"
UNINSTALL = HKLM + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PE_MACHINE = {0x14C: "x86", 0x8664: "x64"}
MACHINE_HANDLER = r"C:\Program Files\Tamsel\tamsel_handler.dll"
USER_LOCAL = rf"C:\users\{getpass.getuser()}\AppData\Local"
USER_HANDLER = USER_LOCAL + r"\Tamsel\tamsel_handler.dll"
PROGID = "TamselTest.Model"  # a programmatic identifier that .ifc is bound to


def exported_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def bind_ifc(prefix, progid=PROGID):
    """Binds .ifc to a programmatic identifier, as a viewer's install does."""
    for key, value in ((rf"HKCR\{progid}", "IFC model"), (r"HKCR\.ifc", progid)):
        if prefix.run("reg", "add", key, "/ve", "/d", value, "/f") != 0:
            raise AssertionError(f"reg add {key} failed; see {prefix.log}")


def policy_lines(lines):
    """Lines of keys and values under Software\\Policies, in either view (the two share it)."""
    return [line for line in lines if "\\policies\\" in line.lower().split("=", 1)[0]]


def view_64(lines):
    return [line for line in lines if "\\wow6432node" not in line.lower()]


def view_32_classes(lines):
    """The 32-bit view's class entries, without AppID keys (Wine, like Windows,
    shares AppID between the views), named as in the 64-bit view."""
    prefix = HKLM + r"\Software\Wow6432Node" + "\\"
    return sorted((HKLM + r"\Software" + "\\" + line[len(prefix):] for line in lines
                   if line.lower().startswith(prefix.lower()) and "\\appid\\" not in line.lower()), key=str.lower)


def plugin_data_files(arch):
    """The names in dist/<arch>/tamsel_data: what the plugin's install rules put there."""
    return sorted(path.name for path in (Path(DIST) / arch / "tamsel_data").iterdir())


def file_version(path):
    """FILEVERSION of a DLL's version resource (VS_FIXEDFILEINFO), as "a.b.c.d"."""
    data = Path(path).read_bytes()
    at = data.find((0xFEEF04BD).to_bytes(4, "little"))
    if at < 0:
        return None
    high, low = (int.from_bytes(data[at + 8 + 4 * i:at + 12 + 4 * i], "little") for i in range(2))
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def pe_machine(path):
    data = Path(path).read_bytes()
    offset = int.from_bytes(data[0x3C:0x40], "little")
    return PE_MACHINE.get(int.from_bytes(data[offset + 4:offset + 6], "little"), "other")


class Prefix:
    """A fresh Wine prefix with its own persistent wineserver."""

    def __init__(self, folder):
        self.folder = folder
        self.log = folder.parent / (folder.name + ".log")
        subprocess.run(["bash", MAKE_PREFIX, str(folder)], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        self.drive_c = folder / "drive_c"
        self.store = self.drive_c / "ProgramData" / "tamsel"

    def close(self):
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env={**os.environ, "WINEPREFIX": str(self.folder)},
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, *args):
        """Exit status of a Windows program; its output (and that of Wine's helper
        processes, which outlive it) goes to the prefix's log."""
        with open(self.log, "ab") as out:
            out.write(f"\n$ {' '.join(map(str, args))}\n".encode())
            out.flush()
            return subprocess.run([WINE_RUN, *map(str, args)], stdout=out, stderr=out, stdin=subprocess.DEVNULL,
                                  env={**os.environ, "TAMSEL_WINEPREFIX": str(self.folder)},
                                  timeout=240).returncode

    def msiexec(self, *args):
        """Exit status of a silent msiexec run; its log is kept in last_msi_log and the prefix's log."""
        msi_log = self.folder.parent / "msiexec.log"
        rc = self.run("msiexec", *args, "/qn", "/l*v", windows_path(msi_log))
        self.last_msi_log = msi_log.read_bytes() if msi_log.exists() else b""
        with open(self.log, "ab") as out:
            out.write(self.last_msi_log)
        msi_log.unlink(missing_ok=True)
        return rc

    def registry(self):
        texts = []
        for root in ("HKLM", "HKCU"):
            export = self.folder.parent / f"{root}.reg"
            if self.run("reg", "export", root, windows_path(export), "/y") != 0:
                raise AssertionError(f"reg export {root} failed; see {self.log}")
            texts.append(export.read_bytes().decode("utf-16"))
            export.unlink()
        return Registry.parse(*texts)

    def files(self, *extra):
        return folder_snapshot(self.drive_c / "Program Files", self.drive_c / "Program Files (x86)",
                               self.drive_c / "ProgramData", *extra)

    def path(self, windows):
        """The Unix path of a C:\\ path."""
        return self.drive_c.joinpath(*windows[3:].split("\\"))


class InstallerTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.work = Path(tempfile.mkdtemp(dir=WORK))
        self.prefixes = []
        self.msi = Path(DIST) / f"Tamsel-{VERSION}-x64.msi"
        self.user_msi = Path(DIST) / f"Tamsel-{VERSION}-x64-user.msi"
        for msi in (self.msi, self.user_msi):
            self.assertTrue(msi.is_file(), f"{msi} is missing: scripts/package.sh builds it")

    def tearDown(self):
        # The prefixes go (about 700 MB each); the logs beside them stay for a failure to be read.
        for prefix in self.prefixes:
            prefix.close()

    def fresh_prefix(self, name):
        prefix = Prefix(self.work / name)
        self.prefixes.append(prefix)
        return prefix

    def assert_installs(self, prefix, *args, msi=None):
        rc = prefix.msiexec("/i", windows_path(msi or self.msi), *args)
        self.assertEqual(rc, 0, f"msiexec /i {' '.join(args)} exited {rc}; see {prefix.log}")
        self.assert_shell_told(prefix)

    def assert_uninstalls(self, prefix, msi=None):
        rc = prefix.msiexec("/x", windows_path(msi or self.msi))
        self.assertEqual(rc, 0, f"msiexec /x exited {rc}; see {prefix.log}")
        self.assert_shell_told(prefix)

    def assert_shell_told(self, prefix):
        """The custom action that tells Explorer of changed associations ran and succeeded."""
        self.assertRegex(prefix.last_msi_log, rb"Action ended [0-9:]+: NotifyAssociationsChanged\. Return value 1\.",
                         f"no association change notice; see {prefix.log}")

    def assert_unchanged(self, before_registry, before_files, prefix, *extra, when):
        registry_changes = prefix.registry().differences(before_registry)
        self.assertEqual(registry_changes, [], f"registry {when}")
        self.assertEqual(folder_differences(before_files, prefix.files(*extra)), [], f"files {when}")

    def installed_products(self, registry):
        return sorted(registry.value(path, "DisplayVersion") for lowered, (path, values) in registry.keys.items()
                      if lowered.startswith(UNINSTALL.lower() + "\\")
                      and registry.value(path, "DisplayName") == exported_string("Tamsel"))

    @staticmethod
    def dist_files(arch, prefix, folder, plugin=False):
        """What the install puts into `folder` (a C:\\ path) from dist/<arch>: path -> file_digest."""
        names = ["tamsel.dll", "tamsel_data", *(f"tamsel_data/{name}" for name in plugin_data_files(arch))]
        target = prefix.path(folder)
        files = {str(target / name): file_digest(Path(DIST) / arch / name)
                 for name in (names if plugin else ["tamsel_handler.dll"])}
        return {str(target): "folder", **files}

    def reference_layouts(self):
        """What the DLL's own registration writes in a fresh prefix, for the
        paths the MSIs install it at, as Registry.added_since lines (no
        installer bookkeeping): "machine" (regsvr32 /n /i, the 64-bit view),
        "machine progid" (the same with .ifc bound to PROGID) and "user"
        (regsvr32 /n /i:user). Worked out once for each build of the DLL (and of this test)."""
        dll = Path(DIST) / "x64" / "tamsel_handler.dll"
        cache = Path(WORK) / f"reference-{file_digest(dll)[:12]}-{file_digest(Path(__file__))[:12]}.json"
        if cache.exists():
            return json.loads(cache.read_text())
        prefix = self.fresh_prefix("reference")
        for path in (MACHINE_HANDLER, USER_HANDLER):
            prefix.path(path).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(dll, prefix.path(path))

        def registered(path, *options):
            before = prefix.registry()
            rc = prefix.run("regsvr32", "/s", *options, path)
            self.assertEqual(rc, 0, f"regsvr32 {' '.join(options)} exited {rc}; see {prefix.log}")
            return view_64(prefix.registry().added_since(before, INSTALLER_BOOKKEEPING))

        layouts = {"machine": registered(MACHINE_HANDLER, "/n", "/i"), "user": registered(USER_HANDLER, "/n", "/i:user")}
        for path, mode in ((MACHINE_HANDLER, "/i"), (USER_HANDLER, "/i:user")):
            self.assertEqual(prefix.run("regsvr32", "/s", "/u", "/n", mode, path), 0)
        bind_ifc(prefix)
        layouts["machine progid"] = registered(MACHINE_HANDLER, "/n", "/i")
        prefix.close()
        self.prefixes.remove(prefix)
        cache.write_text(json.dumps(layouts, indent=1))
        return layouts

    def older_msi(self, version="0.0.1"):
        """The same files as an MSI of another version, by default one lower than any release."""
        msi = self.work / f"Tamsel-{version}-x64-rebuilt.msi"
        subprocess.run(["bash", BUILD_MSI, version, DIST, ACTIONS, str(msi)], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        return msi

    def assert_files_added(self, before, after, expected):
        """Exactly the expected files and folders are new, with the expected content."""
        self.assertEqual(folder_differences(before, after), sorted(f"+ {path}" for path in expected))
        self.assertEqual({path: after[path] for path in expected}, expected)

    def plant_picture(self, prefix, store=None, sample="SmallModelIfc4.ifc"):
        """A sample model with a picture in a store (the Preview store by default); returns the model and the picture."""
        model = self.work / sample
        model.write_bytes((Path(SAMPLES) / sample).read_bytes())
        store = store or prefix.store
        store.mkdir(parents=True, exist_ok=True)
        picture = store / pane_check.preview_key(model)
        pane_check.plant(picture)
        return model, picture

    def share_team_store(self, prefix):
        """TEAM_STORE as a share of the prefix (Wine's UNC folder); returns its Unix folder."""
        unc = prefix.folder / "dosdevices" / "unc" / "server"
        unc.mkdir(parents=True, exist_ok=True)
        (self.work / "share").mkdir()
        (unc / "share").symlink_to(self.work / "share")
        return self.work / "share" / "tamsel"

    def add_policy(self, prefix, kind, value):
        """A team store policy value as an administrator sets it, besides the installer."""
        rc = prefix.run("reg", "add", POLICY.replace(HKLM, "HKLM"), "/v", "TeamStore", "/t", kind, "/d", value, "/f")
        self.assertEqual(rc, 0, f"reg add {POLICY} failed; see {prefix.log}")

    def assert_pane_shows_picture(self, prefix, model):
        png = self.work / "pane.png"
        rc = prefix.run(HOST, windows_path(model), "--save", windows_path(png))
        self.assertEqual(rc, 0, f"preview_host exited {rc}; see {prefix.log}")
        try:
            pane_check.check_picture(png, 8, 89, 350, 262)  # the 512x384 picture fitted into the 366x422 pane
        except SystemExit as failure:
            self.fail(str(failure))

    def assert_thumbnail_shows_picture(self, prefix, model):
        """The thumbnail provider that the registry names gives the stored picture, fitted into 256 x 256."""
        png = self.work / "thumbnail.png"
        rc = prefix.run(THUMBNAIL_HOST, windows_path(model), "256", windows_path(png))
        self.assertEqual(rc, 0, f"thumbnail_host exited {rc}; see {prefix.log}")
        self.assertIn(b"thumbnail=256x192 alpha=1", prefix.log.read_bytes(),  # WTSAT_RGB: previews are opaque
                      f"no 256 x 192 opaque thumbnail; see {prefix.log}")
        with Image.open(png) as thumbnail:
            picture = thumbnail.convert("RGB")
        self.assertEqual(picture.size, (256, 192))
        # Sky above ground, each checked well inside its half (scaling blends the border).
        for y, expected in ((8, pane_check.SKY), (80, pane_check.SKY), (112, pane_check.GROUND),
                            (184, pane_check.GROUND)):
            for x in (8, 128, 247):
                self.assertTrue(pane_check.near(picture.getpixel((x, y)), expected),
                                f"thumbnail at {(x, y)} is {picture.getpixel((x, y))}, expected {expected}")

    def test_install_upgrade_and_uninstall(self):
        reference_layout = self.reference_layouts()["machine"]
        prefix = self.fresh_prefix("install")
        model, picture = self.plant_picture(prefix)
        picture_bytes = picture.read_bytes()
        before_registry, before_files = prefix.registry(), prefix.files()

        # A team store at install, another one given to the upgrade; the rebuild below repeats neither.
        old_team_store = r"\\oldserver\tamsel"
        self.assert_installs(prefix, f"TEAMSTORE={old_team_store}", msi=self.older_msi())
        registry = prefix.registry()
        self.assertEqual(self.installed_products(registry), [exported_string("0.0.1")])
        self.assertEqual(registry.value(POLICY, "TeamStore"), exported_string(old_team_store), "REG_SZ, as given")
        self.assert_installs(prefix, f"TEAMSTORE={TEAM_STORE}")

        self.assertEqual(self.installed_products(prefix.registry()), [exported_string(VERSION)],
                         "one product, the new one")
        # A rebuild of the same version is a product of its own, and replaces it too.
        self.assert_installs(prefix, msi=self.older_msi(VERSION))
        # An older version over a newer one is refused.
        self.assertNotEqual(prefix.msiexec("/i", windows_path(self.older_msi())), 0, "a downgrade was accepted")
        registry = prefix.registry()
        self.assertEqual(self.installed_products(registry), [exported_string(VERSION)], "one product after a rebuild")
        plugin_dir = r"C:\Program Files (x86)\Kelvarrion\plugins\tamsel"
        expected_files = {**self.dist_files("x64", prefix, r"C:\Program Files\Tamsel"),
                          **self.dist_files("x86", prefix, r"C:\Program Files (x86)\Tamsel"),
                          **self.dist_files("x86", prefix, plugin_dir, plugin=True),
                          str(prefix.path(r"C:\Program Files (x86)\Kelvarrion")): "folder",
                          str(prefix.path(r"C:\Program Files (x86)\Kelvarrion\plugins")): "folder"}
        self.assert_files_added(before_files, prefix.files(), expected_files)

        added = registry.added_since(before_registry, INSTALLER_BOOKKEEPING + (SETTINGS,))
        policy = policy_lines(added)
        self.assertEqual(view_64(policy), [POLICY, rf"{POLICY}\TeamStore={exported_string(TEAM_STORE)}"],
                         "the upgrade's team store, kept over the rebuild, and nothing else of policy")
        added = [line for line in added if line not in policy]
        x86_handler = r"C:\Program Files (x86)\Tamsel\tamsel_handler.dll"
        self.assertEqual(view_64(added), reference_layout, "the 64-bit view against the DLL's own registration")
        expected_32 = [line.replace(exported_string(MACHINE_HANDLER), exported_string(x86_handler))
                       .replace(f"AppID={exported_string(HANDLER_APPID)}",
                                f"AppID={exported_string(PREVIEW_HOST_32_APPID)}")
                       for line in reference_layout if "\\appid\\" not in line.lower()]
        self.assertEqual(view_32_classes(added), expected_32, "the 32-bit view: the x86 build and its host")
        surrogate = registry.value(CLASSES + r"\AppID" + "\\" + HANDLER_APPID, "DllSurrogate")
        self.assertTrue(surrogate.startswith("hex(2):"), f"DllSurrogate is not REG_EXPAND_SZ: {surrogate}")
        self.assertEqual(hex_string(surrogate), r"%SystemRoot%\system32\prevhost.exe")  # so it is compared

        self.assert_pane_shows_picture(prefix, model)
        self.assert_thumbnail_shows_picture(prefix, model)
        # The handler reads the policy that the installer wrote: a picture of other bytes, only in the
        # team store, shows.
        team_model, _ = self.plant_picture(prefix, self.share_team_store(prefix), "FormallyIllegalFile.ifc")
        self.assert_pane_shows_picture(prefix, team_model)

        self.assert_uninstalls(prefix)
        self.assert_unchanged(before_registry, before_files, prefix, when="after the uninstall")
        self.assertEqual(picture.read_bytes(), picture_bytes, "the stored picture")

    def test_plugin_folder_and_features(self):
        prefix = self.fresh_prefix("choices")
        model, picture = self.plant_picture(prefix)
        blocker = prefix.path(r"C:\blocker")
        blocker.write_text("a file where the plugin folder would go\n")
        viewer = prefix.path(r"C:\Other Viewer")
        # Group Policy's team store: installs without TEAMSTORE neither change nor remove it.
        group_policy = r"%LOGONSERVER%\tamsel"
        self.add_policy(prefix, "REG_EXPAND_SZ", group_policy)
        before_registry, before_files = prefix.registry(), prefix.files(viewer)

        for bad in (r"PLUGINDIR=C:\blocker\plugins", r"PLUGINDIR=C:\blocker", "PLUGINARCH=arm64",
                    r"TEAMSTORE=tamsel\team", "TEAMSTORE=C:team"):
            rc = prefix.msiexec("/i", windows_path(self.msi), bad)
            self.assertNotEqual(rc, 0, f"{bad} was accepted")
            self.assert_unchanged(before_registry, before_files, prefix, viewer, when=f"after {bad} was refused")
        log = prefix.log.read_bytes()
        self.assertIn(rb"C:\blocker is a file", log, f"no reason given in {prefix.log}")
        self.assertIn(rb"TEAMSTORE tamsel\team is not an absolute folder path", log, f"no reason given in {prefix.log}")

        # .ifc bound to a programmatic identifier: the handler's slots go there,
        # and the uninstall removes them there even after .ifc was bound anew.
        reference_layout = self.reference_layouts()["machine progid"]
        bind_ifc(prefix)
        bound_registry = prefix.registry()
        self.assert_installs(prefix, "ADDLOCAL=Handler")
        expected = {**self.dist_files("x64", prefix, r"C:\Program Files\Tamsel"),
                    **self.dist_files("x86", prefix, r"C:\Program Files (x86)\Tamsel")}
        self.assert_files_added(before_files, prefix.files(viewer), expected)
        registry = prefix.registry()
        self.assertIsNone(registry.value(SETTINGS, "PluginDir"))
        self.assertEqual(view_64(registry.added_since(bound_registry, INSTALLER_BOOKKEEPING + (SETTINGS,))),
                         reference_layout, "against the DLL's own registration with .ifc bound")
        self.assert_pane_shows_picture(prefix, model)
        bind_ifc(prefix, "TamselTest.Other")
        self.assert_uninstalls(prefix)
        self.assertEqual(prefix.run("reg", "delete", r"HKCR\TamselTest.Other", "/f"), 0)
        bind_ifc(prefix)
        self.assert_unchanged(bound_registry, before_files, prefix, viewer, when="after removing the handler")
        for key in (rf"HKCR\{PROGID}", r"HKCR\.ifc"):
            self.assertEqual(prefix.run("reg", "delete", key, "/f"), 0)

        # A folder that does not exist, two levels below one that does not
        # either; an upgrade keeps the folder and build the older install was
        # told. (Wine's msiexec does not carry feature choices over an upgrade.)
        plugin_dir = r"C:\Other Viewer\extensions\tamsel"
        self.assert_installs(prefix, f"PLUGINDIR={plugin_dir}", "PLUGINARCH=x64", "ADDLOCAL=Plugin",
                             msi=self.older_msi())
        self.assert_installs(prefix, "ADDLOCAL=Plugin")
        expected = {**self.dist_files("x64", prefix, plugin_dir, plugin=True),
                    str(prefix.path(r"C:\Other Viewer")): "folder",
                    str(prefix.path(r"C:\Other Viewer\extensions")): "folder"}
        self.assert_files_added(before_files, prefix.files(viewer), expected)
        self.assertEqual(pe_machine(prefix.path(plugin_dir + r"\tamsel.dll")), "x64")
        registry = prefix.registry()
        self.assertEqual(registry.value(SETTINGS, "PluginDir"), exported_string(plugin_dir + "\\"))
        self.assertEqual(policy_lines(registry.added_since(before_registry, INSTALLER_BOOKKEEPING)), [],
                         "policy written without TEAMSTORE")
        self.assertEqual(hex_string(registry.value(POLICY, "TeamStore")), group_policy, "Group Policy's value")
        self.assertIsNone(registry.value(CLASSES + r"\CLSID" + "\\" + HANDLER_CLASS))
        self.assert_uninstalls(prefix)
        self.assert_unchanged(before_registry, before_files, prefix, viewer, when="after removing the plugin")
        self.assertTrue(picture.is_file())

    def test_per_user_install_and_uninstall(self):
        reference_layout = self.reference_layouts()["user"]
        prefix = self.fresh_prefix("user")
        local = USER_LOCAL
        before_registry, before_files = prefix.registry(), prefix.files(prefix.path(local))

        # One user cannot set machine policy: refused, not ignored.
        self.assertNotEqual(prefix.msiexec("/i", windows_path(self.user_msi), f"TEAMSTORE={TEAM_STORE}"), 0)
        self.assert_unchanged(before_registry, before_files, prefix, prefix.path(local), when="after TEAMSTORE was refused")

        self.assert_installs(prefix, msi=self.user_msi)
        expected = {**self.dist_files("x64", prefix, local + r"\Tamsel"),
                    **self.dist_files("x86", prefix, local + r"\Kelvarrion\plugins\tamsel", plugin=True),
                    str(prefix.path(local + r"\Kelvarrion")): "folder",
                    str(prefix.path(local + r"\Kelvarrion\plugins")): "folder"}
        self.assert_files_added(before_files, prefix.files(prefix.path(local)), expected)
        added = prefix.registry().added_since(before_registry, INSTALLER_BOOKKEEPING + (USER_SETTINGS,))
        self.assertEqual(added, reference_layout,
                         "against the DLL's own registration for one user, and nothing for all users")

        self.assert_uninstalls(prefix, msi=self.user_msi)
        self.assert_unchanged(before_registry, before_files, prefix, prefix.path(local), when="after the uninstall")

    def test_package_tables_summary_and_versions(self):
        for msi, subject in ((self.msi, f"Tamsel {VERSION}"), (self.user_msi, f"Tamsel for one user {VERSION}")):
            tables = subprocess.run(["msiinfo", "tables", str(msi)], capture_output=True, text=True, check=True)
            for table in tables.stdout.split():
                export = subprocess.run(["msiinfo", "export", str(msi), table], capture_output=True, text=True,
                                        cwd=self.work)  # binary streams land in ./Binary
                self.assertEqual((export.returncode, export.stderr), (0, ""), f"{msi.name}: table {table}")
            summary = self.msiinfo("suminfo", msi)
            self.assertIn(f"Subject: {subject}\n", summary)
            self.assertIn("Template: x64;1033\n", summary)
        self.assertIn("DllSurrogate\t#%%SystemRoot%", self.msiinfo("export", self.msi, "Registry"))
        # The plugin's data folder as the install rules fill it, in both packages (which ship the x86 copy).
        self.assertEqual(plugin_data_files("x64"), plugin_data_files("x86"))
        for msi in (self.msi, self.user_msi):
            self.assertEqual(self.component_files(msi, "PluginData"), plugin_data_files("x86"),
                             f"{msi.name}: the plugin's data files against dist/x86/tamsel_data")
        for dll in ("x86/tamsel.dll", "x86/tamsel_handler.dll", "x64/tamsel.dll", "x64/tamsel_handler.dll"):
            self.assertEqual(file_version(Path(DIST) / dll), VERSION + ".0", f"the version resource of {dll}")
        # Word count 2 (compressed) for all users; 10 (also: no elevation) for one user, who has no ALLUSERS.
        self.assertIn("Source: 2 (2)\n", self.msiinfo("suminfo", self.msi))
        self.assertIn("Source: 10 (a)\n", self.msiinfo("suminfo", self.user_msi))
        self.assertIn("\nALLUSERS\t1\n", self.msiinfo("export", self.msi, "Property"))
        self.assertNotIn("ALLUSERS", self.msiinfo("export", self.user_msi, "Property"))

    def component_files(self, msi, component):
        """The long names of the files that the package installs with `component`, sorted."""
        rows = [line.split("\t") for line in self.msiinfo("export", msi, "File").splitlines()[3:]]
        return sorted(row[2].split("|")[-1] for row in rows if row[1] == component)

    def msiinfo(self, *args):
        return subprocess.run(["msiinfo", *map(str, args)], capture_output=True, text=True, check=True,
                              cwd=self.work).stdout


def main():
    global WINE_RUN, MAKE_PREFIX, DIST, VERSION, BUILD_MSI, ACTIONS, HOST, THUMBNAIL_HOST, SAMPLES, WORK
    (WINE_RUN, MAKE_PREFIX, DIST, VERSION, BUILD_MSI, ACTIONS, HOST, THUMBNAIL_HOST, SAMPLES, WORK) = sys.argv[1:11]
    rest = sys.argv[11:]
    Path(WORK).mkdir(parents=True, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
