#!/usr/bin/env python3
"""Draws the desktop icon (an open book on a teal tile, the look of resources/icon.bmp) for the
hicolor icon theme and writes it into resources/icons/:

    python3 tools/make_icons.py resources/icons

mekuri-SIZE.png  SIZE x SIZE, 8-bit RGBA, for SIZE in 16 32 48 64 128 256
mekuri.svg       the same drawing as a scalable picture

Every size is drawn on its own pixel grid: the pages, their outlines and the text lines fall on
whole pixels (so small sizes stay sharp), and only the tile's rounded corners are smoothed.
"""
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128, 256)

TEAL = (0, 128, 128)
TEAL_DARK = (0, 96, 96)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
LINE = (60, 60, 60)
SHADE = (224, 224, 224)


def layout(size):
    """The drawing for one size, in whole pixels: a list of (x, y, w, h, colour) rectangles
    drawn in order over the tile, and the tile's corner radius."""
    u = size / 32.0  # one unit of the 32 x 32 original
    px = lambda v: int(round(v * u))
    t = max(1, px(1))  # outline thickness
    radius = max(2, size * 5 / 32.0)
    left, right = px(3), size - px(3)
    top, bottom = px(6), size - px(5)
    spine = size // 2
    rects = []
    # A thin darker band under the book gives it a little depth from 48 pixels up.
    if size >= 48:
        rects.append((left + t, bottom, right - left, t, TEAL_DARK))
    # The two pages with their outlines; the spine is the shared inner edge.
    rects.append((left, top, right - left, bottom - top, BLACK))
    rects.append((left + t, top + t, spine - left - t - (t + 1) // 2, bottom - top - 2 * t, WHITE))
    right_page_x = spine + t // 2
    rects.append((right_page_x, top + t, right - t - right_page_x, bottom - top - 2 * t, WHITE))
    # A soft shadow along the spine on both pages from 64 pixels up.
    if size >= 64:
        shade = max(1, px(1))
        rects.append((spine - (t + 1) // 2 - shade, top + t, shade, bottom - top - 2 * t, SHADE))
        rects.append((right_page_x, top + t, shade, bottom - top - 2 * t, SHADE))
    # Text lines: five in the original, three where the icon is too small for five.
    count = 5 if size >= 32 else 3
    thickness = max(1, px(1))
    inner_top, inner_bottom = top + t, bottom - t
    step = (inner_bottom - inner_top) / (count + 1)
    for i in range(count):
        y = inner_top + int(round(step * (i + 1))) - thickness // 2
        for x0, x1 in ((left + t, spine - (t + 1) // 2), (right_page_x, right - t)):
            margin = max(1, int(round((x1 - x0) * 0.22)))
            rects.append((x0 + margin, y, x1 - x0 - 2 * margin, thickness, LINE))
    return rects, radius


def tile_coverage(x, y, size, radius, samples=8):
    """How much of pixel (x, y) the rounded tile covers, 0.0 to 1.0."""
    def inside(fx, fy):
        cx = min(max(fx, radius), size - radius)
        cy = min(max(fy, radius), size - radius)
        return (fx - cx) ** 2 + (fy - cy) ** 2 <= radius * radius
    near_corner = (x < radius or x + 1 > size - radius) and (y < radius or y + 1 > size - radius)
    if not near_corner:
        return 1.0
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def render(size):
    rects, radius = layout(size)
    rgba = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            a = tile_coverage(x, y, size, radius)
            if a > 0:
                rgba[y][x] = TEAL + (int(round(a * 255)),)
    for x0, y0, w, h, colour in rects:
        for y in range(max(0, y0), min(size, y0 + h)):
            for x in range(max(0, x0), min(size, x0 + w)):
                rgba[y][x] = colour + (255,)
    return rgba


def png(rgba):
    h, w = len(rgba), len(rgba[0])
    raw = bytearray()
    for row in rgba:
        raw.append(0)
        for p in row:
            raw += bytes(p)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def svg():
    size = 256
    rects, radius = layout(size)
    hexcolour = lambda c: "#%02x%02x%02x" % c
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (size, size, size, size),
             '  <rect x="0" y="0" width="%d" height="%d" rx="%g" fill="%s"/>'
             % (size, size, radius, hexcolour(TEAL))]
    for x, y, w, h, colour in rects:
        lines.append('  <rect x="%d" y="%d" width="%d" height="%d" fill="%s"/>'
                     % (x, y, w, h, hexcolour(colour)))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join("resources", "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(out, "mekuri-%d.png" % size), "wb") as f:
            f.write(png(render(size)))
    with open(os.path.join(out, "mekuri.svg"), "w") as f:
        f.write(svg())


if __name__ == "__main__":
    main()
