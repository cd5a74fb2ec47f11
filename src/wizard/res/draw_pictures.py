#!/usr/bin/env python3
"""Draws the wizard's pictures as 24-bit BMP files: six 48x48 page headers and
the 16x16 picture of the add-folder button, each for screens of 100 % (NAME.bmp),
150 % (NAME_150.bmp) and 200 % (NAME_200.bmp). Flat shapes in the coordinates
of the 100 % size, 4x4 supersampled; the bottom-left pixel is the key colour
that lets the background through.

usage: draw_pictures.py OUTPUT_FOLDER"""
import math
import os
import struct
import sys

KEY = (255, 0, 255)      # shows as the background
PAPER = (255, 255, 255)  # what edges are blended against (the white header)
SS = 4


def rect(x0, y0, x1, y1, r=0.0):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= (w / 2) ** 2
    return inside


def polyline(points, w):
    parts = [line(*a, *b, w) for a, b in zip(points, points[1:])]
    return lambda x, y: any(p(x, y) for p in parts)


def render(size, layers, scale=1.0):
    rows = []
    pixels = round(size * scale)
    for py in range(pixels):
        row = []
        for px in range(pixels):
            acc = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SS):
                for sx in range(SS):
                    x = (px + (sx + 0.5) / SS) / scale
                    y = (py + (sy + 0.5) / SS) / scale
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    if colour is not None:
                        covered += 1
                    colour = colour or PAPER
                    for i in range(3):
                        acc[i] += colour[i]
            row.append(KEY if covered == 0 else tuple(round(a / SS / SS) for a in acc))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = b''
    for row in reversed(rows):   # bottom-up
        line_bytes = b''.join(bytes((b, g, r)) for r, g, b in row)
        pixels += line_bytes + b'\0' * (stride - len(line_bytes))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


BLUE, DARK_BLUE = (40, 110, 200), (25, 70, 140)
GREEN, DARK_GREEN = (60, 160, 80), (35, 110, 50)
YELLOW, DARK_YELLOW = (245, 195, 70), (200, 145, 30)
ORANGE = (240, 140, 40)
GREY, LIGHT = (120, 130, 140), (235, 238, 242)
WHITE, RED = (255, 255, 255), (205, 60, 50)


def document(x0=10, x1=34):
    return [(rect(x0, 4, x1, 44, 2), GREY), (rect(x0 + 1.5, 5.5, x1 - 1.5, 42.5, 1), WHITE)] + \
           [(rect(x0 + 5, y, x1 - 5 - (6 if i % 3 == 2 else 0), y + 1.6), (150, 160, 170))
            for i, y in enumerate(range(11, 38, 5))]


def folder(scale=1.0, ox=0.0, oy=0.0):
    s = lambda v: v * scale
    return [
        (polygon([(ox + s(3), oy + s(12)), (ox + s(17), oy + s(12)), (ox + s(21), oy + s(16)),
                  (ox + s(45), oy + s(16)), (ox + s(45), oy + s(42)), (ox + s(3), oy + s(42))]), DARK_YELLOW),
        (polygon([(ox + s(3), oy + s(20)), (ox + s(45), oy + s(20)), (ox + s(45), oy + s(42)),
                  (ox + s(3), oy + s(42))]), YELLOW),
    ]


PICTURES = {
    'header_info.bmp': (48, [
        (circle(24, 24, 20), BLUE), (ring(24, 24, 20, 2), DARK_BLUE),
        (circle(24, 14, 3.2), WHITE), (rect(21, 20, 27, 35, 1.5), WHITE)]),
    'header_license.bmp': (48, document(8, 34) + [
        (circle(34, 33, 9), RED), (circle(34, 33, 5.5), (235, 120, 100)),
        (polygon([(29, 39), (27, 46), (31, 44), (33, 47), (34, 41)]), RED),
        (polygon([(39, 39), (41, 46), (37, 44), (35, 47), (34, 41)]), RED)]),
    'header_folder.bmp': (48, folder() + [
        (polyline([(10, 36), (18, 29), (25, 33), (37, 23)], 3), DARK_GREEN),
        (polygon([(33, 21), (40, 20), (39, 27)]), DARK_GREEN)]),
    'header_ready.bmp': (48, document(9, 35) + [
        (circle(33, 33, 11), GREEN), (polyline([(27.5, 33), (31.5, 37.5), (38.5, 28.5)], 3.4), WHITE)]),
    'header_progress.bmp': (48, [
        (rect(6, 26, 42, 44, 2), DARK_BLUE), (rect(8, 28, 40, 42, 1.5), BLUE),
        (rect(12, 34, 36, 37, 1), (170, 200, 240)),
        (rect(20, 3, 28, 17), GREEN), (polygon([(13, 16), (35, 16), (24, 28)]), GREEN)]),
    'header_news.bmp': (48, [
        (polygon([(24 + 21 * math.cos(math.radians(a * 36 - 90)) * (1 if a % 2 == 0 else 0.47),
                   25 + 21 * math.sin(math.radians(a * 36 - 90)) * (1 if a % 2 == 0 else 0.47))
                  for a in range(10)]), ORANGE),
        (circle(24, 25, 5), (255, 215, 120))]),
    'add_folder.bmp': (16, folder(16 / 48) + [
        (rect(9, 2, 11.5, 14), GREEN), (rect(4.25, 6.75, 16, 9.25), GREEN)]),
}


SCALES = [('', 1.0), ('_150', 1.5), ('_200', 2.0)]


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, (size, layers) in PICTURES.items():
        for suffix, scale in SCALES:
            write_bmp(os.path.join(out, name.replace('.bmp', suffix + '.bmp')), render(size, layers, scale))


if __name__ == '__main__':
    main()
