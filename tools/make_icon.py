#!/usr/bin/python3
"""Draws the launcher's application icon and writes it as resources/zub_launcher.ico, or as
the PNG files of the Linux desktop (resources/hicolor/<size>x<size>/zub-launcher.png).

A blue rounded square carrying a white document page with a folded corner and a blue "Z".
Drawn with plain Python (4x4 supersampling per pixel); the small sizes are stored as 32-bit
bitmaps, the 256-pixel size as PNG, as Windows expects.

Usage: make_icon.py [OUTPUT_ICO]
       make_icon.py --png [OUTPUT_FOLDER]
"""

import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
# The hicolor theme asks for 48 pixels at least; 256 serves the large views.
PNG_SIZES = (48, 256)
SUPERSAMPLE = 4

BLUE = (0x1F, 0x5F, 0xA8)
WHITE = (0xFF, 0xFF, 0xFF)
FOLD = (0xC8, 0xD6, 0xE8)


def in_rounded_square(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    inside_box = left <= x <= right and top <= y <= bottom
    return inside_box and (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_polygon(x, y, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def near_segment(x, y, a, b, half_width):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width


# The page (with its corner cut off) and the fold, in units of the icon's side.
PAGE = [(0.26, 0.14), (0.60, 0.14), (0.76, 0.30), (0.76, 0.86), (0.26, 0.86)]
FOLD_TRIANGLE = [(0.60, 0.14), (0.60, 0.30), (0.76, 0.30)]
Z_STROKES = [
    ((0.37, 0.42), (0.65, 0.42)),
    ((0.65, 0.42), (0.37, 0.74)),
    ((0.37, 0.74), (0.65, 0.74)),
]


def color_at(x, y):
    """The colour at a point of the unit square, or None where the icon is transparent."""
    if not in_rounded_square(x, y, 0.04, 0.04, 0.96, 0.96, 0.18):
        return None
    if in_polygon(x, y, FOLD_TRIANGLE):
        return FOLD
    if in_polygon(x, y, PAGE):
        if any(near_segment(x, y, a, b, 0.055) for a, b in Z_STROKES):
            return BLUE
        return WHITE
    return BLUE


def render(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    rows = []
    samples = SUPERSAMPLE * SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    color = color_at((px + (sx + 0.5) / SUPERSAMPLE) / size,
                                     (py + (sy + 0.5) / SUPERSAMPLE) / size)
                    if color is not None:
                        r, g, b, covered = r + color[0], g + color[1], b + color[2], covered + 1
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((r // covered, g // covered, b // covered, 255 * covered // samples))
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    """A 32-bit DIB as icons store it: doubled height, rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + b"\0" * (mask_row * size)


def png_image(size, rows):
    def chunk(kind, data):
        crc = struct.pack(">I", zlib.crc32(kind + data))
        return struct.pack(">I", len(data)) + kind + data + crc

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(sizes):
    images = []
    for size in sizes:
        rows = render(size)
        images.append(png_image(size, rows) if size >= 256 else bitmap_image(size, rows))
    offset = 6 + 16 * len(sizes)
    out = struct.pack("<HHH", 0, 1, len(sizes))
    for size, image in zip(sizes, images):
        side = 0 if size >= 256 else size  # 0 stands for 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main(argv):
    resources = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    if len(argv) > 1 and argv[1] == "--png":
        folder = argv[2] if len(argv) > 2 else os.path.join(resources, "hicolor")
        for size in PNG_SIZES:
            target = os.path.join(folder, "%dx%d" % (size, size), "zub-launcher.png")
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as out:
                out.write(png_image(size, render(size)))
        return 0
    target = argv[1] if len(argv) > 1 else os.path.join(resources, "zub_launcher.ico")
    with open(target, "wb") as out:
        out.write(icon_file(SIZES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
