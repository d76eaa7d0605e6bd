#!/usr/bin/env python3
"""Draws Vantrel's icon: nine images, 256/48/32/16 px at 8 bpp and 256/64/48/32/16 px at
32 bpp. The two 256 px images are PNG-compressed (Vista and later load them so; as DIBs they
would cost 75 KB and 256 KB), the others are DIBs with their AND masks, as every Windows
version reads them.

Writes the images as res/icons/icon-SIZE-BPP.{png,dib} and their directory res/icons/icon.dir,
the RT_GROUP_ICON record (resource ids 1 to 9 in the order above) that both of the program's
icon groups share; res/Vantrel.rc includes them:  res/icons/make-icons.py

The picture: a rounded blue tile holding three list rows, each with a status dot, the way
the main window lists endpoints. Plain Python, no imaging library needed.
"""
import os
import struct
import zlib

SAMPLES = 4  # supersampling per axis, for smooth edges

TILE_TOP = (38, 110, 190)
TILE_BOTTOM = (18, 58, 120)
ROW = (242, 246, 250)
DOTS = [(60, 190, 90), (240, 170, 40), (60, 190, 90)]


def rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rectangle with rounded corners."""
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shade(u, v):
    """Colour and opacity of the point (u, v) of the unit square."""
    if not rounded_rect(u, v, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    for index, top in enumerate((0.22, 0.44, 0.66)):
        bottom = top + 0.13
        if (u - 0.24) ** 2 + (v - (top + bottom) / 2) ** 2 <= 0.075 ** 2:
            return DOTS[index]
        if rounded_rect(u, v, 0.36, top, 0.84, bottom, 0.05):
            return ROW
    t = v
    return tuple(int(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM))


def render(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = shade((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        covered += 1
            if covered:
                row.append((r // covered, g // covered, b // covered, covered * 255 // SAMPLES ** 2))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def palette():
    """216-colour cube plus the tile's gradient and the picture's own colours: 256 entries."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [tuple(a + (b - a) * i // 35 for a, b in zip(TILE_TOP, TILE_BOTTOM)) for i in range(36)]
    colours += [ROW, DOTS[0], DOTS[1], (128, 128, 128)]
    return colours


def nearest(colours, pixel, cache):
    key = pixel[:3]
    if key not in cache:
        cache[key] = min(range(len(colours)),
                         key=lambda i: sum((c - p) ** 2 for c, p in zip(colours[i], key)))
    return cache[key]


def and_mask(pixels):
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    data = b''
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def dib(pixels, bpp):
    size = len(pixels)
    if bpp == 32:
        colour_table = b''
        xor = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    else:
        colours = palette()
        colour_table = b''.join(bytes((b, g, r, 0)) for (r, g, b) in colours)
        cache = {}
        stride = (size + 3) // 4 * 4
        xor = b''
        for row in reversed(pixels):
            line = bytes(nearest(colours, p, cache) if p[3] >= 128 else 0 for p in row)
            xor += line + bytes(stride - size)
    mask = and_mask(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask),
                         0, 0, 256 if bpp == 8 else 0, 0)
    return header + colour_table + xor + mask


def png_chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def png(pixels, bpp):
    """The image as PNG: 32 bpp as RGBA; 8 bpp with the DIB's palette and its mask as the
    transparency of palette entry 0, which no opaque pixel uses."""
    size = len(pixels)
    if bpp == 32:
        header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
        raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in pixels)
        extra = b''
    else:
        colours = palette()
        cache = {}
        lines = []
        for row in pixels:
            line = bytes(nearest(colours, p, cache) if p[3] >= 128 else 0 for p in row)
            if any(index == 0 and p[3] >= 128 for index, p in zip(line, row)):
                raise SystemExit('an opaque pixel takes palette entry 0, the transparent one')
            lines.append(line)
        header = struct.pack('>IIBBBBB', size, size, 8, 3, 0, 0, 0)
        raw = b''.join(b'\0' + line for line in lines)
        extra = (png_chunk(b'PLTE', b''.join(bytes(c) for c in colours)) + png_chunk(b'tRNS', b'\0'))
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', header) + extra
            + png_chunk(b'IDAT', zlib.compress(raw, 9)) + png_chunk(b'IEND', b''))


IMAGES = [(256, 8), (48, 8), (32, 8), (16, 8), (256, 32), (64, 32), (48, 32), (32, 32), (16, 32)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = here
    os.makedirs(folder, exist_ok=True)
    rendered = {}
    blobs = []
    for size, bpp in IMAGES:
        if size not in rendered:
            rendered[size] = render(size)
        pixels = rendered[size]
        compressed = size == 256
        blob = png(pixels, bpp) if compressed else dib(pixels, bpp)
        name = 'icon-%d-%d.%s' % (size, bpp, 'png' if compressed else 'dib')
        with open(os.path.join(folder, name), 'wb') as out:
            out.write(blob)
        blobs.append(blob)

    # GRPICONDIR and its entries: as in a .ico file, with the resource id in place of the offset.
    directory = struct.pack('<HHH', 0, 1, len(IMAGES))
    for number, ((size, bpp), blob) in enumerate(zip(IMAGES, blobs), 1):
        directory += struct.pack('<BBBBHHIH', size % 256, size % 256, 0, 0, 1, bpp, len(blob), number)
    with open(os.path.join(folder, 'icon.dir'), 'wb') as out:
        out.write(directory)
    print(folder)


if __name__ == '__main__':
    main()
