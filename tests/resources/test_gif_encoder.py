#!/usr/bin/env python3
"""The offline picture generator's GIF writer, decoded by an independent LZW decoder."""

import importlib.util
import os
import random
import unittest

TOOLS = os.environ.get(
    "ZV_TOOLS_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
found = importlib.util.spec_from_file_location(
    "make_offline_picture", os.path.join(TOOLS, "make_offline_picture.py"))
picture = importlib.util.module_from_spec(found)
found.loader.exec_module(picture)


def lzw_decode(data, min_code_size):
    """Plain GIF LZW decoder: codes are read least significant bit first and widen once the
    table reaches the current code width's limit (no early change), up to 12 bits."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    bits = int.from_bytes(data, "little")
    total_bits = len(data) * 8
    pos = 0
    out = []
    table, width, prev = None, None, None
    while True:
        if pos + (width or min_code_size + 1) > total_bits:
            raise ValueError("data ended without an end code")
        code = (bits >> pos) & ((1 << (width or min_code_size + 1)) - 1)
        pos += width or min_code_size + 1
        if code == clear:
            table = [(i,) for i in range(clear)] + [None, None]
            width, prev = min_code_size + 1, None
            continue
        if table is None:
            raise ValueError("first code is not a clear code")
        if code == end:
            return out
        if prev is None:
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            if len(table) < 4096:
                table.append(table[prev] + entry[:1])
        elif code == len(table):
            entry = table[prev] + table[prev][:1]
            table.append(entry)
        else:
            raise ValueError(f"code {code} beyond the table ({len(table)})")
        if entry is None:
            raise ValueError("clear or end code used as data")
        out.extend(entry)
        prev = code
        if len(table) == (1 << width) and width < 12:
            width += 1


def image_data(gif):
    """The LZW minimum code size and the joined sub-blocks of a single-image GIF."""
    pos = 13 + 3 * 8
    assert gif[pos] == 0x21 and gif[pos + 1] == 0xF9
    pos += 8
    assert gif[pos] == 0x2C
    pos += 10
    min_code_size = gif[pos]
    pos += 1
    data = bytearray()
    while gif[pos]:
        data += gif[pos + 1:pos + 1 + gif[pos]]
        pos += 1 + gif[pos]
    assert gif[pos + 1:] == b";", "trailer must follow the image data"
    return min_code_size, bytes(data)


class GifEncoderTest(unittest.TestCase):
    def round_trip(self, rows):
        gif = picture.gif_bytes(rows)
        self.assertEqual(gif[6:10], bytes([len(rows[0]) & 0xFF, len(rows[0]) >> 8,
                                           len(rows) & 0xFF, len(rows) >> 8]))
        min_code_size, data = image_data(gif)
        self.assertEqual(min_code_size, 3)
        self.assertEqual(lzw_decode(data, min_code_size), [v for row in rows for v in row])

    def test_round_trips(self):
        rng = random.Random(7)
        cases = {
            "single pixel": [[6]],
            "two pixels": [[0, 5]],
            "one colour (code reused as soon as it is made)": [[2] * 150 for _ in range(242)],
            "stripes": [[(x // 3 + y) % 8 for x in range(97)] for y in range(31)],
            # Noise fills the 4096-entry table many times over: clear codes mid-stream.
            "noise, all eight entries": [[rng.randrange(8) for _ in range(300)]
                                         for _ in range(200)],
            "noise, few entries": [[rng.choice((0, 0, 0, 5, 6)) for _ in range(300)]
                                   for _ in range(200)],
        }
        for name, rows in cases.items():
            with self.subTest(name):
                self.round_trip(rows)

    def test_drawing_uses_only_table_entries_and_background(self):
        canvas = picture.Canvas(picture.WIDTH, picture.HEIGHT, picture.SUPERSAMPLE)
        picture.draw(canvas)
        rows = canvas.to_indices()
        used = {v for row in rows for v in row}
        self.assertIn(picture.TRANSPARENT, used)
        self.assertNotIn(7, used)  # the second black is never needed
        self.assertTrue(used <= set(range(7)))
        # Background all along the border: the drawing never touches the picture's edge.
        border = rows[0] + rows[-1] + [row[0] for row in rows] + [row[-1] for row in rows]
        self.assertEqual(set(border), {picture.TRANSPARENT})
        self.round_trip(rows)


if __name__ == "__main__":
    unittest.main(verbosity=2)
