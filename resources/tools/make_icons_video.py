#!/usr/bin/env python3
# Draws the audio-visual images: the play mark over video pictures, the player's play, pause,
# back and slider-thumb images (plain white shapes, @2x PNGs).
import math, os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.dirname(here)

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(bytes(pixel(x + 0.5, y + 0.5)) for x in range(w)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def draw(name, size, inside, colour=(255, 255, 255), alpha=255):
    png(os.path.join(out, name + '@2x.png'), size, size,
        lambda x, y: colour + (alpha,) if inside(x / size, y / size) else (0, 0, 0, 0))

def triangle(x, y, left=0.36, right=0.72, half=0.22):
    return left < x < right and abs(y - 0.5) < (right - x) / (right - left) * half

def ring_with_triangle(x, y):
    r = math.hypot(x - 0.5, y - 0.5)
    return (0.42 < r < 0.48) or triangle(x, y, 0.4, 0.7, 0.18)

def pause(x, y):
    return 0.2 < y < 0.8 and (0.25 < x < 0.42 or 0.58 < x < 0.75)

def chevron(x, y):
    d = min(abs((0.62 - x) - (y - 0.18)), abs((0.62 - x) - (0.82 - y)))
    return d < 0.1 and 0.28 < x < 0.66 and 0.12 < y < 0.88

draw('play_icon', 84, ring_with_triangle)
draw('playBtn', 60, lambda x, y: triangle(x, y, 0.28, 0.78, 0.3))
draw('pauseBtn', 60, pause)
draw('iconfont-back', 48, chevron)
draw('iconfont-yuan', 32, lambda x, y: math.hypot(x - 0.5, y - 0.5) < 0.4)
