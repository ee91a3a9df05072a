#!/usr/bin/env python3
# Draws the web page toolbar's back, forward and reload images (white strokes, 22 pt, @2x PNGs).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)
SIZE = 44
WHITE = (255, 255, 255)

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

def chevron(pointing_left):
    # Two strokes meeting at the tip, in unit coordinates.
    tip = 0.3 if pointing_left else 0.7
    back = 0.62 if pointing_left else 0.38
    def inside(x, y):
        d = min(segment_distance(x, y, tip, 0.5, back, 0.15), segment_distance(x, y, tip, 0.5, back, 0.85))
        return d < 0.07
    return inside

def reload_arrow(x, y):
    # Three quarters of a ring with an arrow head at its open end (top right).
    dx, dy = x - 0.5, y - 0.5
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(-dy, dx)) % 360  # 0 = right, counter-clockwise
    ring = 0.24 < r < 0.36 and not (20 < angle < 85)
    # The head: a triangle pointing down at the ring's end near angle 20 (right side).
    hx, hy = 0.5 + 0.3 * math.cos(math.radians(20)), 0.5 - 0.3 * math.sin(math.radians(20))
    head = hy - 0.2 < y < hy + 0.02 and abs(x - hx) < (y - (hy - 0.2)) * 0.75
    return ring or head

def icon(name, inside):
    # 3 x 3 samples a pixel for smooth edges.
    def pixel(x, y):
        hits = sum(inside((x - 0.5 + (i + 0.5) / 3) / SIZE, (y - 0.5 + (j + 0.5) / 3) / SIZE)
                   for i in range(3) for j in range(3))
        return WHITE + (round(255 * hits / 9),)
    png(os.path.join(out, name + '@2x.png'), SIZE, SIZE, pixel)

icon('icon_web_back', chevron(True))
icon('icon_web_go', chevron(False))
icon('icon_web_refresh', reload_arrow)
