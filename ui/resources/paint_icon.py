#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Paints KORVANE's window icon, korvane.png (64 x 64, RGBA): a page of
markup, an arrow pointing down, and the page of text that comes out.

Run from any directory: python3 ui/resources/paint_icon.py
Only the standard library is used; the output is byte-for-byte repeatable.
"""
import os
import struct
import zlib

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges

BLUE = (31, 78, 140)
WHITE = (255, 255, 255)
GREY = (150, 160, 175)
INK = (40, 44, 52)
ORANGE = (242, 140, 40)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s = (side(a, b, x, y), side(b, c, x, y), side(c, a, x, y))
        return all(v >= 0 for v in s) or all(v <= 0 for v in s)
    return inside


# Painted in this order, each over the ones before.
SHAPES = [
    (BLUE, rounded_rect(2, 2, 62, 62, 11)),
    (WHITE, rounded_rect(11, 7, 53, 25, 3)),
    (GREY, rounded_rect(15, 11, 35, 14, 1.5)),
    (GREY, rounded_rect(15, 17, 48, 20, 1.5)),
    (ORANGE, rounded_rect(29.5, 25, 34.5, 34, 0.5)),
    (ORANGE, triangle((22, 33), (42, 33), (32, 43))),
    (WHITE, rounded_rect(11, 43, 53, 58, 3)),
    (INK, rounded_rect(15, 47, 49, 49.5, 1.2)),
    (INK, rounded_rect(15, 52, 41, 54.5, 1.2)),
]


def pixel(px, py):
    """Blends the covering of every shape over a transparent background."""
    red = green = blue = alpha = 0.0
    for colour, inside in SHAPES:
        hits = sum(
            inside(px + (i + 0.5) / SAMPLES, py + (j + 0.5) / SAMPLES)
            for i in range(SAMPLES) for j in range(SAMPLES))
        cover = hits / SAMPLES ** 2
        if cover == 0:
            continue
        new_alpha = cover + alpha * (1 - cover)
        red = (colour[0] * cover + red * alpha * (1 - cover)) / new_alpha
        green = (colour[1] * cover + green * alpha * (1 - cover)) / new_alpha
        blue = (colour[2] * cover + blue * alpha * (1 - cover)) / new_alpha
        alpha = new_alpha
    return bytes(round(v) for v in (red, green, blue, alpha * 255))


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(
            ">I", zlib.crc32(body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    rows = [b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE)]
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "korvane.png")
    with open(path, "wb") as out:
        out.write(png(SIZE, SIZE, rows))


if __name__ == "__main__":
    main()
