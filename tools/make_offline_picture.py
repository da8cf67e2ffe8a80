#!/usr/bin/python3
"""Draws the help window's offline picture: a globe and a computer whose cable is cut.

Writes a GIF89a of 150 x 242 pixels, one frame, not interlaced, with a global colour table of
eight entries (white, four greys, black, a transparent white, black). The background uses the
transparent entry. Drawn and written with PIL (Debian's python3-pil); the output is the same
on every run.

    tools/make_offline_picture.py [--output FILE]
"""

import argparse
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw

WIDTH, HEIGHT = 150, 242

PALETTE = [
    (255, 255, 255),
    (204, 204, 204),
    (153, 153, 153),
    (102, 102, 102),
    (51, 51, 51),
    (0, 0, 0),
    (255, 255, 255),  # transparent
    (0, 0, 0),
]
TRANSPARENT = 6
# The entries a drawn pixel may take, by brightness: white, the four greys, black.
OPAQUE = [0, 1, 2, 3, 4, 5]

SUPERSAMPLE = 4  # samples per pixel along each axis


# ---------------------------------------------------------------------------------------------
# Canvas: shapes are painted one over the other, each with its brightness (0 = black, 1 =
# white), onto a supersampled layer of brightness and a layer of what has been drawn at all
# (the rest is background); both are then averaged down to pixels.


class Canvas:
    def __init__(self, width, height, ss):
        self.width, self.height, self.ss = width, height, ss
        size = (width * ss, height * ss)
        self.value = Image.new("L", size, 255)
        self.drawn = Image.new("L", size, 0)

    def _scaled(self, points):
        return [(x * self.ss, y * self.ss) for x, y in points]

    def _shape(self, draw_shape, clip=None):
        """A mask of one shape (drawn by draw_shape on an ImageDraw in sample units), cut to
        clip (another such mask) when given."""
        mask = Image.new("L", self.value.size, 0)
        draw_shape(ImageDraw.Draw(mask))
        return ImageChops.multiply(mask, clip) if clip is not None else mask

    def _paint(self, mask, value):
        self.value.paste(int(round(value * 255)), mask=mask)
        self.drawn.paste(255, mask=mask)

    def _box(self, x0, y0, x1, y1):
        # Sample centres from x0 to x1: the last sample row and column inside are included.
        ss = self.ss
        return [x0 * ss, y0 * ss, x1 * ss - 1, y1 * ss - 1]

    def ellipse_mask(self, cx, cy, rx, ry):
        return self._shape(lambda d: d.ellipse(self._box(cx - rx, cy - ry, cx + rx, cy + ry),
                                               fill=255))

    def below_mask(self, y):
        ss = self.ss
        return self._shape(lambda d: d.rectangle([0, y * ss, self.value.width, self.value.height],
                                                 fill=255))

    def polygon(self, points, value):
        self._paint(self._shape(lambda d: d.polygon(self._scaled(points), fill=255)), value)

    def rect(self, x0, y0, x1, y1, value):
        self._paint(self._shape(lambda d: d.rectangle(self._box(x0, y0, x1, y1), fill=255)),
                    value)

    def rounded_rect(self, x0, y0, x1, y1, r, value):
        self._paint(self._shape(lambda d: d.rounded_rectangle(self._box(x0, y0, x1, y1),
                                                              radius=r * self.ss, fill=255)),
                    value)

    def ellipse(self, cx, cy, rx, ry, value, clip=None):
        box = self._box(cx - rx, cy - ry, cx + rx, cy + ry)
        self._paint(self._shape(lambda d: d.ellipse(box, fill=255), clip), value)

    def ellipse_ring(self, cx, cy, rx, ry, width, value, clip=None):
        """An elliptical outline of about the given stroke width, centred on the ellipse."""
        half = width / 2
        box = self._box(cx - rx - half, cy - ry - half, cx + rx + half, cy + ry + half)
        stroke = max(1, int(round(width * self.ss)))
        self._paint(self._shape(lambda d: d.ellipse(box, outline=255, width=stroke), clip), value)

    def line(self, a, b, width, value):
        """A straight stroke with round ends."""
        ss, half = self.ss, width / 2

        def stroke(d):
            d.line(self._scaled([a, b]), fill=255, width=max(1, int(round(width * ss))))
            for x, y in (a, b):
                d.ellipse(self._box(x - half, y - half, x + half, y + half), fill=255)

        self._paint(self._shape(stroke), value)

    def polyline(self, points, width, value):
        for a, b in zip(points, points[1:]):
            self.line(a, b, width, value)

    def to_image(self):
        """The palette image: a pixel mostly background stays transparent, the rest takes the
        palette grey nearest to the mean brightness of its drawn samples."""
        ss = self.ss
        drawn = self.drawn.reduce(ss)  # share of samples drawn, 0 to 255
        weighted = ImageChops.multiply(self.value, self.drawn).reduce(ss)
        image = Image.new("P", (self.width, self.height), TRANSPARENT)
        image.putpalette([c for rgb in PALETTE for c in rgb])
        pixels = image.load()
        for py in range(self.height):
            for px in range(self.width):
                share = drawn.getpixel((px, py))
                if share * 2 < 255:
                    continue
                mean = weighted.getpixel((px, py)) / share  # 0 black to 1 white
                # Entries 0..5 run from white (1.0) to black (0.0) in steps of 0.2.
                pixels[px, py] = OPAQUE[min(5, max(0, int(round((1.0 - mean) * 5))))]
        return image


# ---------------------------------------------------------------------------------------------
# The drawing.

BLACK, DARK, MID, LIGHT, PALE, WHITE = 0.0, 0.2, 0.4, 0.6, 0.8, 1.0
STROKE = 2.2


