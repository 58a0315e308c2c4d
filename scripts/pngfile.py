"""Writes an 8-bit RGBA PNG. Plain Python, no imaging library."""
import struct
import zlib


def png(width, height, rows):
    """The PNG file of `rows`, top row first, each a list of (r, g, b, a)."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    # Each row starts with filter type 0 (none); 8-bit RGBA.
    raw = b"".join(b"\0" + bytes(value for pixel in row for value in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
