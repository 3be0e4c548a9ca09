#!/usr/bin/python3
"""Draw a specimen of the built-in font as a PNG, for judging it by eye.

Reads the table back out of raster/builtin_font.cpp (not from the generator),
so the picture shows exactly what the program draws: all 256 glyphs enlarged
with their box and advance marked, the same glyphs at 1:1, and sample lines.

    /usr/bin/python3 tools/font_specimen.py [docs/font-specimen.png] [--scale N]
"""

import argparse
import os
import re

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, "raster", "builtin_font.cpp")
LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

SAMPLES = [
    "Höhenprofil Zürich – Ötztal: 12,35 km, 1234 m, 56 %, 47,5°",
    "ÄÖÜ äöü ß µ € „Grüße“ ”quoted” — … 0123456789 km m : %",
    "The quick brown fox jumps over the lazy dog. (Sigma-Gipfel) [x/y]",
    "Steigung 8,0 %  Länge 3.456 km  Höhe 2962 m  Gefälle -12 %",
]


def load_table(path=TABLE):
    with open(path, encoding="ascii") as f:
        text = f.read()
    body = text[text.index("{") + 1:text.rindex("}")]
    return bytes(int(h, 16) for h in re.findall(r"0x([0-9A-Fa-f]{2})", body))


def glyphs(table):
    """code -> (width, rows top-down of booleans, True = ink)."""
    first, last = table[0], table[1]
    out = {}
    for code in range(first, last + 1):
        at = int.from_bytes(table[2 + 4 * (code - first):6 + 4 * (code - first)], "little")
        width, height = table[at], table[at + 1]
        stride = (width + 7) // 8
        rows = []
        for r in range(height):
            data = table[at + 2 + r * stride: at + 2 + (r + 1) * stride]
            rows.append([not (data[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
        rows.reverse()  # stored bottom-up
        out[code] = (width, rows)
    return out


def draw_text(img, x, y, text, font, ink=(0, 0, 0)):
    for ch in text.encode("cp1252"):
        width, rows = font[ch]
        for r, row in enumerate(rows):
            for c, on in enumerate(row):
                if on:
                    img.putpixel((x + c, y + r), ink)
        x += width
    return x


def specimen(font, scale):
    label = ImageFont.truetype(LABEL_FONT, 11)
    cell_w, cell_h = 14 * scale + 12, 16 * scale + 24
    margin = 10
    grid_w = 16 * cell_w
    img = Image.new("RGB", (grid_w + 2 * margin, 16 * cell_h + 600), "white")
    d = ImageDraw.Draw(img)
    for code in range(256):
        width, rows = font[code]
        cx = margin + (code % 16) * cell_w
        cy = margin + (code // 16) * cell_h
        d.text((cx, cy), "%3d %02X" % (code, code), fill=(90, 90, 90), font=label)
        gx, gy = cx, cy + 16
        # Glyph box in pale blue, cap zone and baseline marked.
        d.rectangle([gx, gy, gx + width * scale - 1, gy + 16 * scale - 1], fill=(225, 235, 250))
        d.rectangle([gx, gy + 3 * scale, gx + width * scale - 1, gy + 13 * scale - 1], fill=(205, 220, 245))
        for r, row in enumerate(rows):
            for c, on in enumerate(row):
                if on:
                    d.rectangle([gx + c * scale, gy + r * scale,
                                 gx + (c + 1) * scale - 1, gy + (r + 1) * scale - 1], fill="black")
        d.line([gx, gy + 13 * scale, gx + width * scale - 1, gy + 13 * scale], fill=(220, 80, 80))
        # The same glyph at 1:1 beside the label.
        for r, row in enumerate(rows):
            for c, on in enumerate(row):
                if on:
                    img.putpixel((cx + 52 + c, cy + r - 2), (0, 0, 0))
    # Whole rows at 1:1.
    y = margin + 16 * cell_h + 10
    for block in range(16):
        x = margin + (block % 4) * (grid_w // 4)
        yy = y + (block // 4) * 20
        for code in range(block * 16, block * 16 + 16):
            width, rows = font[code]
            for r, row in enumerate(rows):
                for c, on in enumerate(row):
                    if on:
                        img.putpixel((x + c, yy + r), (0, 0, 0))
            x += width + 2
    y += 4 * 20 + 10
    for text in SAMPLES:
        draw_text(img, margin, y, text, font)
        y += 20
    # Sample lines enlarged three times, as they would look zoomed in.
    for text in SAMPLES[:2]:
        line = Image.new("RGB", (grid_w, 16), "white")
        draw_text(line, 0, 0, text, font)
        img.paste(line.resize((grid_w * 3, 48), Image.NEAREST).crop((0, 0, grid_w, 48)), (margin, y))
        y += 50
    return img.crop((0, 0, img.width, y + margin))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default=os.path.join(ROOT, "docs", "font-specimen.png"))
    parser.add_argument("--scale", type=int, default=6)
    parser.add_argument("--table", default=TABLE)
    args = parser.parse_args()
    specimen(glyphs(load_table(args.table)), args.scale).save(args.output, optimize=True)


if __name__ == "__main__":
    main()
