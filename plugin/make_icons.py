#!/usr/bin/python3
"""Draws the button images tamsel_data/icon.png (32 x 32) and icon_small.png
(16 x 16): a framed picture of a house, the stored preview of a model.
Run from anywhere with Debian's python3-pil: /usr/bin/python3 plugin/make_icons.py"""
from pathlib import Path

from PIL import Image, ImageDraw

SUPERSAMPLE = 8
FRAME = (44, 62, 80, 255)
SKY = (173, 216, 240, 255)
GROUND = (106, 168, 79, 255)
WALL = (245, 240, 225, 255)
ROOF = (192, 57, 43, 255)
DOOR = (120, 80, 50, 255)


def draw_icon(size):
    """The artwork on a 32-unit grid, drawn large and reduced for smooth edges."""
    big = size * SUPERSAMPLE
    unit = big / 32
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def box(x0, y0, x1, y1):
        return [round(x0 * unit), round(y0 * unit), round(x1 * unit) - 1, round(y1 * unit) - 1]

    draw.rounded_rectangle(box(1, 3, 31, 29), radius=round(3 * unit), fill=FRAME)
    draw.rectangle(box(4, 6, 28, 26), fill=SKY)
    draw.rectangle(box(4, 20, 28, 26), fill=GROUND)
    draw.rectangle(box(10, 14, 22, 23), fill=WALL)
    draw.polygon([(8 * unit, 15 * unit), (16 * unit, 8 * unit), (24 * unit, 15 * unit)], fill=ROOF)
    draw.rectangle(box(14.5, 18, 17.5, 23), fill=DOOR)
    return image.resize((size, size), Image.LANCZOS)


def main():
    folder = Path(__file__).resolve().parent / "tamsel_data"
    folder.mkdir(exist_ok=True)
    draw_icon(32).save(folder / "icon.png", optimize=True)
    draw_icon(16).save(folder / "icon_small.png", optimize=True)


if __name__ == "__main__":
    main()