def draw_globe(c, cx, cy, r):
    c.ellipse(cx + 3, cy + 3, r, r, LIGHT)  # shadow
    c.ellipse(cx, cy, r, r, WHITE)
    # Shading: a pale crescent on the lower right.
    lit = c.ellipse_mask(cx - 8, cy - 8, r, r)
    c.ellipse(cx, cy, r, r, PALE, clip=ImageChops.invert(lit))

    in_globe = c.ellipse_mask(cx, cy, r - 1, r - 1)
    # Meridians and parallels.
    for k in (0.35, 0.72):
        c.ellipse_ring(cx, cy, r * k, r, 1.3, MID, clip=in_globe)
    c.line((cx, cy - r), (cx, cy + r), 1.3, MID)
    # Parallels: only their near halves show, bowing down as seen from a little above.
    for t in (-0.6, -0.1, 0.45):
        y = cy + t * r
        half = math.sqrt(max(0.0, r * r - (t * r) ** 2))
        c.ellipse_ring(cx, y, half, r * 0.12, 1.3, MID,
                       clip=ImageChops.multiply(c.below_mask(y), in_globe))
    c.ellipse_ring(cx, cy, r, r, STROKE, BLACK)


def draw_computer(c, x0, y0):
    # Monitor.
    w, h = 100, 64
    c.rounded_rect(x0 + 3, y0 + 3, x0 + w + 3, y0 + h + 3, 6, LIGHT)  # shadow
    c.rounded_rect(x0, y0, x0 + w, y0 + h, 6, BLACK)
    c.rounded_rect(x0 + 2.2, y0 + 2.2, x0 + w - 2.2, y0 + h - 2.2, 4, PALE)
    # Screen, dark and empty: nothing comes through.
    sx0, sy0, sx1, sy1 = x0 + 8, y0 + 7, x0 + w - 8, y0 + h - 13
    c.rounded_rect(sx0 - 1.5, sy0 - 1.5, sx1 + 1.5, sy1 + 1.5, 3, BLACK)
    c.rect(sx0, sy0, sx1, sy1, DARK)
    c.polygon([(sx0, sy0), (sx0 + 30, sy0), (sx0, sy0 + 22)], MID)  # glare
    # Power light, off.
    c.ellipse(x0 + w - 14, y0 + h - 7, 2.2, 2.2, BLACK)
    c.ellipse(x0 + w - 14, y0 + h - 7, 1.2, 1.2, MID)
    # Stand and foot.
    mx = x0 + w / 2
    c.polygon([(mx - 10, y0 + h), (mx + 10, y0 + h), (mx + 14, y0 + h + 12),
               (mx - 14, y0 + h + 12)], BLACK)
    c.polygon([(mx - 8, y0 + h + 1), (mx + 8, y0 + h + 1), (mx + 11, y0 + h + 10.5),
               (mx - 11, y0 + h + 10.5)], MID)
    c.rounded_rect(mx - 34, y0 + h + 11, mx + 34, y0 + h + 19, 3, BLACK)
    c.rounded_rect(mx - 32, y0 + h + 13, mx + 32, y0 + h + 17, 2, LIGHT)


def draw_plug(c, end, direction):
    """A plug at the end of a cable that runs to 'end' from the direction given (0 = up)."""
    x, y = end
    if direction == "down":  # cable comes from above, plug points down
        c.rounded_rect(x - 6, y - 4, x + 6, y + 10, 2, BLACK)
        c.rounded_rect(x - 4, y - 2, x + 4, y + 8, 1.5, MID)
        c.rect(x - 4, y + 10, x - 1.8, y + 17, BLACK)
        c.rect(x + 1.8, y + 10, x + 4, y + 17, BLACK)
    else:  # cable comes from below, socket opens upwards
        c.rounded_rect(x - 7, y - 12, x + 7, y + 4, 2, BLACK)
        c.rounded_rect(x - 5, y - 10, x + 5, y + 2, 1.5, MID)
        c.rect(x - 4, y - 9, x - 1.8, y - 3, BLACK)
        c.rect(x + 1.8, y - 9, x + 4, y - 3, BLACK)


def draw_spark(c, cx, cy):
    """Short strokes radiating from the gap between plug and socket."""
    for angle in (0, 35, 145, 180, 215, 325):
        a = math.radians(angle)
        inner, outer = 11, 19
        c.line((cx + inner * math.cos(a), cy + inner * math.sin(a) * 0.6),
               (cx + outer * math.cos(a), cy + outer * math.sin(a) * 0.6), 1.6, BLACK)


def draw(c):
    globe_cx, globe_cy, globe_r = 75, 49, 40
    draw_globe(c, globe_cx, globe_cy, globe_r)

    # Cable from the bottom of the globe to the plug.
    plug_end = (75, 104)
    c.polyline([(globe_cx, globe_cy + globe_r - 1), (globe_cx, 92), (69, 98), (75, plug_end[1])],
               3.2, BLACK)
    draw_plug(c, plug_end, "down")

    # Socket, a gap below the plug, with its cable down to the computer.
    socket_top = (75, 140)
    draw_plug(c, socket_top, "up")
    c.polyline([(75, socket_top[1] + 4), (81, 148), (75, 152), (75, 158)], 3.2, BLACK)
    draw_spark(c, 75, 125)

    draw_computer(c, 25, 156)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=os.path.join(here, "..", "resources", "offline.gif"))
    args = parser.parse_args(argv)
    canvas = Canvas(WIDTH, HEIGHT, SUPERSAMPLE)
    draw(canvas)
    # The colour table as it is (no optimising away of entries), entry 6 transparent.
    canvas.to_image().save(args.output, "GIF", transparency=TRANSPARENT, optimize=False,
                           interlace=False)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
