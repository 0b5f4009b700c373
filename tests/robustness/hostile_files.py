"""Hostile Preview store files for preview_host runs, and what a saved pane shows.

  hostile_files.py key FILE           prints the Preview key of FILE
  hostile_files.py plant KIND PATH    puts a store entry of KIND at PATH: empty,
                                      truncated, not-png, giant-header,
                                      huge-picture, folder, or valid
  hostile_files.py pane PNG           prints what the saved pane shows:
                                      picture, hint, icon-only or unreadable

The key and the PNG files are made here independently of the product's code.
"""
import os
import struct
import sys
from pathlib import Path
import zlib

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
import wine_e2e  # noqa: E402


def preview_key(path):
    return wine_e2e.preview_key(Path(path).read_bytes())


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, rows):
    """A PNG of 8-bit RGB from an iterable of raw rows (filter byte included)."""
    packer = zlib.compressobj(9)
    data = b"".join(packer.compress(row) for row in rows) + packer.flush()
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def colourful_png():
    width, height = 96, 64
    rows = (b"\0" + b"".join(bytes((200 + x % 50, 40 + y % 60, 30)) for x in range(width)) for y in range(height))
    return png(width, height, rows)


def huge_black_png(side=16384):
    row = bytes(1 + 3 * side)
    return png(side, side, (row for _ in range(side)))


def giant_header_png():
    header = struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)
    data = zlib.compress(bytes(1 + 3 * 64))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def truncated_png():
    whole = colourful_png()
    return whole[: len(whole) // 2]


KINDS = {
    "empty": lambda: b"",
    "truncated": truncated_png,
    "not-png": lambda: b"To generate preview please open this file in Kelvarrion first.",
    "giant-header": giant_header_png,
    "huge-picture": huge_black_png,
    "valid": colourful_png,
}


def plant(kind, path):
    if kind == "folder":
        os.makedirs(path)
        return
    with open(path, "wb") as f:
        f.write(KINDS[kind]())


def pane_outcome(png_path):
    pane = Image.open(png_path).convert("RGB")
    width, height = pane.size
    background = pane.getpixel((2, height - 2))

    def painted(left, top, right, bottom):
        region = pane.crop((left, top, min(right, width), min(bottom, height)))
        return any(colour != background for colour in region.getdata())

    if width < 120 or height < 120:
        return "unreadable"
    if painted(8, 89, width - 8, height - 8):
        return "picture"
    if not painted(8, 8, 56, 56):
        return "unreadable"
    return "hint" if painted(64, 8, width - 24, 65) else "icon-only"


def main(args):
    if len(args) == 2 and args[0] == "key":
        print(preview_key(args[1]))
    elif len(args) == 3 and args[0] == "plant":
        plant(args[1], args[2])
    elif len(args) == 2 and args[0] == "pane":
        print(pane_outcome(args[1]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
