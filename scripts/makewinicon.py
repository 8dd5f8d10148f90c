#!/usr/bin/env python3
"""Writes the Windows executable's icon: the board's own picture (the one in
gsystem/icon.ico) at the sizes Explorer asks for, so no view scales it blurry.

Usage: makewinicon.py <out.ico>

16 and 32 are drawn at their size; 48 is the 16 drawing and 64 and 256 the
32 drawing, each pixel repeated, which keeps the picture's sharp edges.
256 is stored as PNG, as Windows expects of that size.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from makedata import board_icon, ico_bytes  # noqa: E402


def scaled(px, factor):
    return [[p for p in row for _ in range(factor)] for row in px for _ in range(factor)]


def png(px):
    raw = bytearray()
    for row in px:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    head = struct.pack(">IIBBBBB", len(px[0]), len(px), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def icon_file():
    small, large = board_icon(16), board_icon(32)
    bitmaps = [small, large, scaled(small, 3), scaled(large, 2)]
    # ico_bytes lays out bitmap entries; the PNG entry goes on the end, and
    # every earlier entry's offset moves by one more directory entry.
    body = ico_bytes(bitmaps)
    count = len(bitmaps) + 1
    entries = []
    for i in range(len(bitmaps)):
        e = bytearray(body[6 + 16 * i:6 + 16 * (i + 1)])
        struct.pack_into("<I", e, 12, struct.unpack_from("<I", e, 12)[0] + 16)
        entries.append(bytes(e))
    blobs = body[6 + 16 * len(bitmaps):]
    big = png(scaled(large, 8))
    offset = 6 + 16 * count + len(blobs)
    entries.append(struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(big), offset))
    return struct.pack("<HHH", 0, 1, count) + b"".join(entries) + blobs + big


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()
