#!/usr/bin/python3
"""Generate raster/builtin_font.cpp, the chart's built-in bitmap font.

The glyphs are drawn from DejaVu Sans (Debian's fonts-dejavu-core) with
Pillow: each character is rendered large, squeezed into its fixed advance
width and area-sampled down to 16 rows, then thresholded to one bit.
Hand-mended glyphs live below as ASCII art and replace the rendered ones, so
rerunning the script reproduces the committed table exactly.

    /usr/bin/python3 tools/make_font.py            # rewrite raster/builtin_font.cpp
    /usr/bin/python3 tools/make_font.py --check    # fail if the file is stale
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
OUTPUT = os.path.join(ROOT, "raster", "builtin_font.cpp")
FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

ROWS = 16
BASELINE = 13        # first row below the baseline
CAP_ROWS = 10        # capitals fill rows 3..12
X_ROWS = 7           # lowercase x-height
DESC_ROWS = 3        # rows 13..15

# Advance widths of codes 0..255; every glyph is exactly this wide.
WIDTHS = [int(w) for w in """
10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10
10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10
4 3 5 7 7 12 9 2 4 4 5 8 4 4 4 4
7 7 7 7 7 7 7 7 7 7 4 4 8 8 8 7
13 9 9 9 9 9 8 10 9 3 6 9 7 11 9 10
9 10 9 9 7 9 9 13 7 9 7 4 4 4 5 7
4 7 7 7 7 7 3 7 7 3 3 7 3 11 7 7
7 7 4 7 4 7 5 9 7 7 7 4 3 4 8 10
7 10 3 7 4 13 7 7 4 14 9 4 13 10 7 10
10 3 3 4 4 5 7 13 4 13 7 4 12 10 7 9
4 3 7 7 7 7 3 7 4 10 4 7 8 4 10 7
5 7 4 4 4 7 7 4 4 4 5 7 11 11 11 8
9 9 9 9 9 9 13 9 9 9 9 9 3 3 3 3
9 9 10 10 10 10 10 8 10 9 9 9 9 9 9 9
7 7 7 7 7 7 12 7 7 7 7 7 3 3 3 3
7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
""".split()]
assert len(WIDTHS) == 256

# Control codes, DEL and the holes of code page 1252 show a hollow box.
BOX_CODES = set(range(32)) | {127, 129, 141, 143, 144, 157}
BOX = """
..........
..........
..........
.#######..
.#.....#..
.#.....#..
.#.....#..
.#.....#..
.#.....#..
.#.....#..
.#.....#..
.#.....#..
.#######..
..........
..........
..........
"""

# Hand-mended glyphs: code -> 16 rows of '#' (ink) and '.' (background).
OVERRIDES = {}

RENDER_SIZE = 400    # pixels per em for the large rendering


def parse_art(art, width):
    rows = [line.strip() for line in art.strip().splitlines()]
    assert len(rows) == ROWS, rows
    for row in rows:
        assert len(row) == width and set(row) <= set(".#"), (row, width)
    return [[c == "#" for c in row] for row in rows]


class Renderer:
    def __init__(self):
        self.font = ImageFont.truetype(FONT_FILE, RENDER_SIZE)
        self.cap = self.ink_top("H")
        self.xheight = self.ink_top("x")
        self.ascender = self.ink_top("d")
        self.descender = self.ink_bottom("p")

    def draw(self, ch):
        """Large rendering of ch with its baseline at row `base`."""
        size = RENDER_SIZE * 2
        base = RENDER_SIZE * 3 // 2
        img = Image.new("L", (size, size), 0)
        ImageDraw.Draw(img).text((RENDER_SIZE // 2, base), ch, font=self.font,
                                 fill=255, anchor="ls")
        return img, base

    def ink_top(self, ch):
        img, base = self.draw(ch)
        return base - img.getbbox()[1]

    def ink_bottom(self, ch):
        img, base = self.draw(ch)
        return img.getbbox()[3] - base

    def coverage(self, ch, width, lowercase):
        """16 rows of coverage in 0..1 for ch fitted into `width` columns."""
        img, base = self.draw(ch)
        bbox = img.getbbox()
        if bbox is None:
            return [[0.0] * width for _ in range(ROWS)]
        left, top, right, bottom = bbox
        # Vertical zones: (source top, source bottom, target top row, target bottom row)
        if lowercase:
            zones = [
                (base - self.ascender, base - self.xheight, BASELINE - CAP_ROWS, BASELINE - X_ROWS),
                (base - self.xheight, base, BASELINE - X_ROWS, BASELINE),
            ]
        else:
            zones = [(base - self.cap, base, BASELINE - CAP_ROWS, BASELINE)]
        # Extend the first and last zone linearly to the edges of the box.
        (s0, s1, t0, t1) = zones[0]
        scale = (s1 - s0) / (t1 - t0)
        zones.insert(0, (s0 - t0 * scale, s0, 0, t0))
        (s0, s1, t0, t1) = zones[-1]
        desc_scale = self.descender / DESC_ROWS
        zones.append((s1, s1 + (ROWS - t1) * desc_scale, t1, ROWS))

        cap_scale = self.cap / CAP_ROWS
        ink_w = (right - left) / cap_scale
        target = min(max(1, round(ink_w)), width - 1)
        x0 = (width - 1 - target) // 2 if width > 1 else 0
        grid = []
        for (s0, s1, t0, t1) in zones:
            rows = t1 - t0
            if rows <= 0:
                continue
            band = img.resize((target, rows), Image.BOX,
                              box=(left, s0, right, s1))
            for y in range(rows):
                row = [0.0] * width
                for x in range(target):
                    row[x0 + x] = band.getpixel((x, y)) / 255.0
                grid.append(row)
        assert len(grid) == ROWS
        return grid


def render_all():
    renderer = Renderer()
    box = parse_art(BOX, 10)
    glyphs = []
    for code in range(256):
        width = WIDTHS[code]
        if code in BOX_CODES:
            glyphs.append(box)
            continue
        if code in OVERRIDES:
            glyphs.append(parse_art(OVERRIDES[code], width))
            continue
        ch = bytes([code]).decode("cp1252")
        lowercase = ch.islower()
        cov = renderer.coverage(ch, width, lowercase)
        glyphs.append([[c >= 0.5 for c in row] for row in cov])
    return glyphs


def encode(glyphs):
    table = bytearray([0, 255])
    offsets_at = len(table)
    table += bytes(4 * 256)
    for code, glyph in enumerate(glyphs):
        width = WIDTHS[code]
        table[offsets_at + 4 * code: offsets_at + 4 * code + 4] = len(table).to_bytes(4, "little")
        table += bytes([width, ROWS])
        for row in reversed(glyph):
            bits = [not ink for ink in row] + [True] * (-width % 8)
            for i in range(0, len(bits), 8):
                byte = 0
                for b in bits[i:i + 8]:
                    byte = byte << 1 | b
                table.append(byte)
    return bytes(table)


def cpp_source(table):
    lines = [
        "// Generated by tools/make_font.py from DejaVu Sans; do not edit by hand.",
        "// The glyph pictures and how to regenerate them: docs/font.md.",
        '#include "raster/builtin_font.h"',
        "",
        "static_assert(kBuiltinFontSize == %d, \"font table size\");" % len(table),
        "",
        "const unsigned char kBuiltinFont[kBuiltinFontSize] = {",
    ]
    for i in range(0, len(table), 16):
        lines.append("    " + ", ".join("0x%02X" % b for b in table[i:i + 16]) + ",")
    lines.append("};")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="only compare with the committed file")
    parser.add_argument("--output", default=OUTPUT)
    args = parser.parse_args()
    table = encode(render_all())
    assert len(table) == 7282, len(table)
    source = cpp_source(table)
    if args.check:
        with open(args.output, encoding="ascii") as f:
            if f.read() != source:
                sys.exit("%s is stale; rerun tools/make_font.py" % args.output)
        return
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(source)


if __name__ == "__main__":
    main()
