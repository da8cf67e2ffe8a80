#!/usr/bin/env python3
"""Draws the application icon: a small white window seen in perspective, with a cyan
title bar and a grey shadow.

Writes palette PNGs (32 x 32 in 2 colours, 32 x 32 and 16 x 16 in 16 colours, and a 48 x 48
in 16 colours for the desktop's icon theme) and an SVG of the same drawing.
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

BLACK, NAVY, SILVER, GREY, CYAN, WHITE = 0, 4, 7, 8, 14, 15

# The drawing, on a 32 x 32 grid (x to the right, y down). The window is turned away to the
# right, so its right edge is shorter than its left edge.
WINDOW = [(2.5, 3.5), (25.5, 7.5), (25.5, 23.5), (2.5, 27.5)]
TITLE_DEPTH_LEFT = 5.5  # height of the title bar at the left edge
SHADOW_OFFSET = (3.5, 2.5)
CONTENT_LINES = [0.42, 0.58, 0.74]  # text lines in the body, as fractions of the body height


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)


def title_bar_quad():
    """The title bar: the top band of the window, narrower on the far (right) side."""
    tl, tr, br, bl = WINDOW
    left_t = TITLE_DEPTH_LEFT / (bl[1] - tl[1])
    return [tl, tr, lerp(tr, br, left_t), lerp(tl, bl, left_t)]


def content_segments():
    """Short lines of 'text' in the window body, following the perspective."""
    tl, tr, br, bl = WINDOW
    bar = title_bar_quad()
    segments = []
    for i, t in enumerate(CONTENT_LINES):
        left = lerp(bar[3], bl, t)
        right = lerp(bar[2], br, t)
        start = lerp(left, right, 0.15)
        end = lerp(left, right, 0.85 if i != len(CONTENT_LINES) - 1 else 0.55)
        segments.append((start, end))
    return segments


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


def segment_distance(p, a, b):
    ax, ay = a
    bx, by = b
    px, py = p
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def near_outline(poly, p, half_width):
    n = len(poly)
    return any(segment_distance(p, poly[i], poly[(i + 1) % n]) <= half_width for i in range(n))


def render(size):
    """Returns rows of VGA16 indices (or None for transparent) for a size x size image."""
    scale = size / 32.0
    shadow = [(x + SHADOW_OFFSET[0], y + SHADOW_OFFSET[1]) for x, y in WINDOW]
    bar = title_bar_quad()
    lines = content_segments()
    # Lines are one device pixel wide at every size: half a pixel either side of the centre.
    half = 0.5 / scale
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            p = ((px + 0.5) / scale, (py + 0.5) / scale)
            colour = None
            if inside(shadow, *p):
                colour = GREY
            if inside(WINDOW, *p):
                colour = CYAN if inside(bar, *p) else WHITE
                if size >= 32 and any(segment_distance(p, a, b) <= half for a, b in lines):
                    colour = SILVER
            if near_outline(WINDOW, p, half * 1.1) or (
                    inside(WINDOW, *p) and segment_distance(p, bar[3], bar[2]) <= half * 1.1):
                colour = BLACK
            row.append(colour)
        rows.append(row)
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


def svg_points(poly):
    return " ".join(f"{x:g},{y:g}" for x, y in poly)


def write_svg(path):
    def hexcolour(index):
        return "#%02x%02x%02x" % VGA16[index]

    shadow = [(x + SHADOW_OFFSET[0], y + SHADOW_OFFSET[1]) for x, y in WINDOW]
    bar = title_bar_quad()
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        f'  <polygon points="{svg_points(shadow)}" fill="{hexcolour(GREY)}"/>',
        f'  <polygon points="{svg_points(WINDOW)}" fill="{hexcolour(WHITE)}"/>',
        f'  <polygon points="{svg_points(bar)}" fill="{hexcolour(CYAN)}"/>',
    ]
    for a, b in content_segments():
        parts.append(f'  <line x1="{a[0]:.3f}" y1="{a[1]:.3f}" x2="{b[0]:.3f}" y2="{b[1]:.3f}" '
                     f'stroke="{hexcolour(SILVER)}" stroke-width="1"/>')
    parts.append(f'  <line x1="{bar[3][0]:.3f}" y1="{bar[3][1]:.3f}" x2="{bar[2][0]:.3f}" '
                 f'y2="{bar[2][1]:.3f}" stroke="{hexcolour(BLACK)}" stroke-width="1"/>')
    parts.append(f'  <polygon points="{svg_points(WINDOW)}" fill="none" '
                 f'stroke="{hexcolour(BLACK)}" stroke-width="1" stroke-linejoin="round"/>')
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
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
