#!/usr/bin/env python3
"""Draws the installer's icon and writes it as a Windows .ico file.

  make_icon.py OUT.ico [PREVIEW.ppm]

The picture: a blue tile with a golden arrow going down into a white tray,
drawn from shapes in a unit square at 16, 24, 32, 48 and 256 pixels (each
pixel sampled 8 x 8 times for smooth edges, 3 x 3 at 256). Only the standard library is
used, so the build needs nothing but python3.
"""
import struct
import sys



def rounded_square(x, y, inset, radius):
    """Inside a square inset from the unit square with rounded corners."""
    lo, hi = inset, 1.0 - inset
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def arrow(x, y):
    shaft = 0.41 <= x <= 0.59 and 0.14 <= y <= 0.46
    head = 0.44 <= y <= 0.70 and abs(x - 0.5) <= (0.70 - y) * 0.95
    return shaft or head


def tray(x, y):
    bottom = 0.20 <= x <= 0.80 and 0.72 <= y <= 0.82
    sides = (0.20 <= x <= 0.30 or 0.70 <= x <= 0.80) and 0.56 <= y <= 0.82
    return bottom or sides


def colour_at(x, y):
    """RGBA of one sample; y grows downwards."""
    if not rounded_square(x, y, 0.03, 0.16):
        return (0, 0, 0, 0)
    if arrow(x, y):
        t = (y - 0.14) / 0.56
        return (255, int(214 - 60 * t), int(64 - 40 * t), 255)
    if tray(x, y):
        return (250, 250, 252, 255)
    if not rounded_square(x, y, 0.075, 0.125):  # a darker rim
        return (20, 46, 110, 255)
    t = y
    return (int(58 - 26 * t), int(128 - 56 * t), int(226 - 70 * t), 255)


def render(size):
    """Rows of (r, g, b, a), top row first, premultiplied while averaging."""
    samples = 3 if size > 48 else 8
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    cr, cg, cb, ca = colour_at((px + (sx + 0.5) / samples) / size,
                                               (py + (sy + 0.5) / samples) / size)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(a / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def bitmap_entry(rows):
    """A 32-bit BMP icon image: header, pixels bottom-up, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(rows):
    """The 256-pixel image as a PNG, as Windows Vista and later expect."""
    import zlib
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    images = []
    for size in (16, 24, 32, 48, 256):
        rows = render(size)
        images.append((size, png_entry(rows) if size == 256 else bitmap_entry(rows)))
        if size == 48 and len(sys.argv) == 3:
            with open(sys.argv[2], "wb") as preview:
                preview.write(b"P6 48 48 255\n" + bytes(
                    round(v * a / 255 + 255 * (1 - a / 255)) for row in rows for (*rgb, a) in row for v in rgb))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = size % 256
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
