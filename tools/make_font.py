#!/usr/bin/python3
"""Generate raster/builtin_font.cpp, the chart's built-in bitmap font.

The glyphs come from DejaVu Sans (Debian's fonts-dejavu-core), rendered by
Pillow one bit deep at 14 pixels with the font's own hinting, then fitted to
each character's fixed advance width. Accented letters are put together from
their base letter and a hand-drawn accent. Glyphs that rendered badly are
drawn by hand below as ASCII art and replace the rendered ones, so rerunning
the script reproduces the committed table (with the same FreeType; see
docs/font.md).

    /usr/bin/python3 tools/make_font.py            # rewrite raster/builtin_font.cpp
    /usr/bin/python3 tools/make_font.py --check    # fail if the file is stale
"""

import argparse
import os
import sys
import unicodedata

# FreeType's older interpreter runs DejaVu's hints in both directions, which
# puts stems on whole pixels; the newer one hints vertically only and leaves
# ragged one-bit shapes. Must be set before FreeType starts.
os.environ["FREETYPE_PROPERTIES"] = "truetype:interpreter-version=35"

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
OUTPUT = os.path.join(ROOT, "raster", "builtin_font.cpp")

ROWS = 16
BASELINE = 13        # first row below the baseline
CAP_TOP = 3          # capitals fill rows 3..12, small letters 5..12
CAP_ROWS = 10

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
.########.
.#......#.
.#......#.
.#......#.
.#......#.
.#......#.
.#......#.
.#......#.
.#......#.
.########.
"""

# Hand-mended glyphs: character -> (first row, rows of '#' ink and '.'
# background); rows above and below are blank. These replace rendered glyphs
# that came out ragged, lopsided or too wide for their advance. Digits and
# the signs around them label the chart's axes, so they are all drawn here.
OVERRIDES = {
    "0": (3, """
        .####..
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        .####..
        """),
    "1": (3, """
        ..##...
        .#.#...
        #..#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        .#####.
        """),
    "2": (3, """
        .####..
        #....#.
        .....#.
        .....#.
        ....#..
        ...#...
        ..#....
        .#.....
        #......
        ######.
        """),
    "3": (3, """
        .####..
        #....#.
        .....#.
        .....#.
        ..###..
        .....#.
        .....#.
        .....#.
        #....#.
        .####..
        """),
    "4": (3, """
        ....#..
        ...##..
        ..#.#..
        ..#.#..
        .#..#..
        #...#..
        ######.
        ....#..
        ....#..
        ....#..
        """),
    "5": (3, """
        ######.
        #......
        #......
        #.###..
        ##...#.
        .....#.
        .....#.
        .....#.
        #....#.
        .####..
        """),
    "6": (3, """
        ..####.
        .#.....
        #......
        #......
        #.###..
        ##...#.
        #....#.
        #....#.
        #....#.
        .####..
        """),
    "7": (3, """
        ######.
        .....#.
        ....#..
        ....#..
        ...#...
        ...#...
        ..#....
        ..#....
        .#.....
        .#.....
        """),
    "8": (3, """
        .####..
        #....#.
        #....#.
        #....#.
        .####..
        #....#.
        #....#.
        #....#.
        #....#.
        .####..
        """),
    "9": (3, """
        .####..
        #....#.
        #....#.
        #....#.
        #...##.
        .###.#.
        .....#.
        .....#.
        ....#..
        ####...
        """),
    "#": (3, """
        .#..#..
        .#..#..
        .#..#..
        ######.
        .#..#..
        .#..#..
        ######.
        .#..#..
        .#..#..
        .#..#..
        """),
    "$": (2, """
        ..#....
        .####..
        #.#..#.
        #.#....
        #.#....
        .####..
        ..#..#.
        ..#..#.
        #.#..#.
        .####..
        ..#....
        """),
    "%": (3, """
        .##....#....
        #..#...#....
        #..#..#.....
        #..#..#.....
        .##..#......
        .....#..##..
        ....#..#..#.
        ....#..#..#.
        ...#...#..#.
        ...#....##..
        """),
    "*": (3, """
        ..#..
        #.#.#
        .###.
        #.#.#
        ..#..
        """),
    "+": (5, """
        ...#....
        ...#....
        ...#....
        #######.
        ...#....
        ...#....
        ...#....
        """),
    "=": (7, """
        #######.
        ........
        ........
        #######.
        """),
    "<": (5, """
        ......#.
        ....##..
        ..##....
        ##......
        ..##....
        ....##..
        ......#.
        """),
    ">": (5, """
        #.......
        .##.....
        ...##...
        .....##.
        ...##...
        .##.....
        #.......
        """),
    "/": (3, """
        ..#.
        ..#.
        ..#.
        .#..
        .#..
        .#..
        .#..
        #...
        #...
        #...
        """),
    "\\": (3, """
        #...
        #...
        #...
        .#..
        .#..
        .#..
        .#..
        ..#.
        ..#.
        ..#.
        """),
    "^": (3, """
        ..#..
        .#.#.
        #...#
        """),
    "`": (3, """
        .#..
        ..#.
        """),
    "A": (3, """
        ...##....
        ...##....
        ..#..#...
        ..#..#...
        ..#..#...
        .#....#..
        .######..
        .#....#..
        #......#.
        #......#.
        """),
    "J": (3, """
        ....#.
        ....#.
        ....#.
        ....#.
        ....#.
        ....#.
        ....#.
        #...#.
        #...#.
        .###..
        """),
    "Q": (3, """
        ..#####...
        .##...##..
        ##.....##.
        #.......#.
        #.......#.
        #.......#.
        #....#..#.
        ##....###.
        .##...##..
        ..#####.#.
        """),
    "T": (3, """
        .#####.
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        ...#...
        """),
    "V": (3, """
        #......#.
        #......#.
        .#....#..
        .#....#..
        .#....#..
        ..#..#...
        ..#..#...
        ..#..#...
        ...##....
        ...##....
        """),
    "W": (3, """
        .#.........#.
        .#.........#.
        .#....#....#.
        ..#...#...#..
        ..#..#.#..#..
        ..#..#.#..#..
        ..#..#.#..#..
        ...#.#.#.#...
        ...#.#.#.#...
        ....#...#....
        """),
    "X": (3, """
        #....#.
        #....#.
        .#..#..
        .#..#..
        ..##...
        ..##...
        .#..#..
        .#..#..
        #....#.
        #....#.
        """),
    "Y": (3, """
        .#.....#.
        .#.....#.
        ..#...#..
        ..#...#..
        ...#.#...
        ....#....
        ....#....
        ....#....
        ....#....
        ....#....
        """),
    "Z": (3, """
        ######.
        .....#.
        ....#..
        ....#..
        ...#...
        ..#....
        .#.....
        .#.....
        #......
        ######.
        """),
    "f": (3, """
        .##
        .#.
        ###
        .#.
        .#.
        .#.
        .#.
        .#.
        .#.
        .#.
        """),
    "o": (5, """
        .####..
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        #....#.
        .####..
        """),
    "t": (4, """
        .#..
        ###.
        .#..
        .#..
        .#..
        .#..
        .#..
        .#..
        ..#.
        """),
    "v": (5, """
        #...#
        #...#
        #...#
        .#.#.
        .#.#.
        .#.#.
        ..#..
        ..#..
        """),
    "w": (5, """
        .#.....#.
        .#.....#.
        .#..#..#.
        ..#.#.#..
        ..#.#.#..
        ..#.#.#..
        ...#.#...
        ...#.#...
        """),
    "x": (5, """
        #....#.
        .#..#..
        .#..#..
        ..##...
        ..##...
        .#..#..
        .#..#..
        #....#.
        """),
    "y": (5, """
        .#...#.
        .#...#.
        .#...#.
        ..#.#..
        ..#.#..
        ..#.#..
        ...#...
        ...#...
        ..#....
        ..#....
        ##.....
        """),
    "\u00df": (3, """
        ..####...
        .#....#..
        .#....#..
        .#...#...
        .#..#....
        .#..##...
        .#....#..
        .#....#..
        .#....#..
        .#.###...
        """),
    "\u20ac": (3, """
        ...###.
        ..#....
        .#.....
        #####..
        .#.....
        #####..
        .#.....
        .#.....
        ..#....
        ...###.
        """),
    "\u201a": (11, """
        .#.
        .#.
        #..
        """),
    "\u201e": (11, """
        .#.#
        .#.#
        #.#.
        """),
    "\u2018": (3, """
        .#.
        #..
        #..
        """),
    "\u2019": (3, """
        .#.
        .#.
        #..
        """),
    "\u201c": (3, """
        .#.#
        #.#.
        #.#.
        """),
    "\u201d": (3, """
        .#.#
        .#.#
        #.#.
        """),
    "\u2030": (3, """
        .##....#......
        #..#...#......
        #..#..#.......
        #..#..#.......
        .##..#........
        .....#.#...#..
        ....#.#.#.#.#.
        ....#.#.#.#.#.
        ...#..#.#.#.#.
        ...#...#...#..
        """),
    "\u2122": (3, """
        #####.#...#..
        ..#...##.##..
        ..#...#.#.#..
        ..#...#...#..
        ..#...#...#..
        """),
    "\u02c6": (3, """
        .#..
        #.#.
        """),
    "\u02dc": (3, """
        .#.#
        #.#.
        """),
    "\u00a8": (3, """
        #.#.
        """),
    "\u00b4": (3, """
        ..#.
        .#..
        """),
    "\u00b8": (13, """
        .#..
        ..#.
        ##..
        """),
    "\u00ad": (9, """
        ###.
        """),
    "\u00a5": (3, """
        .#...#.
        .#...#.
        ..#.#..
        ..#.#..
        ...#...
        .#####.
        ...#...
        .#####.
        ...#...
        ...#...
        """),
    "\u00bc": (3, """
        .#......#..
        ##.....#...
        .#....#....
        .#....#....
        ###..#.....
        .....#..#..
        ....#..##..
        ....#.#.#..
        ...#..####.
        ...#....#..
        """),
    "\u00bd": (3, """
        .#......#..
        ##.....#...
        .#....#....
        .#....#....
        ###..#.....
        .....#.##..
        ....#.#..#.
        ....#...#..
        ...#...#...
        ...#..####.
        """),
    "\u00be": (3, """
        ##......#..
        ..#....#...
        .#....#....
        ..#...#....
        ##...#.....
        .....#..#..
        ....#..##..
        ....#.#.#..
        ...#..####.
        ...#....#..
        """),
    "\u00d8": (3, """
        ..#####.#.
        .##...##..
        ##....#.#.
        #....#..#.
        #....#..#.
        #...#...#.
        #..#....#.
        ##.#...##.
        .##...##..
        #.#####...
        """),
    "\u00de": (3, """
        .#.......
        .#.......
        .######..
        .#.....#.
        .#.....#.
        .#.....#.
        .######..
        .#.......
        .#.......
        .#.......
        """),
    "\u00f0": (3, """
        ...##..
        .###...
        ....#..
        .....#.
        .#####.
        #....#.
        #....#.
        #....#.
        #....#.
        .####..
        """),
}

# Accents are drawn by hand and put on the base letters, because at this
# size the rendered ones land on whatever row the hints like and often touch
# the letter. Capitals carry theirs in rows 1..2, small letters in rows 2..3
# above the x-height (rows 5..12). The anchor is the accent's column (may be
# a half) that goes over the middle of the base letter's ink.
ACCENTS = {
    # name: (rows from the top row, anchor)
    "grave": (["#.", ".#"], 1),
    "acute": ([".#", "#."], 0),
    "circumflex": ([".#.", "#.#"], 1),
    "tilde": ([".##.#", "#..#."], 2),
    "dieresis": (["#...#"], 2),
    "dieresis_even": (["#..#"], 1.5),
    "dieresis_narrow": (["#.#"], 1),
    "ring": ([".##.", "#..#", ".##."], 1.5),
    "caron": (["#.#", ".#."], 1),
}
CAPITAL_ACCENT_ROW = 1
SMALL_ACCENT_ROW = 2

MARKS = {"0300": "grave", "0301": "acute", "0302": "circumflex", "0303": "tilde",
         "0308": "dieresis", "030A": "ring", "030C": "caron"}


def accent_of(ch):
    """(base character, accent, top row of the accent) for an accented letter
    that is drawn as base plus accent, else None."""
    parts = unicodedata.decomposition(ch).split()
    if len(parts) != 2 or parts[1] not in MARKS:
        return None
    base, accent = chr(int(parts[0], 16)), MARKS[parts[1]]
    if base not in "AEINOUYSZaeinouysz":
        return None
    small = base.islower()
    if base == "i":
        base = "\u0131"  # dotless, the accent replaces the dot
    row = SMALL_ACCENT_ROW if small else CAPITAL_ACCENT_ROW
    if accent == "dieresis":
        # One row of dots. Capitals keep a row of air under them; over small
        # letters the dots sit as low as the dot of the i.
        if small:
            row += 1
        if base in "I\u0131":
            accent = "dieresis_narrow"
    if accent == "ring":
        row -= 1  # three rows high
    return base, accent, row


# The regular face first; the condensed one for what does not fit.
SOURCES = [
    ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 14),
    ("/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", 14),
]


def parse_art(art, width, top=0):
    """Glyph rows from ASCII art whose first line is row `top`."""
    lines = [line.strip() for line in art.strip().splitlines()]
    assert top + len(lines) <= ROWS, lines
    rows = ["." * width] * top + lines + ["." * width] * (ROWS - top - len(lines))
    for row in rows:
        assert len(row) == width and set(row) <= set(".#"), (row, width)
    return [[c == "#" for c in row] for row in rows]


class Source:
    """One face at one pixel size, rendered one bit deep with its hinting.

    At 14 pixels DejaVu's hints put capitals on exactly 10 rows and the
    x-height on 8, which is the grid this font wants; a plain area-sampled
    rendering blurs stems and breaks thin diagonals instead.
    """

    def __init__(self, path, size):
        self.font = ImageFont.truetype(path, size)
        top, bottom = self.ink_rows("H")
        assert bottom - top == CAP_ROWS, (path, size, top, bottom)
        self.shift = BASELINE - bottom  # image row + shift = glyph row

    def image(self, ch):
        img = Image.new("1", (64, 48), 0)
        draw = ImageDraw.Draw(img)
        draw.fontmode = "1"
        draw.text((16, 32), ch, font=self.font, fill=1, anchor="ls")
        return img

    def ink_rows(self, ch):
        bbox = self.image(ch).getbbox()
        return bbox[1], bbox[3]

    def glyph(self, ch):
        """Rows 0..15 of ink columns, cropped to the ink; None without ink."""
        img = self.image(ch)
        bbox = img.getbbox()
        if bbox is None:
            return None
        left, top, right, bottom = bbox
        # Marks the hints put outside the box (the underscore) are moved in.
        shift = self.shift
        shift -= max(0, bottom + shift - ROWS)
        shift += max(0, -(top + shift))
        rows = []
        for r in range(ROWS):
            y = r - shift
            rows.append([0 <= y < img.height and img.getpixel((x, y)) != 0
                         for x in range(left, right)])
        return rows


def narrowed(rows, width):
    """The glyph narrowed to `width` columns by removing columns that merely
    repeat their neighbour (wide bars, doubled stems); None if that is not
    enough, because removing any other column changes the letter's shape."""
    rows = [list(r) for r in rows]
    while len(rows[0]) > width:
        n = len(rows[0])
        repeats = [c for c in range(1, n) if all(r[c] == r[c - 1] for r in rows)]
        if not repeats:
            return None
        c = min(repeats, key=lambda c: abs(c - n / 2))
        for r in rows:
            del r[c]
    return rows


