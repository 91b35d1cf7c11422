#!/usr/bin/python3 -B
"""Writes Tavrel's icon as a PNG of SIZE x SIZE pixels: a database drum (the MySQL side) and a
table sheet (the FoxPro side) on a blue tile, with a double arrow between them below. Drawn from
the shapes below in a unit square, each pixel sampled 4 x 4 times for smooth edges.

    make-icon.py SIZE OUTPUT
"""
import sys

from pngfile import write_png

TILE = (0x2B, 0x5A, 0x8C)
TILE_LOW = (0x1F, 0x44, 0x6B)
DRUM = (0xF4, 0xF6, 0xF8)
DRUM_LINE = (0x7A, 0x92, 0xAB)
SHEET = (0xFF, 0xD5, 0x4A)
SHEET_HEAD = (0xE0, 0x9A, 0x1C)
SHEET_LINE = (0xB0, 0x78, 0x10)
ARROW = (0xFF, 0xFF, 0xFF)
SAMPLES = 4


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


# The drum: a cylinder seen from slightly above, with two hoops.
DRUM_LEFT, DRUM_RIGHT, DRUM_TOP, DRUM_BOTTOM, DRUM_RY = 0.12, 0.46, 0.16, 0.66, 0.075
DRUM_CX, DRUM_RX = (DRUM_LEFT + DRUM_RIGHT) / 2, (DRUM_RIGHT - DRUM_LEFT) / 2


def drum(x, y):
    body = DRUM_LEFT <= x <= DRUM_RIGHT and DRUM_TOP <= y <= DRUM_BOTTOM
    if not (body or in_ellipse(x, y, DRUM_CX, DRUM_BOTTOM, DRUM_RX, DRUM_RY) or
            in_ellipse(x, y, DRUM_CX, DRUM_TOP, DRUM_RX, DRUM_RY)):
        return None
    edge = 0.022
    if not in_ellipse(x, y, DRUM_CX, DRUM_TOP, DRUM_RX - edge, DRUM_RY - edge) and \
            in_ellipse(x, y, DRUM_CX, DRUM_TOP, DRUM_RX, DRUM_RY):
        return DRUM_LINE  # the rim of the lid
    for hoop in (DRUM_TOP + 0.17, DRUM_TOP + 0.34):
        if y > DRUM_TOP and in_ellipse(x, y, DRUM_CX, hoop, DRUM_RX, DRUM_RY) and \
                not in_ellipse(x, y, DRUM_CX, hoop - edge, DRUM_RX, DRUM_RY):
            return DRUM_LINE
    if x < DRUM_LEFT + edge or x > DRUM_RIGHT - edge or \
            (y > DRUM_BOTTOM and not in_ellipse(x, y, DRUM_CX, DRUM_BOTTOM, DRUM_RX - edge, DRUM_RY - edge)):
        return DRUM_LINE
    return DRUM


# The sheet: a table with a header row and a grid.
SHEET_LEFT, SHEET_RIGHT, SHEET_TOP, SHEET_BOTTOM = 0.54, 0.88, 0.14, 0.72


def sheet(x, y):
    if not in_rounded_rect(x, y, SHEET_LEFT, SHEET_TOP, SHEET_RIGHT, SHEET_BOTTOM, 0.03):
        return None
    line = 0.022
    if y < SHEET_TOP + 0.13:
        return SHEET_HEAD
    column = (SHEET_RIGHT - SHEET_LEFT) / 2
    rows = (SHEET_BOTTOM - SHEET_TOP - 0.13) / 3
    if abs(x - (SHEET_LEFT + column)) < line / 2:
        return SHEET_LINE
    for k in (1, 2):
        if abs(y - (SHEET_TOP + 0.13 + k * rows)) < line / 2:
            return SHEET_LINE
    return SHEET


# The double arrow: a bar with a head at each end.
ARROW_Y, ARROW_LEFT, ARROW_RIGHT, ARROW_BAR, ARROW_HEAD = 0.83, 0.16, 0.84, 0.035, 0.09


def arrow(x, y):
    dy = abs(y - ARROW_Y)
    if ARROW_LEFT + ARROW_HEAD <= x <= ARROW_RIGHT - ARROW_HEAD:
        return ARROW if dy <= ARROW_BAR else None
    reach = min(x - ARROW_LEFT, ARROW_RIGHT - x)  # from the nearer tip
    return ARROW if 0 <= reach and dy <= reach * 0.95 else None


def sample(x, y):
    if not in_rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    for shape in (arrow, sheet, drum):
        colour = shape(x, y)
        if colour:
            return colour
    t = y  # the tile darkens towards its foot
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE, TILE_LOW))


def pixel(size, px, py):
    r = g = b = hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = sample((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
            if c:
                r, g, b, hits = r + c[0], g + c[1], b + c[2], hits + 1
    if not hits:
        return bytes(4)
    return bytes((r // hits, g // hits, b // hits, round(255 * hits / SAMPLES ** 2)))


def main():
    if len(sys.argv) != 3 or not sys.argv[1].isdigit():
        sys.exit(__doc__)
    size = int(sys.argv[1])
    rows = [b"".join(pixel(size, x, y) for x in range(size)) for y in range(size)]
    write_png(sys.argv[2], size, size, rows, alpha=True)


if __name__ == "__main__":
    main()
