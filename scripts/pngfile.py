"""Writes PNG files from rows of 8-bit RGB or RGBA pixels: the one PNG writer of the scripts
that draw the icon and take the screenshots (Debian's python3 alone, no imaging library)."""
import struct
import zlib


def write_png(path, width, height, rows, alpha=False):
    """rows: `height` byte strings of `width` pixels, 3 bytes each (4 with alpha)."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                  chunk(b"IEND", b""))
