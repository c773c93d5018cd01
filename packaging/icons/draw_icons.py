#!/usr/bin/env python3
"""Draws the desktop icons of the window (voltrigg) and the viewer (voltrigg-view).

The design is the window's own icon and logo (app/gui/make_images.py: a
panel of 4 x 3 cells leaning back, its stand and the sun); this script
imports that scene and draws it as anti-aliased RGBA PNGs at the hicolor
theme's sizes and as an SVG for the scalable folder. The viewer's icon is
the same scene under a magnifying glass.

Standard library only. Run it from anywhere after changing the design:
    python3 packaging/icons/draw_icons.py
The icons it writes are committed; the build only installs them.
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing left beside make_images.py
sys.path.insert(0, os.path.join(HERE, "..", "..", "app", "gui"))
import make_images as design  # noqa: E402  (the window's scene, coordinates and colours)

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# The scene is 98 x 95 logo units; the icons show it in a square of 98 units,
# moved down a little so that the stand is not cut, as the 32 px icon is.
SQUARE = 98.0
OFFSET_Y = -1.5

# The viewer's magnifying glass, in logo units.
LENS_CENTRE = (66.0, 66.0)
LENS_RADIUS = 17.0
LENS_RIM = 4.5
HANDLE_FROM = 0.70  # the handle starts this far out along the rim's diagonal (in radii beyond the rim)
HANDLE_LENGTH = 20.0
HANDLE_WIDTH = 7.0
RIM = (72, 80, 92)
HANDLE = (56, 62, 72)
LENS_TINT = (235, 244, 255)  # the glass lightens what lies under it


def window_scene(x, y):
    """RGBA of the window's icon at a point, or None where it is transparent."""
    c = design.scene(x, y)
    return None if c is None else (c[0], c[1], c[2], 255)


def handle_axis():
    """The handle's start and end points, down and to the right of the lens."""
    d = 1 / math.sqrt(2)
    cx, cy = LENS_CENTRE
    start = LENS_RADIUS + LENS_RIM * HANDLE_FROM
    return (cx + d * start, cy + d * start), (cx + d * (start + HANDLE_LENGTH), cy + d * (start + HANDLE_LENGTH))


def viewer_scene(x, y):
    """The window's scene under a magnifying glass."""
    cx, cy = LENS_CENTRE
    d = math.hypot(x - cx, y - cy)
    if d <= LENS_RADIUS:
        under = design.scene(x, y)
        glass = LENS_TINT if under is None else tuple(round(u * 0.55 + t * 0.45) for u, t in zip(under, LENS_TINT))
        return (glass[0], glass[1], glass[2], 235)
    if d <= LENS_RADIUS + LENS_RIM:
        return (*RIM, 255)
    (ax, ay), (bx, by) = handle_axis()
    t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
    if 0 <= t <= 1:
        px, py = ax + t * (bx - ax), ay + t * (by - ay)
        if math.hypot(x - px, y - py) <= HANDLE_WIDTH / 2:
            return (*HANDLE, 255)
    return window_scene(x, y)


