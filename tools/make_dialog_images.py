#!/usr/bin/env python3
"""Draws the dialog program's two pictures and writes them in the formats
the resource compiler takes:

  app/gui/tolmaric.ico  the program icon, 16 x 16 and 32 x 32, 32-bit colour
                        with an AND mask: a green height profile under a
                        blue sky with the route drawn over it in red;
  app/gui/folder.bmp    the browse buttons' picture, 16 x 14, 16 colours:
                        an open yellow folder with a black outline and a
                        small arrow at its top right, on light grey
                        (0xC0C0C0, the transparent colour).

Both are written byte by byte (no PNG inside the icon) so that every
Windows version and wine read them. Run: python3 tools/make_dialog_images.py
"""
import os
import struct

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")

# ---- The folder: one character per pixel -----------------------------------
FOLDER = [
    "................",
    "...........k....",
    "..........kk....",
    "..kkkk...kkkkk..",
    ".kyYyYk...kk.k..",
    ".kYyYykkkkk..k..",
    ".kyYyYyYyYyk....",
    ".kYyYykkkkkkkkkk",
    ".kyYykwwwwwwwwk.",
    ".kYykwwwwwwwwk..",
    ".kykwwwwwwwwk...",
    ".kkwwwwwwwwk....",
    ".kkkkkkkkkkk....",
    "................",
]
# The 16 standard colours; the folder uses four of them.
VGA = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
       0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]
FOLDER_COLOURS = {".": 0xC0C0C0, "k": 0x000000, "y": 0x808000, "Y": 0xFFFF00, "w": 0xFFFF00}


def folder_bmp():
    width, height = len(FOLDER[0]), len(FOLDER)
    stride = ((width * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(FOLDER):
        indexes = [VGA.index(FOLDER_COLOURS[c]) for c in row]
        packed = bytes(indexes[i] << 4 | indexes[i + 1] for i in range(0, width, 2))
        pixels += packed + b"\0" * (stride - len(packed))
    palette = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16, 0) for c in VGA)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    return header + info + palette + pixels


# ---- The icon: drawn at each size from the same profile -------------------
PROFILE = [0.30, 0.42, 0.38, 0.55, 0.72, 0.64, 0.80, 0.93, 0.70, 0.52, 0.58, 0.40, 0.33]
SKY, GROUND, EDGE, ROUTE, FRAME = 0x9CCBF0, 0x3C9A3C, 0x1E5A1E, 0xD02020, 0x303030


def height_at(x, size):
    """Profile height in pixels from the bottom at column x."""
    t = (x + 0.5) / size * (len(PROFILE) - 1)
    i = min(int(t), len(PROFILE) - 2)
    h = PROFILE[i] + (PROFILE[i + 1] - PROFILE[i]) * (t - i)
    return h * (size - 4)


def icon_pixels(size):
    """Rows top to bottom of (colour, opaque)."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            border = x == 0 or y == 0 or x == size - 1 or y == size - 1
            up = size - 1 - y  # pixels above the bottom
            h = height_at(x, size)
            if border:
                row.append((FRAME, True))
            elif abs(up - (h + size / 16)) < max(1, size / 20):
                row.append((ROUTE, True))
            elif up < h - size / 16:
                row.append((GROUND, True))
            elif up < h:
                row.append((EDGE, True))
            else:
                row.append((SKY, True))
        rows.append(row)
    return rows


def icon_image(size):
    rows = icon_pixels(size)
    xor = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16, 0xFF if o else 0)
                   for row in reversed(rows) for c, o in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = 0
        for x, (_, opaque) in enumerate(row):
            if not opaque:
                bits |= 1 << (mask_stride * 8 - 1 - x)
        mask += bits.to_bytes(mask_stride, "big")
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return data + b"".join(images)


def main():
    folder = os.path.join(TOP, "app", "gui")
    with open(os.path.join(folder, "folder.bmp"), "wb") as f:
        f.write(folder_bmp())
    with open(os.path.join(folder, "tolmaric.ico"), "wb") as f:
        f.write(icon_file([16, 32]))


if __name__ == "__main__":
    main()
