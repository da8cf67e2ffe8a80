#!/usr/bin/env python3
"""Draws the help window's offline picture: a globe and a computer whose cable is cut.

Writes a GIF89a of 150 x 242 pixels, one frame, not interlaced, with a global colour table of
eight entries (white, four greys, black, a transparent white, black). The background uses the
transparent entry. Pure Python 3, standard library only (the LZW encoder is below); the output
is byte-for-byte reproducible.

    python3 tools/make_offline_picture.py [--output FILE]
"""

import argparse
import math
import os
import struct
import sys

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
# Rasteriser: shapes are painted one over the other onto a supersampled canvas of brightness
# values (0 = black, 1 = white, None = background), then averaged down to pixels.


class Canvas:
    def __init__(self, width, height, ss):
        self.width, self.height, self.ss = width, height, ss
        self.w, self.h = width * ss, height * ss
        self.samples = [None] * (self.w * self.h)

    def _paint(self, box, test, value):
        """Sets every sample whose centre (in pixel units) passes test and lies in box."""
        x0, y0, x1, y1 = box
        ss = self.ss
        sx0 = max(0, int(math.floor(x0 * ss)))
        sy0 = max(0, int(math.floor(y0 * ss)))
        sx1 = min(self.w, int(math.ceil(x1 * ss)) + 1)
        sy1 = min(self.h, int(math.ceil(y1 * ss)) + 1)
        samples = self.samples
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / ss
            base = sy * self.w
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / ss
                if test(x, y):
                    samples[base + sx] = value

    def polygon(self, points, value):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        edges = list(zip(points, points[1:] + points[:1]))

        def test(x, y):
            inside = False
            for (x1, y1), (x2, y2) in edges:
                if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                    inside = not inside
            return inside

        self._paint((min(xs), min(ys), max(xs), max(ys)), test, value)

    def rect(self, x0, y0, x1, y1, value):
        self._paint((x0, y0, x1, y1), lambda x, y: x0 <= x < x1 and y0 <= y < y1, value)

    def rounded_rect(self, x0, y0, x1, y1, r, value):
        def test(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

        self._paint((x0, y0, x1, y1), test, value)

    def ellipse(self, cx, cy, rx, ry, value, clip=None):
        def test(x, y):
            if clip is not None and not clip(x, y):
                return False
            return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0

        self._paint((cx - rx, cy - ry, cx + rx, cy + ry), test, value)

    def ellipse_ring(self, cx, cy, rx, ry, width, value, clip=None):
        """An elliptical outline of about the given stroke width."""
        def test(x, y):
            if clip is not None and not clip(x, y):
                return False
            dx, dy = x - cx, y - cy
            if rx <= 0 or ry <= 0:
                return False
            # Distance to the ellipse, approximated through the gradient of its implicit form.
            f = (dx / rx) ** 2 + (dy / ry) ** 2 - 1.0
            gx, gy = 2 * dx / (rx * rx), 2 * dy / (ry * ry)
            g = math.hypot(gx, gy)
            return g > 0 and abs(f) / g <= width / 2

        pad = width
        self._paint((cx - rx - pad, cy - ry - pad, cx + rx + pad, cy + ry + pad), test, value)

    def line(self, a, b, width, value):
        """A straight stroke with round ends."""
        (ax, ay), (bx, by) = a, b
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy
        half = width / 2

        def test(x, y):
            t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
            t = max(0.0, min(1.0, t))
            px, py = ax + t * dx - x, ay + t * dy - y
            return px * px + py * py <= half * half

        box = (min(ax, bx) - half, min(ay, by) - half, max(ax, bx) + half, max(ay, by) + half)
        self._paint(box, test, value)

    def polyline(self, points, width, value):
        for a, b in zip(points, points[1:]):
            self.line(a, b, width, value)

    def to_indices(self):
        """Averages each pixel's samples: mostly background stays transparent, the rest takes
        the palette grey nearest to the mean brightness of its drawn samples."""
        ss = self.ss
        out = []
        for py in range(self.height):
            row = []
            for px in range(self.width):
                drawn = []
                for sy in range(py * ss, py * ss + ss):
                    base = sy * self.w
                    for sx in range(px * ss, px * ss + ss):
                        v = self.samples[base + sx]
                        if v is not None:
                            drawn.append(v)
                if len(drawn) * 2 < ss * ss:
                    row.append(TRANSPARENT)
                    continue
                mean = sum(drawn) / len(drawn)
                # Entries 0..5 run from white (1.0) to black (0.0) in steps of 0.2.
                row.append(OPAQUE[min(5, max(0, int(round((1.0 - mean) * 5))))])
            out.append(row)
        return out


# ---------------------------------------------------------------------------------------------
# The drawing.

BLACK, DARK, MID, LIGHT, PALE, WHITE = 0.0, 0.2, 0.4, 0.6, 0.8, 1.0
STROKE = 2.2


def draw_globe(c, cx, cy, r):
    c.ellipse(cx + 3, cy + 3, r, r, LIGHT)  # shadow
    c.ellipse(cx, cy, r, r, WHITE)
    # Shading: a pale crescent on the lower right.
    c.ellipse(cx, cy, r, r, PALE, clip=lambda x, y: (x - cx + 8) ** 2 + (y - cy + 8) ** 2 > r * r)

    def in_globe(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= (r - 1) ** 2

    # Meridians and parallels.
    for k in (0.35, 0.72):
        c.ellipse_ring(cx, cy, r * k, r, 1.3, MID, clip=in_globe)
    c.line((cx, cy - r), (cx, cy + r), 1.3, MID)
    # Parallels: only their near halves show, bowing down as seen from a little above.
    for t in (-0.6, -0.1, 0.45):
        y = cy + t * r
        half = math.sqrt(max(0.0, r * r - (t * r) ** 2))
        c.ellipse_ring(cx, y, half, r * 0.12, 1.3, MID,
                       clip=lambda x, yy, y=y: yy >= y and in_globe(x, yy))
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


# ---------------------------------------------------------------------------------------------
# GIF writer.


def lzw_encode(indices, min_code_size):
    """GIF variant of LZW: variable-width codes (up to 12 bits), packed least significant bit
    first. Starts with a clear code and sends another one when the table is full."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    prefix = ()
    for value in indices:
        candidate = prefix + (value,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes one step later than the encoder adds the entry.
            if next_code - 1 == (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        prefix = (value,)
    if prefix:
        emit(table[prefix], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def gif_bytes(rows):
    height = len(rows)
    width = len(rows[0])
    flat = [v for row in rows for v in row]
    assert all(0 <= v < len(PALETTE) for v in flat)
    data = bytearray(b"GIF89a")
    # Logical screen: global colour table present, 8 bits of colour resolution, 2^(2+1) entries.
    data += struct.pack("<HHBBB", width, height, 0x80 | (7 << 4) | 2, 0, 0)
    for rgb in PALETTE:
        data += bytes(rgb)
    # Graphic Control Extension: no disposal, no delay, transparency flag set.
    data += bytes([0x21, 0xF9, 4, 0x01, 0, 0, TRANSPARENT, 0])
    # Image descriptor: whole screen, no local colour table, not interlaced.
    data += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code_size = 3
    data.append(min_code_size)
    data += sub_blocks(lzw_encode(flat, min_code_size))
    data += b";"
    return bytes(data)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=os.path.join(here, "..", "resources", "offline.gif"))
    args = parser.parse_args(argv)
    canvas = Canvas(WIDTH, HEIGHT, SUPERSAMPLE)
    draw(canvas)
    with open(args.output, "wb") as f:
        f.write(gif_bytes(canvas.to_indices()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
