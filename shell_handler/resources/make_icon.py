#!/usr/bin/python3
"""Draws the pane's product icon, a stylised building block, and writes it as a
48 x 48 icon with 32 bits per pixel (BGRA with alpha) next to this script.

Run: /usr/bin/python3 shell_handler/resources/make_icon.py
"""
import pathlib
import struct

from PIL import Image, ImageDraw

SIZE = 48
SCALE = 8  # drawn large, then reduced, for smooth edges

TOP = (24, 3)
UPPER_LEFT = (5, 12)
UPPER_RIGHT = (43, 12)
CENTRE = (24, 21)
LOWER_LEFT = (5, 36)
LOWER_RIGHT = (43, 36)
BOTTOM = (24, 45)

ROOF = (142, 196, 236, 255)
LEFT_WALL = (46, 118, 186, 255)
RIGHT_WALL = (28, 78, 138, 255)
WINDOW_LIT = (250, 214, 120, 255)
WINDOW_DARK = (190, 214, 236, 255)
EDGE = (18, 48, 86, 255)


def scaled(points):
    return [(x * SCALE, y * SCALE) for x, y in points]


def on_wall(corner, right_edge_dir, down_dir, u, v):
    """A point on a wall: corner + u along the wall's top edge + v downwards."""
    return (corner[0] + right_edge_dir[0] * u + down_dir[0] * v,
            corner[1] + right_edge_dir[1] * u + down_dir[1] * v)


def windows(draw, corner, edge_end, colour_of):
    along = ((edge_end[0] - corner[0]), (edge_end[1] - corner[1]))
    down = (0, 24)
    for row in range(3):
        for col in range(2):
            u0, u1 = 0.16 + col * 0.40, 0.44 + col * 0.40
            v0, v1 = 0.12 + row * 0.29, 0.31 + row * 0.29
            quad = [on_wall(corner, along, down, u0, v0), on_wall(corner, along, down, u1, v0),
                    on_wall(corner, along, down, u1, v1), on_wall(corner, along, down, u0, v1)]
            draw.polygon(scaled(quad), fill=colour_of(row, col))


def draw_icon():
    big = Image.new("RGBA", (SIZE * SCALE, SIZE * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(big)
    outline = [TOP, UPPER_RIGHT, LOWER_RIGHT, BOTTOM, LOWER_LEFT, UPPER_LEFT]
    draw.polygon(scaled(outline), fill=EDGE)
    inset = 0.9
    draw.polygon(scaled([(TOP[0], TOP[1] + inset), (UPPER_RIGHT[0] - inset, UPPER_RIGHT[1]),
                         (CENTRE[0], CENTRE[1] - inset / 2), (UPPER_LEFT[0] + inset, UPPER_LEFT[1])]), fill=ROOF)
    draw.polygon(scaled([(UPPER_LEFT[0] + inset, UPPER_LEFT[1] + inset), (CENTRE[0] - inset / 2, CENTRE[1] + inset / 2),
                         (BOTTOM[0] - inset / 2, BOTTOM[1] - inset), (LOWER_LEFT[0] + inset, LOWER_LEFT[1])]),
                 fill=LEFT_WALL)
    draw.polygon(scaled([(CENTRE[0] + inset / 2, CENTRE[1] + inset / 2), (UPPER_RIGHT[0] - inset, UPPER_RIGHT[1] + inset),
                         (LOWER_RIGHT[0] - inset, LOWER_RIGHT[1]), (BOTTOM[0] + inset / 2, BOTTOM[1] - inset)]),
                 fill=RIGHT_WALL)
    windows(draw, UPPER_LEFT, CENTRE, lambda r, c: WINDOW_LIT if (r + c) % 2 == 0 else WINDOW_DARK)
    windows(draw, CENTRE, UPPER_RIGHT, lambda r, c: WINDOW_DARK if (r + c) % 3 else WINDOW_LIT)
    return big.resize((SIZE, SIZE), Image.LANCZOS)


def ico_bytes(image):
    """One 32-bit BMP entry: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    width, height = image.size
    pixels = image.load()
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for y in reversed(range(height)):
        row_mask = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = pixels[x, y]
            colour += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    body = header + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(body), 6 + 16)
    return directory + entry + body


def main():
    here = pathlib.Path(__file__).resolve().parent
    (here / "tamsel_pane.ico").write_bytes(ico_bytes(draw_icon()))


if __name__ == "__main__":
    main()
