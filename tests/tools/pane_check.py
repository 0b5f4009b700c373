"""Preview key, test picture and pixel checks of saved preview panes.

  pane_check.py key FILE                        prints the Preview key of FILE
  pane_check.py plant PATH                      writes the 512x384 test picture
  pane_check.py picture PNG LEFT TOP WIDTH HEIGHT
                                                the picture is drawn upright in that rectangle
  pane_check.py hint PNG                        no picture: empty image area, icon and text above

The key is computed here independently of the product's code.
"""
import sys
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
import wine_e2e  # noqa: E402

SKY = (90, 160, 230)
GROUND = (70, 140, 60)
UNCOVERED = (255, 0, 255)  # the preview host's own background
HEADER = 89  # the image area starts under the header strip
MARGIN = 8
TOLERANCE = 6


def preview_key(path):
    return wine_e2e.preview_key(Path(path).read_bytes())


def plant(path):
    picture = Image.new("RGB", (512, 384), GROUND)
    picture.paste(SKY, (0, 0, 512, 192))
    picture.save(path, "PNG")


def near(colour, expected):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(colour, expected))


def fail(message):
    sys.exit("pane_check: " + message)


def load(png):
    pane = Image.open(png).convert("RGB")
    if UNCOVERED in set(pane.getdata()):
        fail(f"{png}: part of the host window is not covered by the pane")
    return pane


def expect(pane, png, point, expected, what):
    colour = pane.getpixel(point)
    if not near(colour, expected):
        fail(f"{png}: {what} at {point} is {colour}, expected {expected}")


def check_picture(png, left, top, width, height):
    pane = load(png)
    background = pane.getpixel((1, pane.height - 2))
    right, bottom = left + width, top + height
    # Sky in the upper half, ground in the lower, up to a few pixels from each edge.
    middle = top + height // 2
    for x in (left + 2, left + width // 2, right - 3):
        for y, colour, what in ((top + 2, SKY, "sky"), (middle - 3, SKY, "sky"),
                                (middle + 3, GROUND, "ground"), (bottom - 3, GROUND, "ground")):
            expect(pane, png, (x, y), colour, what)
    # The fitted picture keeps to the top-left corner of the image area.
    image_right, image_bottom = pane.width - MARGIN, pane.height - MARGIN
    if right + 3 < image_right:
        expect(pane, png, (right + 3, top + height // 2), background, "background right of the picture")
    if bottom + 3 < image_bottom:
        expect(pane, png, (left + width // 2, bottom + 3), background, "background under the picture")


def check_hint(png):
    pane = load(png)
    background = pane.getpixel((1, pane.height - 2))
    area = pane.crop((MARGIN, HEADER, pane.width - MARGIN, pane.height - MARGIN))
    colours = set(area.getdata())
    if colours != {background}:
        fail(f"{png}: the image area should be empty, found colours {sorted(colours)[:5]}")
    icon = pane.crop((MARGIN, MARGIN, MARGIN + 48, MARGIN + 48))
    if len(set(icon.getdata())) < 4:
        fail(f"{png}: no icon in the header")
    text = pane.crop((MARGIN + 56, MARGIN, pane.width - MARGIN, MARGIN + 57))
    if len(set(text.getdata())) < 2:
        fail(f"{png}: no text beside the icon")


def main(args):
    if args[:1] == ["key"] and len(args) == 2:
        print(preview_key(args[1]))
    elif args[:1] == ["plant"] and len(args) == 2:
        plant(args[1])
    elif args[:1] == ["picture"] and len(args) == 6:
        check_picture(args[1], *map(int, args[2:]))
    elif args[:1] == ["hint"] and len(args) == 2:
        check_hint(args[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
