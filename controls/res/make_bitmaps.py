#!/usr/bin/env python3
"""Writes the toolbox bitmaps (16 x 16, 16 colours) and the priority image
strip (48 x 16, 24-bit, magenta background) of Kelvane.dll."""
import struct
import sys
from pathlib import Path

# The 16 standard VGA colours, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CODES = {'.': 7, 'k': 0, 'g': 8, 'w': 15, 'r': 9, 'R': 1, 'b': 12, 'B': 4, 'y': 11}


def bmp_4bit(rows):
    """rows: 16 strings of 16 palette codes, top row first."""
    assert len(rows) == 16 and all(len(r) == 16 for r in rows)
    pixels = b''
    for row in reversed(rows):
        idx = [CODES[c] for c in row]
        pixels += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 16, 2))
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    off = 14 + len(info) + len(pal)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + pal + pixels


def bmp_24bit(width, height, pixel):
    """pixel(x, y) -> (r, g, b), y = 0 at the top."""
    stride = (width * 3 + 3) & ~3
    data = b''
    for y in reversed(range(height)):
        row = b''.join(struct.pack('<BBB', *reversed(pixel(x, y))) for x in range(width))
        data += row + b'\0' * (stride - len(row))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    off = 14 + len(info)
    head = struct.pack('<2sIHHI', b'BM', off + len(data), 0, 0, off)
    return head + info + data


CALENDAR = [
    '................',
    '.kkkkkkkkkkkkkk.',
    '.krrrrrrrrrrrrk.',
    '.krrrrrrrrrrrrk.',
    '.kkkkkkkkkkkkkk.',
    '.kwwwwwwwwwwwwk.',
    '.kwkwkwkwkwkwwk.',
    '.kwwwwwwwwwwwwk.',
    '.kwkwkwkwkwkwwk.',
    '.kwwwwwwwwwwwwk.',
    '.kwkwkwkwrrwwwk.',
    '.kwwwwwwwrrwwwk.',
    '.kwkwkwkwkwkwwk.',
    '.kwwwwwwwwwwwwk.',
    '.kkkkkkkkkkkkkk.',
    '................',
]
DATEPICKER = [
    '................',
    '................',
    '................',
    '................',
    'kkkkkkkkkkkkkkkk',
    'kwwwwwwwwwk...gk',
    'kwkkwkwkkwk...gk',
    'kwwkwkwwkwkkkkgk',
    'kwkwwkwkwwk.k.gk',
    'kwkkwkwkkwk..ggk',
    'kwwwwwwwwwkggggk',
    'kkkkkkkkkkkkkkkk',
    '................',
    '................',
    '................',
    '................',
]
PRIORITYBAR = [
    'gggggggggggggggg',
    'g..r...........g',
    'g..r..kkkkkkk..g',
    'g.....kkkkkkk..g',
    'g..r...........g',
    'gggggggggggggggg',
    'g..............g',
    'g.....kkkkkkk..g',
    'g.....kkkkkkk..g',
    'g..............g',
    'gggggggggggggggg',
    'g..b...........g',
    'gbbbbb.kkkkkk..g',
    'g.bbb..kkkkkk..g',
    'g..b...........g',
    'gggggggggggggggg',
]
EDITBOX = [
    '................',
    '................',
    '................',
    'kkkkkkkkkkkkkkkk',
    'kwwwwwwwwwwwwwwk',
    'kwwwwwwwwwkwwwwk',
    'kwkkwwkwwwkwwwwk',
    'kwwwkwkkkwkwwwwk',
    'kwkkkwkwkwkwwwwk',
    'kwkwkwkwkwkwwwwk',
    'kwkkkwkkkwkwwwwk',
    'kwwwwwwwwwwwwwwk',
    'kkkkkkkkkkkkkkkk',
    '................',
    '................',
    '................',
]

MAGENTA = (255, 0, 255)
RED = (224, 0, 0)
BLUE = (0, 64, 224)


def priority_pixel(x, y):
    image, px = divmod(x, 16)
    if image == 0:  # red exclamation mark
        if 7 <= px <= 8 and (2 <= y <= 10 or 12 <= y <= 13):
            return RED
    elif image == 2:  # blue downward arrow
        if 7 <= px <= 8 and 2 <= y <= 8:
            return BLUE
        if 9 <= y <= 13 and abs(px * 2 - 15) <= 2 * (13 - y) + 1:
            return BLUE
    return MAGENTA


def main(out_dir):
    out = Path(out_dir)
    for name, rows in (('sysmonthcal32', CALENDAR), ('sysdatetimepick32', DATEPICKER),
                       ('prioritybar', PRIORITYBAR), ('editbox', EDITBOX)):
        (out / f'{name}.bmp').write_bytes(bmp_4bit(rows))
    (out / 'priority.bmp').write_bytes(bmp_24bit(48, 16, priority_pixel))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
