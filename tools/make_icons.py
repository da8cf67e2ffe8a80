#!/usr/bin/python3
"""Draws the application icon: a small white window seen in perspective, with a cyan
title bar and a grey shadow.

Writes palette PNGs (32 x 32 in 2 colours, 32 x 32 and 16 x 16 in 16 colours, and a 48 x 48
in 16 colours for the desktop's icon theme), an SVG of the same drawing, and that SVG's
drawing rendered smooth at 256 x 256 (RGBA) for software centres. Drawn and written with PIL
(Debian's python3-pil); the output is the same on every run.

    tools/make_icons.py [--output-dir DIR]
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw

# The classic 16-colour VGA palette. Magenta, which the drawing never uses, is the transparent
# entry: the images stay at 16 palette entries (4 bits a pixel).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
TRANSPARENT_16 = 13

# The 2-colour image: black and white, plus a transparent entry for the background.
MONO = [(0, 0, 0), (255, 255, 255), (255, 0, 255)]
TRANSPARENT_MONO = 2

BLACK, SILVER, GREY, CYAN, WHITE = 0, 7, 8, 14, 15


class Drawing:
    """The drawing at one pixel size, in whole pixels (x to the right, y down). The window is
    turned away to the right: its right edge is shorter than its left edge, and the title bar
    narrows with it. Each size is tuned by hand so the lines fall cleanly on the pixel grid."""

    def __init__(self, window, bar_left, bar_right, shadow, content_lines):
        self.window = window  # corners: top left, top right, bottom right, bottom left
        self.bar_left = bar_left  # the title bar's lower edge, at the left and right sides
        self.bar_right = bar_right
        self.shadow = shadow  # offset of the shadow
        self.content_lines = content_lines  # 'text' lines, as fractions of the body height


DRAWINGS = {
    16: Drawing([(1, 2), (12, 4), (12, 11), (1, 13)], (1, 5), (12, 6), (2, 2), []),
    32: Drawing([(2, 3), (26, 8), (26, 24), (2, 28)], (2, 9), (26, 13), (3, 3),
                [0.3, 0.5, 0.7]),
    48: Drawing([(3, 5), (39, 12), (39, 36), (3, 42)], (3, 13), (39, 19), (5, 4),
                [0.25, 0.42, 0.59, 0.76]),
}


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)


def content_segments(d):
    """Short lines of 'text' in the window body, following the perspective."""
    tl, tr, br, bl = d.window
    segments = []
    for i, t in enumerate(d.content_lines):
        left = lerp(d.bar_left, bl, t)
        right = lerp(d.bar_right, br, t)
        start = lerp(left, right, 0.16)
        end = lerp(left, right, 0.84 if i != len(d.content_lines) - 1 else 0.55)
        segments.append(((round(start[0]), round(start[1])), (round(end[0]), round(end[1]))))
    return segments


def bar_polygon(d):
    tl, tr, br, bl = d.window
    return [tl, tr, d.bar_right, d.bar_left]


def render(size):
    """Returns rows of VGA16 indices (or None for transparent) for a size x size image."""
    d = DRAWINGS[size]
    image = Image.new("P", (size, size), TRANSPARENT_16)
    draw = ImageDraw.Draw(image)
    shadow = [(x + d.shadow[0], y + d.shadow[1]) for x, y in d.window]
    draw.polygon(shadow, fill=GREY)
    draw.polygon(d.window, fill=WHITE)
    draw.polygon(bar_polygon(d), fill=CYAN)
    # The outline over the fills' edges, one pixel wide.
    for a, b in content_segments(d):
        draw.line([a, b], fill=SILVER)
    corners = d.window
    for i in range(4):
        draw.line([corners[i], corners[(i + 1) % 4]], fill=BLACK)
    draw.line([d.bar_left, d.bar_right], fill=BLACK)
    pixels = image.load()
    return [[None if pixels[x, y] == TRANSPARENT_16 else pixels[x, y] for x in range(size)]
            for y in range(size)]


def to_indexed_16(rows):
    return [[TRANSPARENT_16 if c is None else c for c in row] for row in rows]


def to_mono(rows):
    """Black and white: the cyan bar and the outline turn black, the shadow a 50 % dither."""
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, c in enumerate(row):
            if c is None:
                line.append(TRANSPARENT_MONO)
            elif c == GREY:
                line.append(0 if (x + y) % 2 == 0 else TRANSPARENT_MONO)
            elif c == WHITE:
                line.append(1)
            else:
                line.append(0)
        out.append(line)
    return out


def write_palette_png(path, indices, palette, transparent):
    image = Image.new("P", (len(indices[0]), len(indices)))
    image.putpalette([c for rgb in palette for c in rgb])
    image.putdata([value for row in indices for value in row])
    # The bit depth follows from the palette's size: 2 bits for 3 entries, 4 for 16.
    image.save(path, "PNG", transparency=transparent, optimize=False)


def svg_shapes():
    """The SVG's drawing in its 32-unit coordinates, in painting order: (colour, stroke width
    or None for a fill, points, closed). Strokes run through the pixel centres."""
    def centred(poly):
        return [(x + 0.5, y + 0.5) for x, y in poly]

    d = DRAWINGS[32]
    shadow = [(x + d.shadow[0], y + d.shadow[1]) for x, y in d.window]
    shapes = [
        (GREY, None, centred(shadow), True),
        (WHITE, None, centred(d.window), True),
        (CYAN, None, centred(bar_polygon(d)), True),
    ]
    lines = [(a, b, SILVER) for a, b in content_segments(d)] + [(d.bar_left, d.bar_right, BLACK)]
    for a, b, colour in lines:
        shapes.append((colour, 1, centred([a, b]), False))
    shapes.append((BLACK, 1, centred(d.window), True))
    return shapes


def offset_polygon(points, distance):
    """A convex polygon with each edge moved along its normal by distance (outwards for a
    positive one with the corners in the drawing's order), neighbouring edges meeting at the
    mitred corner."""
    n = len(points)
    moved = []
    for i in range(n):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
        length = ((bx - ax) ** 2 + (by - ay) ** 2) ** 0.5
        nx, ny = (by - ay) / length * distance, -(bx - ax) / length * distance
        moved.append(((ax + nx, ay + ny), (bx + nx, by + ny)))
    corners = []
    for i in range(n):
        (p1, p2), (p3, p4) = moved[i - 1], moved[i]
        d1 = (p2[0] - p1[0], p2[1] - p1[1])
        d2 = (p4[0] - p3[0], p4[1] - p3[1])
        t = ((p3[0] - p1[0]) * d2[1] - (p3[1] - p1[1]) * d2[0]) / (d1[0] * d2[1] - d1[1] * d2[0])
        corners.append((p1[0] + t * d1[0], p1[1] + t * d1[1]))
    return corners


def render_smooth(size, samples=4):
    """The SVG's drawing at size x size pixels (RGBA), its edges smoothed: drawn at samples
    times the size and averaged down, premultiplied so that edges keep their colour."""
    scale = size / 32 * samples
    image = Image.new("RGBA", (size * samples, size * samples), (0, 0, 0, 0))
    for colour, width, points, closed in svg_shapes():
        scaled = [(x * scale, y * scale) for x, y in points]
        mask = Image.new("L", image.size, 0)
        draw = ImageDraw.Draw(mask)
        if width is None:
            draw.polygon(scaled, fill=255)
        elif closed:
            # An outline centred on the edges: the band between the polygon moved out by half
            # the stroke and moved in by half of it.
            draw.polygon(offset_polygon(scaled, width * scale / 2), fill=255)
            draw.polygon(offset_polygon(scaled, -width * scale / 2), fill=0)
        else:
            (x0, y0), (x1, y1) = scaled
            length = ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5
            h = width * scale / 2
            ux, uy = (x1 - x0) / length * h, (y1 - y0) / length * h
            # Square caps: the stroke runs half its width past each end.
            draw.polygon([(x0 - ux - uy, y0 - uy + ux), (x1 + ux - uy, y1 + uy + ux),
                          (x1 + ux + uy, y1 + uy - ux), (x0 - ux + uy, y0 - uy - ux)], fill=255)
        image.paste(VGA16[colour] + (255,), mask=mask)
    return image.convert("RGBa").reduce(samples).convert("RGBA")


def svg_points(poly):
    return " ".join(f"{x:g},{y:g}" for x, y in poly)


def write_svg(path):
    """The 32-pixel drawing as vector graphics; strokes run through the pixel centres."""
    def hexcolour(index):
        return "#%02x%02x%02x" % VGA16[index]

    def points(poly):
        return " ".join(f"{x + 0.5:g},{y + 0.5:g}" for x, y in poly)

    d = DRAWINGS[32]
    shadow = [(x + d.shadow[0], y + d.shadow[1]) for x, y in d.window]
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        f'  <polygon points="{points(shadow)}" fill="{hexcolour(GREY)}"/>',
        f'  <polygon points="{points(d.window)}" fill="{hexcolour(WHITE)}"/>',
        f'  <polygon points="{points(bar_polygon(d))}" fill="{hexcolour(CYAN)}"/>',
    ]
    lines = [(a, b, SILVER) for a, b in content_segments(d)] + [(d.bar_left, d.bar_right, BLACK)]
    for a, b, colour in lines:
        parts.append(f'  <line x1="{a[0] + 0.5:g}" y1="{a[1] + 0.5:g}" x2="{b[0] + 0.5:g}" '
                     f'y2="{b[1] + 0.5:g}" stroke="{hexcolour(colour)}" stroke-width="1" '
                     'stroke-linecap="square"/>')
    parts.append(f'  <polygon points="{points(d.window)}" fill="none" '
                 f'stroke="{hexcolour(BLACK)}" stroke-width="1"/>')
    parts.append("</svg>")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(parts) + "\n")


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output-dir", default=os.path.join(here, "..", "resources", "images"))
    args = parser.parse_args(argv)
    os.makedirs(args.output_dir, exist_ok=True)

    def out(name):
        return os.path.join(args.output_dir, name)

    write_palette_png(out("zv-32x32-2.png"), to_mono(render(32)), MONO, TRANSPARENT_MONO)
    for size in (32, 16, 48):
        write_palette_png(out(f"zv-{size}x{size}-16.png"), to_indexed_16(render(size)), VGA16,
                          TRANSPARENT_16)
    write_svg(out("zv.svg"))
    render_smooth(256).save(out("zv-256x256.png"), "PNG", optimize=False)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
