#!/usr/bin/env python3
"""Draws the application icon: a small white window seen in perspective, with a cyan
title bar and a grey shadow.

Writes palette PNGs (32 x 32 in 2 colours, 32 x 32 and 16 x 16 in 16 colours, and a 48 x 48
in 16 colours for the desktop's icon theme), an SVG of the same drawing, and that SVG's
drawing rendered smooth at 256 x 256 (RGBA) for software centres.
Pure Python 3, standard library only; the output is byte-for-byte reproducible.

    python3 tools/make_icons.py [--output-dir DIR]
"""

import argparse
import math
import os
import struct
import sys
import zlib

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


def inside(poly, x, y):
    """Even-odd test of a point against a polygon."""
    result = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                result = not result
    return result


def line_pixels(a, b):
    """Bresenham's line between two pixels, both ends included."""
    (x0, y0), (x1, y1) = a, b
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        yield x0, y0
        if (x0, y0) == (x1, y1):
            return
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def render(size):
    """Returns rows of VGA16 indices (or None for transparent) for a size x size image."""
    d = DRAWINGS[size]
    # Polygons are filled by pixel centres over corners placed at pixel centres, then the
    # outline is drawn over their edges.
    def centred(poly):
        return [(x + 0.5, y + 0.5) for x, y in poly]

    window = centred(d.window)
    shadow = centred([(x + d.shadow[0], y + d.shadow[1]) for x, y in d.window])
    bar = centred(bar_polygon(d))
    rows = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            p = (x + 0.5, y + 0.5)
            if inside(shadow, *p):
                rows[y][x] = GREY
            if inside(window, *p):
                rows[y][x] = CYAN if inside(bar, *p) else WHITE

    def stroke(a, b, colour):
        for x, y in line_pixels(a, b):
            rows[y][x] = colour

    for a, b in content_segments(d):
        stroke(a, b, SILVER)
    corners = d.window
    for i in range(4):
        stroke(corners[i], corners[(i + 1) % 4], BLACK)
    stroke(d.bar_left, d.bar_right, BLACK)
    return rows


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


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_palette_png(path, indices, palette, transparent, bit_depth):
    height = len(indices)
    width = len(indices[0])
    per_byte = 8 // bit_depth
    raw = bytearray()
    for row in indices:
        raw.append(0)  # filter type None
        for start in range(0, width, per_byte):
            byte = 0
            group = row[start:start + per_byte]
            for i, value in enumerate(group):
                assert 0 <= value < len(palette)
                byte |= value << (8 - bit_depth * (i + 1))
            raw.append(byte)
    alphas = bytes(0 if i == transparent else 255 for i in range(transparent + 1))
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, 3, 0, 0, 0))
    data += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    data += png_chunk(b"tRNS", alphas)
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


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


def stroke_polygons(points, width, closed):
    """The area a stroke covers, as polygons filled even-odd: an open line with square caps is
    one rectangle; a closed convex outline with mitred corners is its outer and inner edge."""
    h = width / 2
    if not closed:
        (x0, y0), (x1, y1) = points
        length = ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5
        ux, uy = (x1 - x0) / length * h, (y1 - y0) / length * h
        return [[(x0 - ux - uy, y0 - uy + ux), (x1 + ux - uy, y1 + uy + ux),
                 (x1 + ux + uy, y1 + uy - ux), (x0 - ux + uy, y0 - uy - ux)]]

    def offset(distance):
        # Each edge moved along its normal; neighbouring edges meet at the mitred corner.
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

    return [offset(h), offset(-h)]


def coverage(polygons, size, scale, samples=4):
    """How much of each pixel the polygons cover (even-odd), from samples x samples points."""
    cover = [[0] * size for _ in range(size)]
    edges = []
    for poly in polygons:
        pts = [(x * scale * samples, y * scale * samples) for x, y in poly]
        edges += [(pts[i], pts[(i + 1) % len(pts)]) for i in range(len(pts))]
    for row in range(size * samples):
        y = row + 0.5
        crossings = sorted(x1 + (y - y1) * (x2 - x1) / (y2 - y1)
                           for (x1, y1), (x2, y2) in edges if (y1 > y) != (y2 > y))
        line = cover[row // samples]
        for start, end in zip(crossings[0::2], crossings[1::2]):
            first = max(0, math.ceil(start - 0.5))
            last = min(size * samples, math.ceil(end - 0.5))
            for column in range(first, last):
                line[column // samples] += 1
    return [[count / (samples * samples) for count in line] for line in cover]


def render_smooth(size):
    """The SVG's drawing at size x size pixels: rows of (r, g, b, a), edges smoothed."""
    scale = size / 32
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]  # premultiplied
    for colour, width, points, closed in svg_shapes():
        polygons = [points] if width is None else stroke_polygons(points, width, closed)
        cover = coverage(polygons, size, scale)
        r, g, b = (c / 255 for c in VGA16[colour])
        for y in range(size):
            row = pixels[y]
            for x, a in enumerate(cover[y]):
                if a:
                    pr, pg, pb, pa = row[x]
                    row[x] = (r * a + pr * (1 - a), g * a + pg * (1 - a), b * a + pb * (1 - a),
                              a + pa * (1 - a))
    out = []
    for row in pixels:
        line = []
        for pr, pg, pb, pa in row:
            if pa == 0:
                line.append((0, 0, 0, 0))
            else:
                line.append(tuple(round(c / pa * 255) for c in (pr, pg, pb)) + (round(pa * 255),))
        out.append(line)
    return out


def write_rgba_png(path, rows):
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type None
        for pixel in row:
            raw += bytes(pixel)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0))
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


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

    write_palette_png(out("zv-32x32-2.png"), to_mono(render(32)), MONO, TRANSPARENT_MONO, 2)
    for size in (32, 16, 48):
        write_palette_png(out(f"zv-{size}x{size}-16.png"), to_indexed_16(render(size)), VGA16,
                          TRANSPARENT_16, 4)
    write_svg(out("zv.svg"))
    write_rgba_png(out("zv-256x256.png"), render_smooth(256))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
