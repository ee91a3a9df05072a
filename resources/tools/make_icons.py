#!/usr/bin/env python3
# Draws the application's tab, back, clock and placeholder images (plain shapes, @2x PNGs).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def shape(kind):
    def inside(x, y):  # unit square coordinates 0..1
        dx, dy = x - 0.5, y - 0.5
        r = math.hypot(dx, dy)
        if kind == 1: return abs(dx) < 0.36 and abs(dy) < 0.4 and not (abs(dx) < 0.26 and -0.3 < dy < 0.3 and int((dy + 0.3) / 0.12) % 2 == 1)
        if kind == 2: return 0.2 < x < 0.85 and abs(dy) < (0.85 - x) * 0.62
        if kind == 3: return (r < 0.4 and r > 0.28) or (abs(dx) < 0.06 and abs(dy) < 0.4)
        if kind == 4: return r < 0.4 and not (r < 0.18)
    return inside

def icon(name, kind, colour, size=50):
    inside = shape(kind)
    png(os.path.join(out, name + '@2x.png'), size, size,
        lambda x, y: colour + (255,) if inside(x / size, y / size) else (0, 0, 0, 0))

for i in range(1, 5):
    icon('tabicon_0%d' % i, i, (150, 150, 150))
    icon('tabicon_select_0%d' % i, i, (200, 20, 0))

def back(x, y):
    x, y = x / 40, y / 40
    d = min(abs((0.6 - x) - (y - 0.15)), abs((0.6 - x) - (0.85 - y)))
    return (200, 20, 0, 255) if d < 0.09 and 0.25 < x < 0.65 and 0.1 < y < 0.9 else (0, 0, 0, 0)
png(os.path.join(out, 'back_icon@2x.png'), 40, 40, back)
png(os.path.join(out, 'placeimage@2x.png'), 40, 30, lambda x, y: (230, 230, 230, 255))

def clock(x, y):
    # A grey ring with two hands, for the date of the article rows.
    cx = cy = 14
    d = math.hypot(x - cx, y - cy)
    hand = (abs(x - cx) < 1.1 and cy - 8 <= y <= cy) or (abs(y - cy) < 1.1 and cx <= x <= cx + 6)
    return (153, 153, 153, 255) if 10.5 <= d <= 12.5 or hand else (0, 0, 0, 0)
png(os.path.join(out, 'time_icon@2x.png'), 28, 28, clock)
