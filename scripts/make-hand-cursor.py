#!/usr/bin/python3
"""Writes HAND-M.CUR, the hand pointer shown over Tavrel's buttons: a 32 x 32 Windows cursor
file (32-bit colour with alpha, plus the AND mask) drawn from the picture below.

    make-hand-cursor.py OUTPUT
"""
import struct
import sys

# '#' outline (black), 'o' fill (white), anything else transparent. The hot spot is the fingertip.
PICTURE = [
    "     ##",
    "    #oo#",
    "    #oo#",
    "    #oo#",
    "    #oo#",
    "    #oo###",
    "    #oo#oo###",
    "    #oo#oo#oo###",
    "    #oo#oo#oo#o#",
    "##  #oo#oo#oo#o#",
    "#o# #oooooooooo#",
    "#oo##oooooooooo#",
    " #oo#ooooooooooo#",
    "  #ooooooooooooo#",
    "  #ooooooooooooo#",
    "   #oooooooooooo#",
    "   #ooooooooooo#",
    "    #oooooooooo#",
    "    #ooooooooo#",
    "     #oooooooo#",
    "     #oooooooo#",
    "     ##########",
]
HOT_SPOT = (5, 0)
SIZE = 32


def pixel(x, y):
    row = PICTURE[y] if y < len(PICTURE) else ""
    return row[x] if x < len(row) else " "


def cursor_bytes():
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        bits = 0
        for x in range(SIZE):
            c = pixel(x, y)
            if c == "#":
                colour += bytes((0, 0, 0, 255))
            elif c == "o":
                colour += bytes((255, 255, 255, 255))
            else:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)  # AND mask: 1 keeps the screen
        mask += struct.pack(">I", bits)
    # BITMAPINFOHEADER: the height counts the colour image and the mask together.
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(cursor_bytes())


if __name__ == "__main__":
    main()
