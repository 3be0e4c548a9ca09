#!/usr/bin/python3
"""Reads every PNG that raster_png_samples writes with Pillow and with
Python's zlib, independent readers, and compares its pixels with those of
the BMP written from the same picture.

    /usr/bin/python3 check_png.py <path of raster_png_samples>
"""

import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image


def zlib_problems(name):
    """The IDAT data must be one zlib stream that ends exactly at its end."""
    with open(name, "rb") as f:
        raw = f.read()
    at, stream = 8, b""
    while at < len(raw):
        length, kind = struct.unpack_from(">I4s", raw, at)
        if kind == b"IDAT":
            stream += raw[at + 8:at + 8 + length]
        at += 12 + length
    reader = zlib.decompressobj()
    rows = reader.decompress(stream)
    if not reader.eof or reader.unused_data:
        return ["%s: the zlib stream does not end where the IDAT data ends" % name]
    with Image.open(name) as image:
        width, height = image.size
    if len(rows) != height * (1 + 3 * width):
        return ["%s: %d filtered bytes, expected %d" % (name, len(rows), height * (1 + 3 * width))]
    return []


def check(png_name):
    bmp_name = png_name[:-4] + ".bmp"
    problems = zlib_problems(png_name)
    with Image.open(png_name) as image:
        image.verify()  # chunk CRCs
    with Image.open(png_name) as png, Image.open(bmp_name) as bmp:
        if png.mode != "RGB":
            problems.append("%s: mode %s" % (png_name, png.mode))
        if png.size != bmp.size:
            problems.append("%s: size %s, the BMP's %s" % (png_name, png.size, bmp.size))
        elif png.tobytes() != bmp.convert("RGB").tobytes():
            problems.append("%s: pixels differ from the BMP's" % png_name)
    return problems


def main():
    program = sys.argv[1]
    folder = tempfile.mkdtemp(prefix="tolmaric-png-")
    try:
        subprocess.run([program, folder], check=True)
        names = sorted(glob.glob(os.path.join(folder, "*.png")))
        problems = []
        for name in names:
            problems += check(name)
        for problem in problems:
            print(problem)
        print("%d PNG files checked, %d problems" % (len(names), len(problems)))
        return 1 if problems or len(names) != 11 else 0
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
