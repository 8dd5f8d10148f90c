#!/usr/bin/env python3
"""Writes widgets/ledpics.bmp: the lamp strip, 24 x 52, 16 colours.

Two columns (unlit, lit) by four rows (red, green, yellow, disabled) of
12 x 13 pictures of a round lamp. The bottom-left pixel holds the colour
that the lamp treats as transparent. A BMP rather than a PNG: QtGui reads it
without loading the PNG and zlib code, which a board would otherwise map for
this one picture at every start.
"""
import os
import struct
import sys

PALETTE = [
    (255, 0, 255),    # 0 transparent background
    (64, 64, 64),     # 1 rim
    (255, 255, 255),  # 2 highlight
    (255, 0, 0),      # 3 red lit
    (128, 0, 0),      # 4 red unlit
    (0, 255, 0),      # 5 green lit
    (0, 112, 0),      # 6 green unlit
    (255, 255, 0),    # 7 yellow lit
    (128, 128, 0),    # 8 yellow unlit
    (160, 160, 160),  # 9 disabled rim
]
PALETTE += [(0, 0, 0)] * (16 - len(PALETTE))

W, H = 12, 13
CX, CY = 5.5, 6.0
LAMPS = [(4, 3), (6, 5), (8, 7)]   # (unlit, lit) per row


def picture(fill, highlight, rim):
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            d = ((x - CX) ** 2 + (y - CY) ** 2) ** 0.5
            if d > 5.6:
                row.append(0)
            elif d > 4.4:
                row.append(rim)
            elif fill is None:
                row.append(0)
            elif highlight and ((x - 4) ** 2 + (y - 4) ** 2) <= 1.0:
                row.append(2)
            else:
                row.append(fill)
        rows.append(row)
    return rows


def strip():
    pixels = [[0] * (2 * W) for _ in range(4 * H)]
    pics = []
    for unlit, lit in LAMPS:
        pics.append((picture(unlit, False, 1), picture(lit, True, 1)))
    pics.append((picture(None, False, 9), picture(None, False, 9)))
    for r, (off, on) in enumerate(pics):
        for c, pic in enumerate((off, on)):
            for y in range(H):
                for x in range(W):
                    pixels[r * H + y][c * W + x] = pic[y][x]
    return pixels


def bmp(pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width // 2 + 3) // 4 * 4
    raw = bytearray()
    for row in reversed(pixels):   # bottom row first
        line = bytearray((row[x] << 4) | row[x + 1] for x in range(0, width, 2))
        raw += line + bytes(stride - len(line))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(raw), 2835, 2835, 16, 16)
    return b"BM" + struct.pack("<IHHI", offset + len(raw), 0, 0, offset) + info + palette + bytes(raw)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "widgets", "ledpics.bmp")
    with open(out, "wb") as f:
        f.write(bmp(strip()))


if __name__ == "__main__":
    main()
