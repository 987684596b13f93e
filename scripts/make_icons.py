#!/usr/bin/env python3
"""Draws Tarnwick's icons: a white "T" on a teal square with rounded corners.

Writes src/app/tarnwick.ico (32x32 and 16x16) and src/app/small.ico (16x16),
32-bit images with an alpha channel, as the resource compiler reads them.
Run again only when the drawing changes; the .ico files are committed.
"""
import os
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel of the drawing at the given size."""
    r = size / 32.0
    corner = 5 * r
    # Outside the rounded corners: transparent.
    px, py = x + 0.5, y + 0.5
    nx = min(max(px, corner), size - corner)
    ny = min(max(py, corner), size - corner)
    if (px - nx) ** 2 + (py - ny) ** 2 > corner * corner:
        return (0, 0, 0, 0)
    bar = 5 * r <= y < 10 * r and 6 * r <= x < 26 * r
    stem = 10 * r <= y < 27 * r and 13 * r <= x < 19 * r
    if bar or stem:
        return (255, 255, 255, 255)
    return (0x80, 0x70, 0x10, 255)  # teal, as blue-green-red


def image(size):
    """The BITMAPINFOHEADER, pixel rows bottom-up and AND mask of one icon image."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''.join(bytes(c for x in range(size) for c in pixel(size, x, y))
                    for y in reversed(range(size)))
    mask_row = ((size + 31) // 32) * 4
    return header + rows + bytes(mask_row * size)


def ico(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'app')
    with open(os.path.join(root, 'tarnwick.ico'), 'wb') as f:
        f.write(ico([32, 16]))
    with open(os.path.join(root, 'small.ico'), 'wb') as f:
        f.write(ico([16]))
    return 0


if __name__ == '__main__':
    sys.exit(main())
