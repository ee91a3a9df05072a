#!/usr/bin/env python3
# Draws the supplement tab's section marks (plain shapes, @2x PNGs); the "more" arrow comes from
# make_icons_travel.py.
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

RED = (200, 20, 0, 255)
CLEAR = (0, 0, 0, 0)

def book(x, y):
    # An open book: two pages meeting at a spine, for the literary supplement.
    x, y = x / 36, y / 36
    if not (0.12 < y < 0.86): return CLEAR
    sag = 0.06 * (1 - abs(x - 0.5) * 2)
    top, bottom = 0.16 + sag, 0.84 - 0.04
    page = 0.08 < x < 0.92 and top < y < bottom
    spine = abs(x - 0.5) < 0.03
    lines = page and not spine and (int((y - top) / 0.11) % 2 == 1) and 0.16 < abs(x - 0.5) * 2 + 0.16 < 0.9
    if spine and top < y < bottom: return RED
    if lines: return (255, 255, 255, 255)
    return RED if page else CLEAR
png(os.path.join(out, 'tessubao@2x.png'), 36, 36, book)

def leaf(x, y):
    # A leaf on the wind, for the quarterly magazines.
    x, y = x / 36 - 0.5, y / 36 - 0.5
    u, v = (x + y) / math.sqrt(2), (y - x) / math.sqrt(2)
    inside = (u / 0.42) ** 2 + (v / 0.2) ** 2 < 1
    vein = abs(v) < 0.025 and abs(u) < 0.4
    stem = abs(v) < 0.03 and 0.38 < u < 0.5
    if stem: return RED
    if vein: return (255, 255, 255, 255)
    return RED if inside else CLEAR
png(os.path.join(out, 'tessufeng@2x.png'), 36, 36, leaf)
