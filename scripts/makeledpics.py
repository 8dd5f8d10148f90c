#!/usr/bin/env python3
"""Writes widgets/ledpics.png: the lamp strip, 24 x 52, 16 colours.

Two columns (unlit, lit) by four rows (red, green, yellow, disabled) of
12 x 13 pictures of a round lamp. The bottom-left pixel holds the colour
that the lamp treats as transparent.
"""
import os
import struct
import sys
import zlib

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


def png(pixels):
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for x in range(0, width, 2):
            raw.append((row[x] << 4) | row[x + 1])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    head = struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0)
    plte = b"".join(struct.pack("BBB", *c) for c in PALETTE)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"PLTE", plte)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "widgets", "ledpics.png")
    with open(out, "wb") as f:
        f.write(png(strip()))


if __name__ == "__main__":
    main()
