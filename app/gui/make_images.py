#!/usr/bin/env python3
"""Draws the window's logo (logo.gif) and icon (voltrigg-32.png).

Standard library only. The logo is a GIF89a of 98 x 95 pixels, interlaced,
one frame, a 256-entry colour table with index 0 transparent; the icon is a
32 x 32 PNG with a 256-entry palette, index 0 transparent.

Run it from anywhere: python3 app/gui/make_images.py
The images it writes are committed; the build only reads them.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The scene is drawn in logo coordinates (98 x 95), y downwards.
SKY_SUN = (255, 196, 32)
SUN_RIM = (240, 140, 20)
FRAME = (196, 204, 214)
CELL = (24, 64, 150)
CELL_LIGHT = (60, 120, 210)
GRID = (220, 232, 245)
STAND = (110, 118, 128)


def in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


# The panel: a parallelogram leaning back, 4 x 3 cells.
P0, P1, P2, P3 = (8, 52), (66, 40), (90, 78), (28, 90)  # top left, top right, bottom right, bottom left


def panel_uv(x, y):
    """Position inside the panel as (u, v) in 0..1, or None outside."""
    if not in_polygon(x, y, [P0, P1, P2, P3]):
        return None
    # Bilinear inverse by a few Newton steps; the shape is close to affine.
    u, v = 0.5, 0.5
    for _ in range(8):
        px = (1 - u) * (1 - v) * P0[0] + u * (1 - v) * P1[0] + u * v * P2[0] + (1 - u) * v * P3[0]
        py = (1 - u) * (1 - v) * P0[1] + u * (1 - v) * P1[1] + u * v * P2[1] + (1 - u) * v * P3[1]
        dxu = (1 - v) * (P1[0] - P0[0]) + v * (P2[0] - P3[0])
        dyu = (1 - v) * (P1[1] - P0[1]) + v * (P2[1] - P3[1])
        dxv = (1 - u) * (P3[0] - P0[0]) + u * (P2[0] - P1[0])
        dyv = (1 - u) * (P3[1] - P0[1]) + u * (P2[1] - P1[1])
        det = dxu * dyv - dxv * dyu
        ex, ey = x - px, y - py
        u += (ex * dyv - ey * dxv) / det
        v += (ey * dxu - ex * dyu) / det
    return u, v


def scene(x, y):
    """Colour at a point of the scene, or None where it is transparent."""
    uv = panel_uv(x, y)
    if uv is not None:
        u, v = uv
        edge = 0.045
        if u < edge or u > 1 - edge or v < edge * 1.4 or v > 1 - edge * 1.4:
            return FRAME
        cu = (u - edge) / (1 - 2 * edge) * 4
        cv = (v - edge * 1.4) / (1 - 2.8 * edge) * 3
        if min(cu % 1, 1 - cu % 1) < 0.05 or min(cv % 1, 1 - cv % 1) < 0.06:
            return GRID
        # A soft highlight running across the glass.
        t = max(0.0, 1 - abs((u + v) - 0.7) * 2.2)
        return tuple(round(c + (l - c) * t) for c, l in zip(CELL, CELL_LIGHT))
    # The stand under the panel.
    if 52 <= x <= 58 and 84 <= y <= 94:
        return STAND
    if 40 <= x <= 70 and 91 <= y <= 94:
        return STAND
    # The sun, above the panel's right end, with its rays.
    cx, cy, r = 74, 20, 12
    d = math.hypot(x - cx, y - cy)
    if d <= r:
        return SKY_SUN if d <= r - 2 else SUN_RIM
    if r + 3 <= d <= r + 9:
        a = math.atan2(y - cy, x - cx)
        if abs(((a / (2 * math.pi / 12)) % 1) - 0.5) > 0.34:
            return SUN_RIM
    return None


def render(width, height, scale, offset_y, samples=4):
    """Pixels as colours or None; coverage below one half is transparent."""
    pixels = []
    for py in range(height):
        row = []
        for px in range(width):
            hits = []
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale + offset_y
                    c = scene(x, y)
                    if c is not None:
                        hits.append(c)
            if len(hits) * 2 < samples * samples:
                row.append(None)
            else:
                row.append(tuple(round(sum(c[i] for c in hits) / len(hits)) for i in range(3)))
        pixels.append(row)
    return pixels


def median_cut(colours, count):
    """Up to `count` representative colours of a list of colours."""
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        boxes.sort(key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b) for i in range(3)) if len(b) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        axis = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[axis])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes]


def palette_image(pixels):
    """Indexed image: index 0 transparent, the 256-entry palette padded with black."""
    colours = [c for row in pixels for c in row if c is not None]
    reps = median_cut(colours, 255)
    palette = [(255, 255, 255)] + reps
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}

    def nearest(c):
        if c not in cache:
            cache[c] = 1 + min(range(len(reps)), key=lambda i: sum((c[k] - reps[i][k]) ** 2 for k in range(3)))
        return cache[c]

    indices = [[0 if c is None else nearest(c) for c in row] for row in pixels]
    return palette, indices


def lzw_encode(data, min_code_size=8):
    """GIF LZW: variable code width from min_code_size + 1 up to 12 bits."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, width):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    prefix = b""
    for b in data:
        candidate = prefix + bytes([b])
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        prefix = bytes([b])
    if prefix:
        emit(table[prefix], width)
    emit(end, width)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def interlaced_rows(height):
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        yield from range(start, height, step)


def write_gif(path, palette, indices):
    height, width = len(indices), len(indices[0])
    data = bytes(i for y in interlaced_rows(height) for i in indices[y])
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)  # global table of 256 entries
    gif += bytes(v for c in palette for v in c)
    gif += bytes([0x21, 0xF9, 4, 0x01, 0, 0, 0, 0])  # index 0 transparent
    gif += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0x40)  # interlaced, no local table
    gif.append(8)
    lzw = lzw_encode(data)
    for i in range(0, len(lzw), 255):
        chunk = lzw[i:i + 255]
        gif.append(len(chunk))
        gif += chunk
    gif += b"\x00\x3b"
    with open(path, "wb") as f:
        f.write(gif)


def write_png(path, palette, indices):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    height, width = len(indices), len(indices[0])
    raw = b"".join(b"\x00" + bytes(row) for row in indices)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
    png += chunk(b"PLTE", bytes(v for c in palette for v in c))
    png += chunk(b"tRNS", b"\x00")  # index 0 transparent, the rest opaque
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    logo = render(98, 95, 1.0, 0.0)
    write_gif(os.path.join(HERE, "logo.gif"), *palette_image(logo))
    # The icon shows the same scene squeezed into a square.
    icon = render(32, 32, 98 / 32, -1.5)
    write_png(os.path.join(HERE, "voltrigg-32.png"), *palette_image(icon))


if __name__ == "__main__":
    main()
