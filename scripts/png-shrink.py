#!/usr/bin/env python3
"""Rewrites 8-bit RGB PNG files (as the Windows screenshot programs write them, in stored deflate
blocks) small: a palette when the picture has at most 256 colours, each row's filter chosen by the
smallest sum of its bytes, deflate at level 9. The pixels stay exactly as they were.

    scripts/png-shrink.py IN.png [OUT.png]      (OUT defaults to IN)
"""
import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def unfilter(raw, width, height, bpp):
    stride = width * bpp
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        ftype, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 0xFF
            elif ftype == 2:
                line[i] = (line[i] + b) & 0xFF
            elif ftype == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 0xFF
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return rows


def filtered(rows, bpp):
    out, prev = bytearray(), bytes(len(rows[0]))
    for line in rows:
        candidates = [bytes([0]) + line]
        candidates.append(bytes([1]) + bytes((line[i] - (line[i - bpp] if i >= bpp else 0)) & 0xFF
                                             for i in range(len(line))))
        candidates.append(bytes([2]) + bytes((line[i] - prev[i]) & 0xFF for i in range(len(line))))
        out += min(candidates, key=lambda c: sum(v if v < 128 else 256 - v for v in c[1:]))
        prev = line
    return bytes(out)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def shrink(src, dst):
    data = open(src, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"png-shrink: {src} is not a PNG file")
    header, idat = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", header)
    if depth != 8 or colour != 2 or interlace:
        sys.exit(f"png-shrink: {src} is not an 8-bit RGB PNG without interlacing")
    rows = unfilter(zlib.decompress(idat), width, height, 3)
    colours = {}
    for line in rows:
        for i in range(0, len(line), 3):
            colours.setdefault(line[i:i + 3], len(colours))
            if len(colours) > 256:
                break
    if len(colours) <= 256:
        index_rows = [bytes(colours[line[i:i + 3]] for i in range(0, len(line), 3)) for line in rows]
        body = b"".join(bytes([0]) + r for r in index_rows)
        head = struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)
        extra = chunk(b"PLTE", b"".join(colours))
    else:
        body = filtered(rows, 3)
        head = header
        extra = b""
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + extra + chunk(b"IDAT", zlib.compress(body, 9)) + chunk(b"IEND", b"")
    open(dst, "wb").write(out)


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    shrink(sys.argv[1], sys.argv[-1])
