#!/usr/bin/env python3
"""Draws the About box banner (res/banner.bmp): 374 x 59 pixels, 24 bits per pixel.

A night-blue gradient, a row of linked nodes standing for endpoints, and the tool's
name in a blocky pixel font. Needs nothing beyond the standard library, so the image
can be rebuilt anywhere:  python3 res/make-banner.py [output]
"""
import os
import struct
import sys

WIDTH, HEIGHT = 374, 59

# 5 x 7 glyphs, one string per row, '#' = ink.
GLYPHS = {
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
}


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def new_canvas():
    left, right = (12, 28, 64), (18, 110, 128)
    rows = []
    for y in range(HEIGHT):
        shade = 1.0 - 0.25 * y / (HEIGHT - 1)
        rows.append([blend(left, right, x / (WIDTH - 1)) for x in range(WIDTH)])
        rows[-1] = [tuple(int(c * shade) for c in p) for p in rows[-1]]
    return rows


def put(canvas, x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        canvas[y][x] = colour


def fill_rect(canvas, x0, y0, w, h, colour):
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            put(canvas, x, y, colour)


def disc(canvas, cx, cy, r, colour):
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(canvas, x, y, colour)


def line(canvas, x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        put(canvas, round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)


def text(canvas, word, x, y, scale, colour, shadow):
    for glyph in word:
        for row, bits in enumerate(GLYPHS[glyph]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    fill_rect(canvas, x + col * scale + 2, y + row * scale + 2, scale, scale, shadow)
        for row, bits in enumerate(GLYPHS[glyph]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    fill_rect(canvas, x + col * scale, y + row * scale, scale, scale, colour)
        x += 6 * scale


def draw():
    canvas = new_canvas()
    link, node, hub = (90, 170, 200), (240, 200, 80), (250, 250, 250)
    # Endpoints on the right, each tied to one of two hubs, like ports to their owners.
    hubs = [(250, 20), (320, 38)]
    nodes = [(212, 10), (226, 44), (268, 50), (290, 8), (300, 28), (346, 12), (358, 48), (336, 54)]
    line(canvas, hubs[0][0], hubs[0][1], hubs[1][0], hubs[1][1], link)
    for x, y in nodes:
        hx, hy = hubs[0] if x < 295 else hubs[1]
        line(canvas, x, y, hx, hy, link)
    for x, y in nodes:
        disc(canvas, x, y, 3, node)
    for x, y in hubs:
        disc(canvas, x, y, 5, hub)
        disc(canvas, x, y, 2, (18, 70, 110))
    text(canvas, "VANTREL", 14, 16, 4, (250, 250, 250), (6, 14, 34))
    fill_rect(canvas, 14, 50, 6 * 4 * 7 - 4, 2, node)
    return canvas


def write_bmp(path, canvas):
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(canvas):  # bottom-up, as the format stores it
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += bytes(stride - WIDTH * 3)
    header_size = 14 + 40
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    with open(path, "wb") as out:
        out.write(file_header + info + pixels)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "banner.bmp"), draw())
