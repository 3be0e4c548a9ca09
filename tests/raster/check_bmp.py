#!/usr/bin/python3
"""Reads every BMP file that raster_bmp_samples writes back with Pillow, an
independent reader, and compares each pixel with the pattern recomputed here.

    /usr/bin/python3 check_bmp.py <path of raster_bmp_samples>
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image

SIZES = [(13, 7), (32, 3)]
FORMATS = [1, 4, 8, 12, 15, 16, 24, 32]
BASE16 = [0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
          0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF]


def default_palette(bits):
    if bits == 1:
        return [0x000000, 0xFFFFFF]
    if bits == 4:
        return list(BASE16)
    palette = list(BASE16) + [0] * 240
    for i in range(128, 256):
        palette[i] = ((((i >> 5) & 3) * 64 + 32) << 16 | (((i >> 2) & 7) * 32 + 16) << 8
                      | ((i & 3) * 64 + 32))
    for i in range(16, 32):
        grey = (i * 16) % 256
        palette[i] = grey * 0x010101
    for i in range(32, 248):
        palette[i] = (((i // 36) % 6 * 43 + 20) << 16 | ((i // 6) % 6 * 43 + 20) << 8
                      | (i % 6 * 43 + 20))
    return palette


def split(colour):
    return (colour >> 16) & 255, (colour >> 8) & 255, colour & 255


def expected_pixel(bits, x, y):
    if bits <= 8:
        palette = default_palette(bits)
        return split(palette[(x * 3 + y * 5) % len(palette)])
    red = (x * 37 + y * 11) & 255
    green = (x * 23 + y * 57) & 255
    blue = (x * 13 + y * 71 + 5) & 255
    keep = {12: (0xF0, 0xF0, 0xF0), 15: (0xF8, 0xF8, 0xF8), 16: (0xF8, 0xFC, 0xF8)}
    mask = keep.get(bits, (0xFF, 0xFF, 0xFF))
    return red & mask[0], green & mask[1], blue & mask[2]


def check_pattern(folder, bits, width, height):
    name = os.path.join(folder, "pattern_%d_%dx%d.bmp" % (bits, width, height))
    problems = []
    with open(name, "rb") as f:
        raw = f.read()
    file_bits = bits if bits <= 8 else 24
    stored_bits, = struct.unpack_from("<H", raw, 28)
    if stored_bits != file_bits:
        problems.append("%s: %d bits per pixel in the header, expected %d" % (name, stored_bits, file_bits))
    with Image.open(name) as image:
        if image.size != (width, height):
            problems.append("%s: size %s" % (name, image.size))
            return problems
        rgb = image.convert("RGB")
        for y in range(height):
            for x in range(width):
                got, want = rgb.getpixel((x, y)), expected_pixel(bits, x, y)
                if got != want:
                    problems.append("%s: pixel (%d,%d) is %s, expected %s" % (name, x, y, got, want))
                    return problems
    return problems


def main():
    program = sys.argv[1]
    folder = tempfile.mkdtemp(prefix="tolmaric-bmp-")
    try:
        subprocess.run([program, folder], check=True)
        problems = []
        for bits in FORMATS:
            for width, height in SIZES:
                problems += check_pattern(folder, bits, width, height)
        with Image.open(os.path.join(folder, "drawing.bmp")) as drawing:
            drawing.load()
            if drawing.size != (420, 140):
                problems.append("drawing.bmp: size %s" % (drawing.size,))
        for problem in problems:
            print(problem)
        checked = len(FORMATS) * len(SIZES)
        print("%d pattern files checked, %d problems" % (checked, len(problems)))
        return 1 if problems else 0
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
