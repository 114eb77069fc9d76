#!/usr/bin/env python3
"""Draws the icons and bitmaps of Brisko.dll.

Each image is a list of filled shapes in a 32 x 32 design space, painted in
order and rendered with 8 x 8 samples a pixel, so the 16 x 16 images are the
same drawing at half the scale (strokes are widened where a pixel would lose
them). Icons get a 16 x 16 and a 32 x 32 image (32-bit colour with alpha and
an AND mask); the bitmaps are 24-bit on a solid background.

    make_images.py [OUT_DIR]            writes images/*.ico and images/*.bmp
    make_images.py --preview FILE.png   all images enlarged on one sheet
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SAMPLES = 8  # per axis


# --- shapes: inside(x, y) in design units -------------------------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def arc(cx, cy, r0, r1, a0, a1):
    """Ring between radii r0 and r1, angles a0..a1 in degrees (0 = right, 90 = down)."""
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        if not (r0 * r0 <= d <= r1 * r1):
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a - a0) % 360 <= (a1 - a0) % 360
    return inside


def polygon(*pts):
    def inside(x, y):
        c = False
        n = len(pts)
        for i in range(n):
            (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                c = not c
        return c
    return inside


def line(x0, y0, x1, y1, w):
    """A stroke with round ends."""
    dx, dy = x1 - x0, y1 - y0
    n = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / n))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def vgrad(y0, c0, y1, c1):
    """A colour running from c0 at y0 to c1 at y1."""
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))
    return colour


# --- colours ------------------------------------------------------------------

WHITE = (255, 255, 255)
PAPER = (250, 250, 247)
OUTLINE = (96, 104, 116)
RULE = (150, 158, 170)
GREEN = (46, 150, 60)
BLUE = (36, 104, 196)
BLUE_DARK = (22, 70, 150)
RED = (204, 52, 44)
ORANGE = (242, 146, 28)
TEAL = (0, 128, 140)
TEAL_DARK = (0, 84, 96)
FOLDER_BACK = (222, 164, 40)
FOLDER_FRONT = (250, 204, 84)
FOLDER_EDGE = (170, 112, 16)


# --- the drawings: (shape, colour) in painting order; px = one pixel ----------

def snapper(px):
    """Rounds a coordinate to the pixel grid of the size being drawn."""
    return lambda v: round(v / px) * px


def task(px):
    """A check-list on a sheet: three rows, the first two ticked."""
    s = snapper(px)
    w = max(px, 1.0)
    shapes = [
        (rrect(s(5), 2, s(27), 30, 2), OUTLINE),
        (rrect(s(5) + w, 2 + w, s(27) - w, 30 - w, 1.5), PAPER),
    ]
    for i, row in enumerate((6, 14, 22)):
        box = 6 if px < 2 else 6
        shapes += [
            (rect(s(9), row, s(9) + box, row + box), OUTLINE),
            (rect(s(9) + w, row + w, s(9) + box - w, row + box - w), WHITE),
            (rect(s(17), row + 2, s(24), row + 2 + max(2, px)), RULE),
        ]
        if i < 2:
            t = max(2.2, 1.5 * px)
            shapes += [(line(s(9) + 0.8, row + 2.5, s(9) + 3, row + 5, t), GREEN),
                       (line(s(9) + 3, row + 5, s(9) + 8, row - 1, t), GREEN)]
    return shapes


def appointment(px):
    """A calendar page: rings, a red header, a grid of days, today in blue."""
    s = snapper(px)
    w = max(px, 1.0)
    shapes = [
        (rrect(s(3), 6, s(29), 30, 2), OUTLINE),
        (rrect(s(3) + w, 6 + w, s(29) - w, 30 - w, 1.5), PAPER),
        (rect(s(3) + w, 6 + w, s(29) - w, 12), vgrad(6, (230, 80, 70), 12, RED)),
        (rrect(8, 2, 8 + max(3, 2 * px), 9, 1.5), OUTLINE),
        (rrect(20, 2, 20 + max(3, 2 * px), 9, 1.5), OUTLINE),
    ]
    cell = 4
    for r in range(4):
        for c in range(5):
            x, y = 6 + c * cell, 14 + r * cell
            colour = BLUE if (r, c) == (2, 2) else RULE
            shapes.append((rect(x, y, x + cell - max(1, px), y + cell - max(1, px)), colour))
    return shapes


def folder(px):
    """A yellow folder: the back with its tab, the front flap."""
    w = max(px, 1.0)
    return [
        (rrect(2, 6, 14, 12, 1.5), FOLDER_EDGE),
        (rrect(2, 10, 30, 28, 1.5), FOLDER_EDGE),
        (rrect(2 + w, 6 + w, 14 - w, 12, 1), FOLDER_BACK),
        (rect(2 + w, 10, 30 - w, 28 - w), FOLDER_BACK),
        (polygon((6, 14), (30, 14), (28, 28), (2, 28)), FOLDER_EDGE),
        (polygon((6 + w, 14 + w), (30 - 1.2 * w, 14 + w), (28 - w, 28 - w), (2 + 1.2 * w, 28 - w)),
         vgrad(14, FOLDER_FRONT, 28, (240, 184, 60))),
    ]


def help_mark(px):
    """A blue disc with a white question mark."""
    t = max(3.4, 2 * px)
    return [
        (circle(16, 16, 14.5), BLUE_DARK),
        (circle(16, 16, 14.5 - max(px, 1.0)), vgrad(2, (80, 150, 230), 30, BLUE)),
        (arc(16, 12, 5.5 - t / 2, 5.5 + t / 2, 170, 80), WHITE),
        (line(17, 17.3, 16, 19.5, t), WHITE),
        (circle(16, 24.5, t / 2 + 0.3), WHITE),
    ]


def product_mark(px):
    """Brisko's mark: a white B on a teal tile, with orange speed lines."""
    s = snapper(px)
    t = max(3.6, 2 * px)
    w = max(px, 1.0)
    edge = s(1)
    top, bottom, x = 6, 26, s(11)
    mid = s(15 - t / 2)                   # the middle bar's top edge
    ru, rl = (mid + t - top) / 2, (bottom - mid) / 2
    cu, cl = (x + 5.5, top + ru), (x + 6, mid + rl)
    bar = max(1.6, px)
    return [
        (rrect(edge, edge, 32 - edge, 32 - edge, 6), TEAL_DARK),
        (rrect(edge + w, edge + w, 32 - edge - w, 32 - edge - w, 5), vgrad(1, (0, 160, 170), 31, TEAL)),
        (rect(x, top, x + t, bottom), WHITE),
        (rect(x, top, cu[0], top + t), WHITE),
        (rect(x, mid, max(cu[0], cl[0]), mid + t), WHITE),
        (rect(x, bottom - t, cl[0], bottom), WHITE),
        (arc(cu[0], cu[1], ru - t, ru, 270, 90), WHITE),
        (arc(cl[0], cl[1], rl - t, rl, 270, 90), WHITE),
        (rect(s(6), s(10), s(9), s(10) + bar), ORANGE),
        (rect(s(4), s(15), s(9), s(15) + bar), ORANGE),
        (rect(s(6), s(20), s(9), s(20) + bar), ORANGE),
    ]


