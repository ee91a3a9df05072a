#!/usr/bin/env python3
# Draws the settings screens' chevron and the application icon of the about page (@2x / @3x PNGs).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))

# A grey chevron pointing right, 8 x 14 points.
def chevron(x, y):
    d = min(segment_distance(x, y, 3, 3, 13, 14), segment_distance(x, y, 13, 14, 3, 25))
    a = max(0.0, min(1.0, 2.2 - d))
    return (190, 190, 190, int(255 * a))
png(os.path.join(out, 'right_icon_image@2x.png'), 16, 28, chevron)

# The application icon, 60 x 60 points at 3x: a red rounded square with a white kestrel-like
# wedge over three hills.
S = 180
def app_icon(x, y):
    r = 40
    cx, cy = min(max(x, r), S - r), min(max(y, r), S - r)
    if math.hypot(x - cx, y - cy) > r:
        return (0, 0, 0, 0)
    u, v = x / S, y / S
    hills = any(v > 0.78 - 0.12 * math.exp(-((u - c) / w) ** 2) for c, w in ((0.25, 0.16), (0.55, 0.2), (0.85, 0.14)))
    if hills:
        return (255, 236, 230, 255)
    wing = abs(v - 0.42 - 0.35 * abs(u - 0.5)) < 0.05 and 0.18 < u < 0.82
    body = math.hypot((u - 0.5) / 0.07, (v - 0.44) / 0.12) < 1
    if wing or body:
        return (255, 255, 255, 255)
    return (200 - int(40 * v), 30, 10, 255)
png(os.path.join(out, 'Icon@3x.png'), S, S, app_icon)
