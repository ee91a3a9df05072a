#!/usr/bin/env python3
# Draws the travel screens' more button and place pin (plain shapes, @2x PNGs).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

GREY = (153, 153, 153, 255)
RED = (200, 20, 0, 255)
NONE = (0, 0, 0, 0)

def more(x, y):
    # Three dots and a chevron: "more of this" at the right end of a row's title line.
    cy = 15
    for cx in (8, 18, 28):
        if math.hypot(x - cx, y - cy) < 3: return GREY
    d = abs((x - 38) - (7 - abs(y - cy)))  # ">" with its tip at x = 45
    return GREY if d < 2 and abs(y - cy) < 7.5 and 37 < x < 46.5 else NONE
png(os.path.join(out, 'youzou_more@2x.png'), 50, 30, more)

def pin(x, y):
    # A map pin: a disc with a hole over a point.
    cx, cy, r = 12, 11, 9
    d = math.hypot(x - cx, y - cy)
    if d < 3.5: return NONE
    if d <= r: return RED
    # the point: below the disc, narrowing to the bottom
    if y > cy and y < 31 and abs(x - cx) < r * (31 - y) / (31 - cy) * 0.8: return RED
    return NONE
png(os.path.join(out, 'location_icon@2x.png'), 24, 32, pin)
