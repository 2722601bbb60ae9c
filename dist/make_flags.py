#!/usr/bin/env python3
"""Draws the 48 x 48 flag pictures of the shipped languages as 24-bit uncompressed BMP files
into LANGUAGE/ beside this script. The pictures are checked in; run this only to redraw them."""
import os
import struct

SIZE = 48
BLACK, WHITE = (0, 0, 0), (255, 255, 255)


def stripes(colours, weights, vertical):
    """A picture of stripes: the colours in order, each as wide as its share of the weights."""
    bounds, total, run = [], sum(weights), 0
    for weight in weights:
        run += weight
        bounds.append(SIZE * run // total)

    def colour(x, y):
        along = x if vertical else y
        return colours[next(n for n, bound in enumerate(bounds) if along < bound)]
    return colour


def st_george(x, y):
    arm = range(SIZE // 2 - 5, SIZE // 2 + 5)
    return (200, 16, 46) if x in arm or y in arm else WHITE


def neutral(x, y):
    edge = x in (0, SIZE - 1) or y in (0, SIZE - 1)
    return (128, 128, 128) if edge else (192, 192, 192)


FLAGS = {
    'Deutsch': stripes([BLACK, (221, 0, 0), (255, 206, 0)], [1, 1, 1], vertical=False),
    'Français': stripes([(0, 35, 149), WHITE, (237, 41, 57)], [1, 1, 1], vertical=True),
    'Italiano': stripes([(0, 146, 70), WHITE, (206, 43, 55)], [1, 1, 1], vertical=True),
    'Español': stripes([(170, 21, 27), (241, 191, 0), (170, 21, 27)], [1, 2, 1], vertical=False),
    'English': st_george,
    'DefaultFlag': neutral,
}


def bmp(colour):
    """A 24-bit BMP: rows from the bottom up, pixels as blue, green, red, rows padded to 4 bytes."""
    row_size = (SIZE * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(SIZE):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        pixels += row + bytes(row_size - len(row))
    offset = 14 + 40
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


if __name__ == '__main__':
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'LANGUAGE')
    for name, colour in FLAGS.items():
        with open(os.path.join(folder, name + '.bmp'), 'wb') as file:
            file.write(bmp(colour))
