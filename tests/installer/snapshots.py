"""Snapshots of a Wine prefix's registry (from `reg export`) and of folders, and
their differences, for the installer tests."""
import hashlib
import re
from pathlib import Path

# Where Windows Installer keeps its own records of installed products.
INSTALLER_BOOKKEEPING = (
    r"HKEY_LOCAL_MACHINE\Software\Classes\Installer",
    r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer",
    r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall",
    r"HKEY_CURRENT_USER\Software\Microsoft\Installer",
)

# Wine's display driver files a key of its own for each display it meets, and
# the first program that meets one in a prefix, whichever it is, records the
# display's devices.
WINE_DISPLAY_RECORDS = (
    r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Video",
    r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class",
    r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses",
    r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ServiceCurrent",
    r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles",
    r"HKEY_LOCAL_MACHINE\Hardware\DEVICEMAP\VIDEO",
    r"HKEY_CURRENT_USER\Software\Wine\Temporary System Parameters",
)


def _below(key, roots):
    lowered = key.lower()
    return any(lowered == root.lower() or lowered.startswith(root.lower() + "\\") for root in roots)


class Registry:
    """Keys (case kept, compared without case) and their values: name -> the
    value as `reg export` writes it after the "=", continuation lines joined.
    Wine's display records are left out."""

    def __init__(self, keys):
        self.keys = keys  # lower-case path -> (path, {lower-case name: (name, data)})

    @classmethod
    def parse(cls, *texts):
        keys, values = {}, None
        for text in texts:
            logical = re.sub(r"\\\r?\n\s*", "", text)  # hex lists continue on the next line
            for line in logical.splitlines():
                if line.startswith("[") and line.endswith("]"):
                    path = line[1:-1]
                    values = None if _below(path, WINE_DISPLAY_RECORDS) else \
                        keys.setdefault(path.lower(), (path, {}))[1]
                elif values is not None and (line.startswith('"') or line.startswith("@=")):
                    name, data = cls._split_value(line)
                    values[name.lower()] = (name, data)
        return cls(keys)

    @staticmethod
    def _split_value(line):
        if line.startswith("@="):
            return "", line[2:]
        match = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
        name = re.sub(r"\\(.)", r"\1", match.group(1))
        return name, match.group(2)

    def value(self, key, name=""):
        """The exported data of a value, or None."""
        entry = self.keys.get(key.lower())
        if entry is None:
            return None
        found = entry[1].get(name.lower())
        return None if found is None else found[1]

    def is_empty(self, key):
        """No value in the key nor in any key below it."""
        lowered = key.lower()
        return not any(values for k, (_, values) in self.keys.items()
                       if k == lowered or k.startswith(lowered + "\\"))

    def entries(self):
        """Every key as (path, None) and every value as (path, name, data), compared without case."""
        for lowered, (path, values) in self.keys.items():
            yield (lowered,), (path,)
            for lowered_name, (name, data) in values.items():
                yield (lowered, lowered_name, data), (path, name, data)

    def added_since(self, before, leave_out=()):
        """What this snapshot has and `before` has not, outside `leave_out`: sorted
        "key" and "key\\name=data" lines."""
        old = {identity for identity, _ in before.entries()}
        lines = []
        for identity, shown in self.entries():
            if identity not in old and not _below(shown[0], leave_out):
                lines.append(shown[0] if len(shown) == 1 else f"{shown[0]}\\{shown[1] or '@'}={shown[2]}")
        return sorted(lines, key=str.lower)

    def differences(self, before):
        """What changed since `before`, as "+ ..." and "- ..." lines, leaving out
        what Wine's msiexec does to keys of no content: it leaves empty keys of
        its own bookkeeping behind, and deletes a key that an uninstall emptied
        even when the key was there, empty, before the install."""
        changes = []
        for line in self.added_since(before):
            if "=" not in line and _below(line, INSTALLER_BOOKKEEPING) and self.is_empty(line):
                continue
            changes.append("+ " + line)
        for line in before.added_since(self):
            if "=" not in line and before.is_empty(line):
                continue
            changes.append("- " + line)
        return changes


def hex_string(data):
    """The text of a hex(2) (REG_EXPAND_SZ) value of an export."""
    raw = bytes(int(b, 16) for b in data.split(":", 1)[1].split(",") if b)
    return raw.decode("utf-16-le").rstrip("\0")


def file_digest(path):
    """SHA-256 of a file, or "folder"."""
    return "folder" if path.is_dir() else hashlib.sha256(path.read_bytes()).hexdigest()


def folder_snapshot(*folders):
    """The given folders and everything below them: path -> file_digest."""
    snapshot = {}
    for folder in map(Path, folders):
        if folder.exists():
            snapshot[str(folder)] = file_digest(folder)
            snapshot.update((str(path), file_digest(path)) for path in sorted(folder.rglob("*")))
    return snapshot


def folder_differences(before, after):
    changes = [f"+ {p}" for p in after if p not in before]
    changes += [f"- {p}" for p in before if p not in after]
    changes += [f"~ {p}" for p in before if p in after and before[p] != after[p]]
    return sorted(changes)
