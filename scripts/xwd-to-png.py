#!/usr/bin/python3 -B
"""Cuts a rectangle out of an X window dump (the XWD file Xvfb keeps its screen in, with -fbdir)
and writes it as a PNG: what scripts/screenshots.sh takes pictures with.

    xwd-to-png.py SCREEN.xwd X Y WIDTH HEIGHT OUTPUT.png
"""
import struct
import sys

from pngfile import write_png


def read_screen(path):
    with open(path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks, ncolors = header[14:17], header[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel != 32:
        sys.exit(f"{path}: not a 32-bit ZPixmap window dump")
    start = header_size + ncolors * 12
    order = "<" if byte_order == 0 else ">"
    return data[start:], width, height, bytes_per_line, order, masks


def shift_of(mask):
    return (mask & -mask).bit_length() - 1


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    pixels, width, height, stride, order, masks = read_screen(sys.argv[1])
    x, y, w, h = (int(v) for v in sys.argv[2:6])
    if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > width or y + h > height:
        sys.exit(f"the rectangle {w}x{h}+{x}+{y} is not inside the {width}x{height} screen")
    shifts = [shift_of(m) for m in masks]
    rows = []
    for line in range(y, y + h):
        words = struct.unpack_from(f"{order}{w}I", pixels, line * stride + x * 4)
        rows.append(bytes(b for p in words for b in ((p >> shifts[0]) & 255, (p >> shifts[1]) & 255,
                                                     (p >> shifts[2]) & 255)))
    write_png(sys.argv[6], w, h, rows)


if __name__ == "__main__":
    main()
