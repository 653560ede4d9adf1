#!/usr/bin/env python3
"""Draws the demo cel (assets/demo_cel.png): hard-edged ink lines on white, some areas painted flat, as a cel
looks while it is being painted.

Pure Python, no imaging library: shapes are tested per pixel and the PNG is written with zlib.
Run it again only to change the picture; the PNG it writes is committed.
"""
import math
import struct
import sys
import zlib

W, H = 320, 240
WHITE, INK = (255, 255, 255), (20, 20, 28)
HAIR, SHIRT, CHEEK = (70, 50, 140), (230, 80, 60), (245, 160, 160)


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def star(cx, cy, r_out, r_in, points=5):
    verts = []
    for i in range(points * 2):
        a = math.pi * i / points - math.pi / 2
        r = r_out if i % 2 == 0 else r_in
        verts.append((cx + r * math.cos(a), cy + r * math.sin(a)))

    def inside(x, y):  # even-odd rule
        c = False
        for (x0, y0), (x1, y1) in zip(verts, verts[1:] + verts[:1]):
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                c = not c
        return c
    return inside


# Painted regions, back to front: (shape, paint colour).
regions = [
    (ellipse(160, 250, 95, 80), SHIRT),
    (lambda x, y: ellipse(160, 80, 66, 50)(x, y) and y < 78, HAIR),
    (ellipse(128, 128, 10, 6), CHEEK),
    (ellipse(192, 128, 10, 6), CHEEK),
    (ellipse(138, 102, 6, 9), INK),
    (ellipse(182, 102, 6, 9), INK),
    (star(266, 52, 30, 12), (250, 210, 60)),
    (star(48, 190, 22, 9), (250, 210, 60)),
]
# Ink outlines: the boundary of each outlined shape, about 2 pixels wide.
outlined = [ellipse(160, 250, 95, 80), ellipse(160, 105, 62, 68), star(266, 52, 30, 12), star(48, 190, 22, 9),
            lambda x, y: ellipse(160, 80, 66, 50)(x, y) and y < 78]


def smile(x, y):
    d = math.hypot(x - 160, y - 112)
    return 22 <= d <= 24.5 and y > 122


def on_outline(shape, x, y):
    here = shape(x + 0.5, y + 0.5)
    return any(shape(x + 0.5 + dx, y + 0.5 + dy) != here for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1),
                                                                        (1, 1), (-1, -1), (1, -1), (-1, 1)))


def pixel(x, y):
    if smile(x, y) or any(on_outline(s, x, y) for s in outlined):
        return INK
    colour = WHITE
    for shape, paint in regions:
        if shape(x + 0.5, y + 0.5):
            colour = paint
    return colour


def png(path):
    rows = b"".join(b"\0" + bytes(c for x in range(W) for c in pixel(x, y)) for y in range(H))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    png(sys.argv[1] if len(sys.argv) > 1 else "demo_cel.png")