ICONS = {
    'qtask.ico': task,
    'qappointment.ico': appointment,
    'folder.ico': folder,
    'help.ico': help_mark,
    'main.ico': product_mark,
}
ICON_SIZES = (16, 32)
FACE = (192, 192, 192)  # the button face the small bitmap sits on
BITMAPS = {
    'logo.bmp': (product_mark, 64, WHITE),
    'qtask.bmp': (task, 16, FACE),
}


# --- rendering ----------------------------------------------------------------

def render(drawing, size):
    """Rows of (r, g, b, a), top row first."""
    scale = 32.0 / size
    shapes = drawing(scale)
    rows = []
    for py in range(size):
        row = []
        for px_ in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px_ + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    colour = None
                    for inside, c in shapes:
                        if inside(x, y):
                            colour = c
                    if colour is not None:
                        if callable(colour):
                            colour = colour(x, y)
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if acc[3]:
                row.append(tuple(round(v / acc[3]) for v in acc[:3]) + (round(a * 255),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def flatten(rows, background):
    out = []
    for row in rows:
        line_ = []
        for r, g, b, a in row:
            line_.append(tuple(round((c * a + k * (255 - a)) / 255) for c, k in zip((r, g, b), background)))
        out.append(line_)
    return out


def icon_image(rows):
    size = len(rows)
    xor = b''.join(struct.pack('<BBBB', b, g, r, a) for row in reversed(rows) for r, g, b, a in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:  # transparent: screen shows through
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    head = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return head + xor + mask


def ico(drawing):
    images = [icon_image(render(drawing, s)) for s in ICON_SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(ICON_SIZES, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def bmp(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = b''
    for row in reversed(rows):
        line_ = b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row)
        data += line_ + b'\0' * (stride - len(line_))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    off = 14 + len(info)
    return struct.pack('<2sIHHI', b'BM', off + len(data), 0, 0, off) + info + data


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in rows)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def preview(path, zoom=6):
    """Every image at each size, enlarged, on white and on dark grey."""
    tiles = []
    for drawing in ICONS.values():
        for s in ICON_SIZES:
            tiles.append(render(drawing, s))
    for drawing, s, background in BITMAPS.values():
        tiles.append([[p[:3] + (255,) for p in row] for row in flatten(render(drawing, s), background)])
    cell = 64 * zoom // 2 + 8
    width = cell * len(tiles)
    sheet = []
    for background in ((255, 255, 255), (60, 60, 60)):
        band = [[background] * width for _ in range(cell)]
        for i, tile in enumerate(tiles):
            z = zoom if len(tile) <= 32 else zoom // 2
            flat = flatten(tile, background)
            for y, row in enumerate(flat):
                for x, p in enumerate(row):
                    for dy in range(z):
                        for dx in range(z):
                            band[4 + y * z + dy][i * cell + 4 + x * z + dx] = p
        sheet += band
    Path(path).write_bytes(png(sheet))


def main(argv):
    if len(argv) > 2 and argv[1] == '--preview':
        preview(argv[2])
        return
    out = Path(argv[1]) if len(argv) > 1 else Path(__file__).parent / 'images'
    out.mkdir(parents=True, exist_ok=True)
    for name, drawing in ICONS.items():
        (out / name).write_bytes(ico(drawing))
    for name, (drawing, size, background) in BITMAPS.items():
        (out / name).write_bytes(bmp(flatten(render(drawing, size), background)))


if __name__ == '__main__':
    main(sys.argv)
