#!/usr/bin/env python3
"""Draws the Windows program's icons (icon resources 108 and 109): the pane's
dark background in a grey frame, and a sung note's waveform swelling and
fading across it, its right half selected. Writes a .ico holding 16, 32 and
48 pixel images (32-bit, with alpha). Run again after changing the picture:
    python3 draw_icon.py cantora.ico
"""
import math
import struct
import sys

FRAME = (0x80, 0x80, 0x80)
PANE = (0x00, 0x40, 0x40)
PANE_SELECTED = (0x40, 0x40, 0x00)
WAVE = (0x00, 0xF0, 0xF0)
WAVE_SELECTED = (0xF0, 0xF0, 0x00)


def draw(size):
    """Rows top-down of (r, g, b) pixels."""
    edge = max(1, size // 16)
    px = [[FRAME] * size for _ in range(size)]
    left, top, width = edge, edge, size - 2 * edge
    centre_x = left + width // 2
    middle = top + width // 2
    for y in range(top, top + width):
        for x in range(left, left + width):
            px[y][x] = PANE_SELECTED if x >= centre_x else PANE
    for x in range(left, left + width):
        t = (x - left) / width
        swell = math.sin(math.pi * t)
        wave = abs(math.sin(2 * math.pi * 3.5 * t)) * 0.4 + 0.6
        half = int(swell * wave * width * 0.42)
        colour = WAVE_SELECTED if x >= centre_x else WAVE
        for y in range(middle - half, middle + half + 1):
            if top <= y < top + width:
                px[y][x] = colour
    return px


def image_bytes(size):
    """One icon image: a BITMAPINFOHEADER of twice the height (colour and
    mask), the colour rows bottom-up as BGRA, then the 1-bit AND mask."""
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, 0xFF)) for row in reversed(px) for (r, g, b) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + colour + bytes(mask_row * size)


def main(path):
    sizes = (16, 32, 48)
    images = [image_bytes(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'cantora.ico')
