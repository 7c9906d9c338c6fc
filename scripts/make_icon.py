#!/usr/bin/env python3
"""Draws the program's icon, src/qt/icons/qu32.png: a small operator panel with a bar display
and three indicator lamps. Plain Python, so the picture can be remade anywhere:
    python3 scripts/make_icon.py
"""
import os
import struct
import zlib

SIZE = 256
SUPERSAMPLE = 4  # samples per pixel along each axis, for smooth edges

PANEL = (47, 79, 111)
PANEL_EDGE = (28, 48, 68)
SCREEN = (232, 236, 239)
SCREEN_EDGE = (20, 20, 20)
GREEN = (0, 200, 0)
YELLOW = (240, 210, 0)
RED = (220, 0, 0)
BLUE = (0, 0, 255)
WHITE = (255, 255, 255)


def rounded(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rounded rectangle."""
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def box(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


# Bar segments from the centre outwards, coloured like the program's monitor.
SEGMENTS = []
for k, colour in enumerate([GREEN, GREEN, YELLOW, YELLOW, YELLOW, RED, RED]):
    left = 104 + k * 12
    SEGMENTS.append((left, 90, left + 9, 124, colour))
SEGMENTS.append((92, 90, 101, 124, GREEN))

LAMPS = [(84, 190, BLUE), (128, 190, WHITE), (172, 190, RED)]


def colour_at(x, y):
    """The colour of one sample, or None for transparent."""
    for cx, cy, c in LAMPS:
        if circle(x, y, cx, cy, 15):
            return c
        if circle(x, y, cx, cy, 18):
            return SCREEN_EDGE
    for left, top, right, bottom, c in SEGMENTS:
        if box(x, y, left, top, right, bottom):
            return c
    if box(x, y, 52, 60, 204, 150):
        if 134 <= y <= 137 and 104 <= x <= 116:
            return SCREEN_EDGE  # the edit cursor under a digit
        return SCREEN
    if box(x, y, 46, 54, 210, 156):
        return SCREEN_EDGE
    if rounded(x, y, 18, 18, 238, 238, 36):
        return PANEL
    if rounded(x, y, 12, 12, 244, 244, 42):
        return PANEL_EDGE
    return None


def render():
    rows = []
    step = 1.0 / SUPERSAMPLE
    for py in range(SIZE):
        row = bytearray([0])  # filter type: none
        for px in range(SIZE):
            r = g = b = a = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    c = colour_at(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = SUPERSAMPLE * SUPERSAMPLE
            if a:
                row += bytes((r // a, g // a, b // a, 255 * a // n))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "..", "src", "qt", "icons", "qu32.png")
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(render(), 9)) + chunk(b"IEND", b""))
    with open(target, "wb") as f:
        f.write(png)
    print(target)


if __name__ == "__main__":
    main()
