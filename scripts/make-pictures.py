#!/usr/bin/env python3
"""Draws the program's pictures: the 32x32 16-colour window and file icon
(LUM_Brevix.ico) and the 241x165 picture of the main window (Image1.gif);
and the same icon drawn at a larger size as a PNG, for the desktop.

Plain Python, no imaging library: the files are written byte by byte.
Run from the repository root: python3 scripts/make-pictures.py
The desktop's icon: python3 scripts/make-pictures.py --icon SIZE PICTURE.png
"""
import struct
import sys
from pathlib import Path

from pngfile import png

OUT = Path(__file__).resolve().parent.parent / "main_window" / "resources"

# The 16 standard colours; pictures index into this table.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, GRAY, RED, BLUE, WHITE = 0, 4, 6, 7, 8, 9, 12, 15

# A 5x7 font for the few letters the mark needs.
FONT = {
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    ">": ["10000", "01000", "00100", "00010", "00100", "01000", "10000"],
    "<": ["00001", "00010", "00100", "01000", "00100", "00010", "00001"],
}


class Canvas:
    """Pixels of palette indices (None: transparent). Shapes are given in
    units of the picture's design; each unit is `unit` pixels wide."""

    def __init__(self, width, height, fill, unit=1):
        self.unit = unit
        self.width, self.height = self.px(width), self.px(height)
        # Lines keep a whole number of pixels, the same on every side.
        self.line = max(self.px(1), 1)
        self.pixels = [[fill] * self.width for _ in range(self.height)]

    def px(self, units):
        """The pixel where a unit coordinate falls."""
        return int(units * self.unit + 0.5)

    def fill(self, x0, y0, x1, y1, colour):
        """Pixels from (x0, y0) up to, not including, (x1, y1)."""
        for row in range(max(y0, 0), min(y1, self.height)):
            for col in range(max(x0, 0), min(x1, self.width)):
                self.pixels[row][col] = colour

    def rect(self, x, y, w, h, colour):
        self.fill(self.px(x), self.px(y), self.px(x + w), self.px(y + h), colour)

    def frame(self, x, y, w, h, colour):
        x0, y0, x1, y1, t = self.px(x), self.px(y), self.px(x + w), self.px(y + h), self.line
        self.fill(x0, y0, x1, y0 + t, colour)
        self.fill(x0, y1 - t, x1, y1, colour)
        self.fill(x0, y0, x0 + t, y1, colour)
        self.fill(x1 - t, y0, x1, y1, colour)

    def text(self, x, y, text, scale, colour):
        for letter in text:
            for row, bits in enumerate(FONT[letter]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + col * scale, y + row * scale, scale, scale, colour)
            x += 6 * scale


def page(canvas, x, y, w, h, line_rows):
    """A sheet with a folded corner and one tag per line."""
    canvas.rect(x, y, w, h, WHITE)
    canvas.frame(x, y, w, h, BLACK)
    fold = max(w // 5, 3)
    canvas.rect(x + w - fold, y, fold, fold, SILVER)
    # The fold's edge: a line down the square's diagonal, a pixel a step.
    x0, y0, t = canvas.px(x + w - fold), canvas.px(y), canvas.line
    side = canvas.px(x + w) - x0
    for i in range(side):
        canvas.fill(x0 + i, y0 + i, min(x0 + i + t, x0 + side), min(y0 + i + t, y0 + side), BLACK)
    return [y + h * (r + 1) // (line_rows + 1) for r in range(line_rows)]


def draw_icon(size=32):
    icon = Canvas(32, 32, None, size / 32)  # None: transparent
    rows = page(icon, 5, 1, 22, 30, 5)
    for i, row in enumerate(rows):
        indent = 3 if i in (1, 2, 3) else 0
        icon.rect(8 + indent, row, 3, 2, BLUE)
        icon.rect(12 + indent, row, 8 - indent, 2, TEAL)
    return icon


def draw_picture():
    pic = Canvas(241, 165, SILVER)
    pic.frame(0, 0, 241, 165, GRAY)
    rows = page(pic, 14, 14, 90, 137, 7)
    for i, row in enumerate(rows):
        indent = 8 if 0 < i < 6 else 0
        pic.text(22 + indent, row - 4, "<", 1, BLUE)
        pic.rect(29 + indent, row - 2, 40 - indent, 4, TEAL)
        pic.text(72, row - 4, ">", 1, BLUE)
        pic.rect(80, row - 1, 14, 2, RED)  # the line break after each tag
    pic.text(120, 52, "LUM", 6, NAVY)
    pic.rect(120, 104, 102, 5, RED)
    return pic


def write_ico(canvas, path):
    width, height = canvas.width, canvas.height
    xor_rows, and_rows = [], []
    for row in reversed(canvas.pixels):  # bottom-up
        colours = [c if c is not None else 0 for c in row]
        xor_rows.append(bytes((colours[i] << 4) | colours[i + 1] for i in range(0, width, 2)))
        mask = 0
        for c in row:
            mask = (mask << 1) | (1 if c is None else 0)
        and_rows.append(mask.to_bytes(width // 8, "big").ljust(4, b"\0"))
    image = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(image), 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    data = header + palette + image
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(data), 22)
    path.write_bytes(directory + data)


def write_gif(canvas, path):
    # LZW with 4-bit literals; a clear code before the table would widen the
    # codes keeps every code 5 bits wide. Simple and valid, if not small.
    clear, end = 16, 17
    codes = []
    pixels = [c for row in canvas.pixels for c in row]
    for i in range(0, len(pixels), 12):
        codes.append(clear)
        codes.extend(pixels[i:i + 12])
    codes.append(end)
    bits = 0
    nbits = 0
    stream = bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += 5
        while nbits >= 8:
            stream.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        stream.append(bits & 0xFF)
    blocks = b"".join(bytes([len(stream[i:i + 255])]) + stream[i:i + 255] for i in range(0, len(stream), 255))
    out = b"GIF89a" + struct.pack("<HHBBB", canvas.width, canvas.height, 0xF3, 0, 0)
    out += b"".join(bytes(rgb) for rgb in PALETTE)
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    out += bytes([4]) + blocks + b"\x00\x3B"
    path.write_bytes(out)


def write_png(canvas, path):
    rows = [[PALETTE[c] + (255,) if c is not None else (0, 0, 0, 0) for c in row] for row in canvas.pixels]
    path.write_bytes(png(canvas.width, canvas.height, rows))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--icon":
        write_png(draw_icon(int(sys.argv[2])), Path(sys.argv[3]))
    elif len(sys.argv) == 1:
        OUT.mkdir(parents=True, exist_ok=True)
        write_ico(draw_icon(), OUT / "LUM_Brevix.ico")
        write_gif(draw_picture(), OUT / "Image1.gif")
        print("wrote", OUT / "LUM_Brevix.ico", "and", OUT / "Image1.gif")
    else:
        sys.exit("usage: make-pictures.py [--icon SIZE PICTURE.png]")
