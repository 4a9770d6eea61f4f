#!/usr/bin/env python3
"""Draws the program's icons and writes them as Windows .ico files.

Usage: python3 res/icons/make_icons.py [output-directory]
(the default output directory is the directory of this script).

Each file holds one image: an ICONDIR, one ICONDIRENTRY and a DIB made of a
BITMAPINFOHEADER (height doubled), the colour table, the XOR bitmap (bottom-up
rows padded to 32 bits) and the 1-bit AND mask (1 = transparent, rows padded
to 32 bits). Only the standard library is used and the output is
byte-for-byte reproducible.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Colour tables

# The standard 16-colour palette, as (red, green, blue).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, DARK_YELLOW = 0, 1, 2, 3
DARK_BLUE, DARK_MAGENTA, DARK_CYAN, LIGHT_GRAY = 4, 5, 6, 7
DARK_GRAY, RED, GREEN, YELLOW = 8, 9, 10, 11
BLUE, MAGENTA, CYAN, WHITE = 12, 13, 14, 15

# Extra shades for the 256-colour folder icon (indices 16 and up).
FOLDER_SHADES = {
    "outline": (122, 82, 12),
    "back": (222, 168, 52),
    "back_dark": (190, 136, 30),
    "front": (255, 214, 98),
    "front_light": (255, 236, 160),
    "front_dark": (236, 184, 60),
    "paper": (255, 255, 255),
    "paper_edge": (120, 128, 140),
    "paper_line": (150, 170, 205),
}


def palette256():
    """The 16 standard colours, the folder shades, then a colour cube."""
    pal = list(VGA16)
    names = {}
    for name, rgb in FOLDER_SHADES.items():
        names[name] = len(pal)
        pal.append(rgb)
    levels = (0, 51, 102, 153, 204, 255)
    for r in levels:
        for g in levels:
            for b in levels:
                if len(pal) < 256:
                    pal.append((r, g, b))
    while len(pal) < 256:
        pal.append((0, 0, 0))
    return pal, names


# ---------------------------------------------------------------------------
# A tiny raster: a grid of palette indices, None meaning transparent.

class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def set(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = colour

    def paint(self, shape, fill, outline=None):
        """Paints a set of (x, y) pixels; with an outline colour, the pixels
        of the shape that touch the outside (4-neighbourhood) get it."""
        for (x, y) in shape:
            colour = fill
            if outline is not None:
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    if (x + dx, y + dy) not in shape:
                        colour = outline
                        break
            self.set(x, y, colour)


def rect(x0, y0, x1, y1):
    """Pixels of the inclusive rectangle."""
    return {(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)}


def polygon(size, points):
    """Pixels whose centre lies inside the polygon (even-odd rule)."""
    out = set()
    n = len(points)
    for y in range(size):
        cy = y + 0.5
        for x in range(size):
            cx = x + 0.5
            inside = False
            for i in range(n):
                (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
                if (y0 > cy) != (y1 > cy):
                    xi = x0 + (cy - y0) * (x1 - x0) / (y1 - y0)
                    if cx < xi:
                        inside = not inside
            if inside:
                out.add((x, y))
    return out


def coverage(size, inside, samples=8):
    """Fraction of each pixel covered by the region inside(x, y)."""
    cov = {}
    for y in range(size):
        for x in range(size):
            hits = 0
            for j in range(samples):
                for i in range(samples):
                    if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                        hits += 1
            cov[(x, y)] = hits / (samples * samples)
    return cov


# ---------------------------------------------------------------------------
# The icons

def draw_app():
    """32 x 32, 16 colours: a black disc with a yellow vertical bar."""
    c = Canvas(32)
    radius = 15.8

    def in_disc(x, y):
        return (x - 16) ** 2 + (y - 16) ** 2 <= radius * radius

    cov = coverage(32, in_disc)
    for (x, y), f in cov.items():
        if f >= 0.5:
            c.set(x, y, BLACK)
    # The bar: four pixels wide, centred, with rounded ends.
    for y in range(6, 26):
        for x in range(14, 18):
            c.set(x, y, YELLOW)
    for (x, y) in ((14, 6), (17, 6), (14, 25), (17, 25)):
        c.set(x, y, BLACK)
    return c


def draw_blank():
    """32 x 32, 16 colours: nothing at all."""
    return Canvas(32)


def draw_cross(fill, edge):
    """16 x 16, 16 colours: a diagonal cross with an outline."""
    c = Canvas(16)
    shape = set()
    for y in range(16):
        for x in range(16):
            u, v = x - 7.5, y - 7.5
            if max(abs(u), abs(v)) > 6.0:
                continue
            if abs(u - v) <= 2.2 or abs(u + v) <= 2.2:
                shape.add((x, y))
    c.paint(shape, fill, edge)
    return c


def draw_clear():
    return draw_cross(RED, DARK_RED)


def draw_clear_all():
    return draw_cross(BLUE, DARK_BLUE)


def draw_mail():
    """16 x 16, 16 colours: an envelope with a stamp in its corner."""
    c = Canvas(16)
    body = rect(0, 3, 15, 12)
    c.paint(body, WHITE, DARK_GRAY)
    # The flap: two lines from the upper corners meeting in the middle.
    for x in range(1, 8):
        y = 4 + round((x - 1) * 2 / 3)
        c.set(x, y, DARK_GRAY)
        c.set(15 - x, y, DARK_GRAY)
    # The stamp: red frame, yellow picture, in the upper right corner.
    c.paint(rect(10, 4, 14, 8), YELLOW, RED)
    c.set(12, 6, RED)
    return c


def draw_browse(names):
    """16 x 16, 256 colours: an open folder holding a sheet of paper."""
    c = Canvas(16)
    k = names
    # The back of the folder with its tab.
    back = rect(0, 3, 5, 5) | rect(0, 5, 14, 14)
    c.paint(back, k["back"], k["outline"])
    for y in range(6, 14):
        c.set(1, y, k["back_dark"])
    # The sheet of paper standing in the folder.
    paper = rect(4, 1, 12, 11)
    c.paint(paper, k["paper"], k["paper_edge"])
    for y in (3, 5, 7):
        for x in range(6, 11):
            c.set(x, y, k["paper_line"])
    # The front flap, leaning forward.
    front = polygon(16, [(4.0, 8.0), (15.0, 8.0), (12.0, 15.0), (0.0, 15.0)])
    c.paint(front, k["front"], k["outline"])
    # Light along the top of the flap, shade along its bottom.
    for (x, y) in front:
        if c.px[y][x] != k["front"]:
            continue
        if y == 9:
            c.set(x, y, k["front_light"])
        elif y == 13:
            c.set(x, y, k["front_dark"])
    return c


# ---------------------------------------------------------------------------
# .ico writing

def row_bytes(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def ico_bytes(canvas, bpp, palette):
    size = canvas.size
    colours = 1 << bpp
    assert len(palette) == colours
    xor_stride = row_bytes(size * bpp)
    and_stride = row_bytes(size)
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # DIBs are stored bottom-up
        row = canvas.px[y]
        line = bytearray(xor_stride)
        mline = bytearray(and_stride)
        for x, index in enumerate(row):
            transparent = index is None
            value = 0 if transparent else index
            assert 0 <= value < colours
            if bpp == 8:
                line[x] = value
            elif bpp == 4:
                line[x // 2] |= value << (4 if x % 2 == 0 else 0)
            else:
                raise ValueError("unsupported depth")
            if transparent:
                mline[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += mline
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + table + bytes(xor) + bytes(mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256,
                        colours if colours < 256 else 0, 0, 1, bpp,
                        len(image), 6 + 16)
    return icondir + entry + image


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(
        os.path.abspath(__file__))
    pal256, names = palette256()
    icons = [
        ("app.ico", draw_app(), 4, VGA16),
        ("browse.ico", draw_browse(names), 8, pal256),
        ("clear.ico", draw_clear(), 4, VGA16),
        ("mail.ico", draw_mail(), 4, VGA16),
        ("clear_all.ico", draw_clear_all(), 4, VGA16),
        ("blank.ico", draw_blank(), 4, VGA16),
    ]
    for name, canvas, bpp, pal in icons:
        data = ico_bytes(canvas, bpp, pal)
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
        print("%-14s %2dx%-2d %d bpp %5d bytes" % (
            name, canvas.size, canvas.size, bpp, len(data)))


if __name__ == "__main__":
    main()