def render(scene, size, samples):
    """Straight-alpha RGBA rows: each pixel the mean of samples x samples points."""
    scale = SQUARE / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    c = scene((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale + OFFSET_Y)
                    if c is None:
                        continue
                    w = c[3] / 255
                    r += c[0] * w
                    g += c[1] * w
                    b += c[2] * w
                    a += w
            n = samples * samples
            if a == 0:
                row += b"\0\0\0\0"
            else:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    size = len(rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))  # 8-bit RGBA
    png += chunk(b"IDAT", zlib.compress(b"".join(b"\0" + r for r in rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def rgb(c):
    return "#%02x%02x%02x" % tuple(c[:3])


def lerp(p, q, t):
    return (p[0] + (q[0] - p[0]) * t, p[1] + (q[1] - p[1]) * t)


def quad_point(u, v):
    """A point of the panel at (u, v): the bilinear patch make_images.py inverts."""
    return lerp(lerp(design.P0, design.P1, u), lerp(design.P3, design.P2, u), v)


def svg_scene(viewer):
    """The scene as SVG elements, in logo units."""
    out = []
    pts = " ".join("%g,%g" % p for p in (design.P0, design.P1, design.P2, design.P3))
    # The stand first: the panel covers its top.
    out.append('<path fill="%s" d="M52 84h6v7h12v3h-30v-3h12z"/>' % rgb(design.STAND))
    out.append('<polygon fill="%s" points="%s"/>' % (rgb(design.FRAME), pts))
    # The glass inside the frame, with the highlight running across it.
    edge_u, edge_v = 0.045, 0.045 * 1.4
    glass = [quad_point(edge_u, edge_v), quad_point(1 - edge_u, edge_v), quad_point(1 - edge_u, 1 - edge_v),
             quad_point(edge_u, 1 - edge_v)]
    hi_from, hi_to = quad_point(0.0, 0.0), quad_point(0.7, 0.7)
    out.append('<linearGradient id="glass" gradientUnits="userSpaceOnUse" x1="%g" y1="%g" x2="%g" y2="%g">'
               '<stop offset="0.5" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
               % (hi_from[0], hi_from[1], 2 * hi_to[0] - hi_from[0], 2 * hi_to[1] - hi_from[1],
                  rgb(design.CELL), rgb(design.CELL_LIGHT)))
    out.append('<polygon fill="url(#glass)" points="%s"/>' % " ".join("%.2f,%.2f" % p for p in glass))
    # The cell grid: lines of constant u and v are straight in a bilinear patch.
    lines = []
    for i in range(1, 4):
        u = edge_u + (1 - 2 * edge_u) * i / 4
        lines.append((quad_point(u, edge_v), quad_point(u, 1 - edge_v)))
    for j in range(1, 3):
        v = edge_v + (1 - 2 * edge_v) * j / 3
        lines.append((quad_point(edge_u, v), quad_point(1 - edge_u, v)))
    out.append('<g stroke="%s" stroke-width="0.8">' % rgb(design.GRID) +
               "".join('<line x1="%.2f" y1="%.2f" x2="%.2f" y2="%.2f"/>' % (a[0], a[1], b[0], b[1]) for a, b in lines) +
               "</g>")
    # The sun: a disc with its rim and twelve rays.
    cx, cy, r = 74, 20, 12
    out.append('<circle cx="%d" cy="%d" r="%d" fill="%s"/>' % (cx, cy, r, rgb(design.SUN_RIM)))
    out.append('<circle cx="%d" cy="%d" r="%d" fill="%s"/>' % (cx, cy, r - 2, rgb(design.SKY_SUN)))
    rays = []
    for k in range(12):
        a = k * 2 * math.pi / 12
        half = 0.16 * 2 * math.pi / 12
        p = [(cx + rr * math.cos(a + s * half), cy + rr * math.sin(a + s * half)) for rr, s in
             ((r + 3, -1), (r + 9, -1), (r + 9, 1), (r + 3, 1))]
        rays.append('<polygon points="%s"/>' % " ".join("%.2f,%.2f" % q for q in p))
    out.append('<g fill="%s">%s</g>' % (rgb(design.SUN_RIM), "".join(rays)))
    if viewer:
        lx, ly = LENS_CENTRE
        (ax, ay), (bx, by) = handle_axis()
        out.append('<line x1="%.2f" y1="%.2f" x2="%.2f" y2="%.2f" stroke="%s" stroke-width="%g"/>'
                   % (ax, ay, bx, by, rgb(HANDLE), HANDLE_WIDTH))
        out.append('<circle cx="%g" cy="%g" r="%g" fill="%s" fill-opacity="0.45" stroke="%s" stroke-width="%g"/>'
                   % (lx, ly, LENS_RADIUS + LENS_RIM / 2, rgb(LENS_TINT), rgb(RIM), LENS_RIM))
    return out


def write_svg(path, viewer):
    body = "\n  ".join(svg_scene(viewer))
    svg = ('<?xml version="1.0" encoding="UTF-8"?>\n'
           '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 %g %g %g">\n  %s\n</svg>\n'
           % (OFFSET_Y, SQUARE, SQUARE, body))
    with open(path, "w", encoding="utf-8") as f:
        f.write(svg)


def main():
    for name, scene, viewer in (("voltrigg", window_scene, False), ("voltrigg-view", viewer_scene, True)):
        for size in SIZES:
            # Small icons need more samples per pixel for the same smoothness.
            write_png(os.path.join(HERE, "%s-%d.png" % (name, size)), render(scene, size, 8 if size <= 32 else 4))
        write_svg(os.path.join(HERE, "%s.svg" % name), viewer)


if __name__ == "__main__":
    main()
