#!/usr/bin/env python3
# Draws the home screen's settings button (a grey gear, @2x PNG).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def gear(x, y, size=44):
    # Eight teeth around a ring with a hole, in the bar's grey.
    cx = cy = size / 2
    d = math.hypot(x - cx, y - cy)
    a = math.atan2(y - cy, x - cx)
    tooth = math.cos(a * 8) > 0.25
    outer = size * (0.46 if tooth else 0.36)
    return (110, 110, 110, 255) if size * 0.15 <= d <= outer else (0, 0, 0, 0)

png(os.path.join(out, 'set_icon@2x.png'), 44, 44, gear)