def place(ink, width):
    """Put cropped ink into a glyph of `width` columns, gap on the right."""
    iw = len(ink[0])
    assert iw <= width
    x0 = (width - iw) // 2 if width - iw >= 2 else 0
    return [[False] * x0 + list(r) + [False] * (width - iw - x0) for r in ink]


def render(sources, ch, width):
    """The rendered glyph fitted to `width`, or None if it needs a hand."""
    room = max(1, width - 1)
    for source in sources:
        ink = source.glyph(ch)
        if ink is None:
            return [[False] * width for _ in range(ROWS)]
        ink = narrowed(ink, room)
        if ink is not None:
            return place(ink, width)
    return None


def compose(base, accent, top):
    """Put an accent over a base glyph, centred on the base letter's ink."""
    art, anchor = ACCENTS[accent]
    glyph = [list(r) for r in base]
    width = len(glyph[0])
    ink = [c for r in glyph[top + len(art):BASELINE] for c, on in enumerate(r) if on]
    if not ink:  # only in draft mode
        return glyph
    middle = (min(ink) + max(ink)) / 2
    if accent == "dieresis" and middle % 1:
        # Even-width letters get their dots one column closer, so that
        # they stand symmetrically over the letter.
        art, anchor = ACCENTS["dieresis_even"]
    left = int(middle - anchor + 0.5)
    assert 0 <= left and left + len(art[0]) <= width, (accent, left, width)
    for dy, line in enumerate(art):
        for dx, c in enumerate(line):
            if c == "#":
                glyph[top + dy][left + dx] = True
    return glyph


