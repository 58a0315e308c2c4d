#!/usr/bin/env python3
"""Writes the first picture of a Windows icon (.ico) as a PNG with
transparency, for the desktops that take PNG icons. The build runs it on
main_window/resources/LUM_Brevix.ico, the one drawn picture of the icon.

Reads an icon picture stored as a bitmap (not PNG): 1, 4 or 8 bits per pixel
with its colour table and its 1-bit transparency mask.
Plain Python, no imaging library.
Usage: python3 scripts/ico-to-png.py ICON.ico PICTURE.png
"""
import struct
import sys
from pathlib import Path

from pngfile import png


def row_bytes(width, bits):
    """The length of one bitmap row: rows fill whole 32-bit words."""
    return (width * bits + 31) // 32 * 4


def read_icon(data):
    """The first picture of the icon as rows of (r, g, b, a), top row first."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count < 1:
        raise ValueError("not an icon file")
    _, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    picture = data[offset:offset + size]
    if picture.startswith(b"\x89PNG"):
        raise ValueError("the icon holds a PNG already")
    header_size, width, double_height, _, bits, compression, _, _, _, colours_used, _ = \
        struct.unpack_from("<IiiHHIIiiII", picture, 0)
    height = double_height // 2
    if compression != 0 or bits not in (1, 4, 8):
        raise ValueError(f"unsupported icon bitmap: {bits} bits per pixel, compression {compression}")
    colour_count = colours_used or 1 << bits
    table = [struct.unpack_from("BBBB", picture, header_size + 4 * i) for i in range(colour_count)]
    pixels_at = header_size + 4 * colour_count
    xor_stride = row_bytes(width, bits)
    and_at = pixels_at + xor_stride * height
    and_stride = row_bytes(width, 1)

    rows = []
    for y in range(height - 1, -1, -1):  # stored bottom-up
        xor_row = picture[pixels_at + y * xor_stride:pixels_at + (y + 1) * xor_stride]
        and_row = picture[and_at + y * and_stride:and_at + (y + 1) * and_stride]
        row = []
        for x in range(width):
            bit = x * bits
            index = (xor_row[bit // 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
            blue, green, red, _ = table[index]
            transparent = (and_row[x // 8] >> (7 - x % 8)) & 1
            row.append((red, green, blue, 0 if transparent else 255))
        rows.append(row)
    return width, height, rows


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: ico-to-png.py ICON.ico PICTURE.png")
    Path(sys.argv[2]).write_bytes(png(*read_icon(Path(sys.argv[1]).read_bytes())))
