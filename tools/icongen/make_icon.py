#!/usr/bin/env python3
"""Turns a text pixel map into a Windows .ico file.

The map file holds palette lines ("B 1f3f8f": one character, an RGB colour in
hex), a blank line, then the rows of the picture, one character per pixel; '.'
is transparent. The icon gets the map's own size and a twice-as-large entry
(each pixel doubled) for places that want large icons.
"""
import struct
import sys


def read_map(path):
    palette = {'.': None}
    rows = []
    with open(path, encoding='utf-8') as f:
        lines = [line.rstrip('\n') for line in f if not line.startswith('#')]
    split = lines.index('')
    for line in lines[:split]:
        key, colour = line.split()
        palette[key] = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
    rows = [line for line in lines[split + 1:] if line]
    width = len(rows[0])
    if any(len(row) != width for row in rows):
        sys.exit(f'{path}: rows differ in length')
    for row in rows:
        for ch in row:
            if ch not in palette:
                sys.exit(f'{path}: "{ch}" is not in the palette')
    return [[palette[ch] for ch in row] for row in rows]


def scale(pixels, factor):
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def icon_image(pixels):
    """One 32-bit icon image: BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    height, width = len(pixels), len(pixels[0])
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for p in row:
            colour += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + mask


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: make_icon.py MAP.txt OUT.ico')
    pixels = read_map(sys.argv[1])
    images = [pixels, scale(pixels, 2)]
    blobs = [icon_image(p) for p in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for p, blob in zip(images, blobs):
        size = len(p)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(sys.argv[2], 'wb') as f:
        f.write(out + b''.join(blobs))


if __name__ == '__main__':
    main()