def make_glyph(sources, ch, width):
    if ch in OVERRIDES:
        top, art = OVERRIDES[ch]
        return parse_art(art, width, top)
    if accent_of(ch):
        base, accent, top = accent_of(ch)
        return compose(make_glyph(sources, base, width), accent, top)
    glyph = render(sources, ch, width)
    if glyph is not None and ch.islower() and any(glyph[CAP_TOP - 1]):
        # DejaVu's ascenders stand a row above its capitals; at this size
        # that row reads as noise, so ascenders end at the capital height.
        glyph[CAP_TOP - 1] = [False] * width
    if glyph is None:
        if not os.environ.get("FONT_DRAFT"):
            sys.exit("%r does not fit %d columns; draw it in OVERRIDES" % (ch, width))
        # Draft mode, for looking at a half-mended font: leave a gap.
        glyph = [[False] * width for _ in range(ROWS)]
    return glyph


def render_all():
    sources = [Source(path, size) for path, size in SOURCES]
    box = parse_art(BOX, 10, 3)
    glyphs = []
    for code in range(256):
        if code in BOX_CODES:
            glyphs.append(box)
        else:
            glyphs.append(make_glyph(sources, bytes([code]).decode("cp1252"), WIDTHS[code]))
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
                sys.exit("%s differs from what this script makes here (stale, or another"
                         " FreeType renders the hints differently)" % args.output)
        return
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(source)


if __name__ == "__main__":
    main()
