#!/usr/bin/env python3
"""Draws the application icon, a ROM chip split in two halves, as 16-colour PNGs of 32 and 16 px."""
import struct
import sys
import zlib
from pathlib import Path

# Sixteen colours, index 0 transparent.
PALETTE = [
    (0, 0, 0), (24, 28, 40), (52, 60, 84), (84, 96, 128), (200, 204, 212), (150, 154, 164),
    (255, 255, 255), (0, 200, 220), (0, 130, 160), (255, 200, 40), (200, 120, 0),
    (40, 40, 40), (110, 110, 110), (230, 60, 60), (20, 110, 40), (90, 220, 110),
]
BODY_EDGE, BODY, BODY_LIGHT, PIN, PIN_SHADE, WHITE, CYAN, CYAN_DARK, GOLD = 1, 2, 3, 4, 5, 6, 7, 8, 9


def draw(size):
    s = size / 32.0
    px = [[0] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(round(y1 * s)))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(round(x1 * s)))):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = colour

    for i in range(6):  # pins on both sides
        y = 4 + i * 4.4
        rect(3, y, 8, y + 2.2, PIN)
        rect(24, y, 29, y + 2.2, PIN)
        rect(3, y + 1.4, 8, y + 2.2, PIN_SHADE)
        rect(24, y + 1.4, 29, y + 2.2, PIN_SHADE)
    rect(7, 2, 25, 30, BODY_EDGE)
    rect(8, 3, 24, 29, BODY)
    rect(8, 3, 24, 4, BODY_LIGHT)
    rect(14, 2, 18, 4, BODY_EDGE)  # the notch
    rect(10, 5, 12, 7, WHITE)      # pin-1 mark
    # The two interleaved halves: alternate bytes in two colours.
    for row in range(4):
        y = 10 + row * 4
        for col in range(3):
            colour = CYAN if (row + col) % 2 == 0 else GOLD
            rect(10 + col * 4.3, y, 13 + col * 4.3, y + 2.5, colour)
    rect(10, 26, 22, 27, CYAN_DARK)
    return px


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\x00" + bytes((row[x] << 4) | row[x + 1] for x in range(0, size, 2)) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)  # 4-bit indexed colour
    plte = b"".join(bytes(c) for c in PALETTE)
    trns = b"\x00"  # index 0 transparent, the rest opaque
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", plte) + chunk(b"tRNS", trns)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    for size in (32, 16):
        (out / f"vesperine-{size}.png").write_bytes(png(draw(size)))
