"""What the end-to-end scripts share: Windows paths under Wine, running a
Windows program with its output in a log, the Preview key worked out
independently of the product's code, and where the pane draws the picture."""
import hashlib
import subprocess
from pathlib import Path

# img_preview: (8, 89) in the pane, W-16 by H-97.
AREA_LEFT, AREA_TOP, AREA_MARGIN = 8, 89, 8


def windows_path(path):
    """Wine maps Z: to the Unix root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def preview_key(content):
    """The low four bits of each MD5 byte of the content followed by the salt."""
    digest = hashlib.md5(content + b"Tor Wendal").digest()
    return "".join("0123456789abcdef"[byte & 0x0F] for byte in digest)


def run_logged(wine_run, *args, log, timeout=120):
    """Runs a Windows program; its output (and that of Wine's helper processes,
    which outlive it) goes to a file, never a pipe. Returns the exit status."""
    with open(log, "ab") as out:
        return subprocess.run([wine_run, *map(str, args)], stdout=out, stderr=out,
                              stdin=subprocess.DEVNULL, timeout=timeout).returncode


def fitted(width, height, area_width, area_height):
    """The proportional fit of a picture into the image area, anchored top-left."""
    scale = min(area_width / width, area_height / height)
    return int(width * scale), int(height * scale)
