#!/usr/bin/env python3
"""Draws the installer's icon, src/platform/win32/lexorin.ico: a blue page with a white "L" and
a green tick, at 32x32 and 16x16 pixels in 16 colours. Run it again only to change the picture."""
import struct
import sys

# The 16-colour palette (B, G, R, 0); index 0 is transparent through the mask.
PALETTE = [(0, 0, 0), (160, 90, 30), (255, 255, 255), (40, 170, 60), (110, 50, 15)] + [(0, 0, 0)] * 11


def draw(size):
    s = size / 32.0
    pixels = [[0] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            X, Y = x / s, y / s
            if 3 <= X < 27 and 2 <= Y < 30:
                pixels[y][x] = 4 if (X >= 26 or Y >= 29) else 1       # page with a dark edge
            if 8 <= X < 12 and 7 <= Y < 24 or 8 <= X < 20 and 20 <= Y < 24:
                pixels[y][x] = 2                                      # the letter L
            d1 = abs((Y - 22) - (X - 19)) < 2.2 and 19 <= X < 23      # the tick's short stroke
            d2 = abs((Y - 26) + (X - 23)) < 2.2 and 22 <= X < 31      # and its long one
            if (d1 or d2) and Y < 32:
                pixels[y][x] = 3
    return pixels


def image(size):
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    xor = b''
    for row in reversed(pixels):
        line = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        xor += line + b'\0' * (-len(line) % 4)
    mask = b''
    for row in reversed(pixels):
        bits = 0
        line = b''
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p == 0 else 0)
            if i % 8 == 7:
                line += bytes([bits])
                bits = 0
        mask += line + b'\0' * (-len(line) % 4)
    return header + palette + xor + mask


def main(path):
    images = [image(32), image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


main(sys.argv[1] if len(sys.argv) > 1 else 'src/platform/win32/lexorin.ico')
