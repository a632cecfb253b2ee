#!/usr/bin/env python3
"""Draws the program's own art and writes it as 24-bit bottom-up BMP files into resources/.

    python3 tools/make_resources.py resources/

icon.bmp       32 x 32   window and About-box icon: an open book
zoommodes.bmp  32 x 176  the fit-mode icons: five 32 x 32 (rows 0, 32, 64, 96, 128 from the
                         top) and two 16 x 16 at row 160, columns 0 and 16
noimage.bmp    128 x 128 catalog placeholder: white with "No Image" in red near the lower edge
"""
import os
import struct
import sys

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
RED = (220, 0, 0)
PAGE_EDGE = (60, 60, 60)
BACK = (192, 192, 192)


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]  # top-down rows of (r, g, b)

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, c)

    def frame(self, x, y, w, h, c):
        for xx in range(x, x + w):
            self.put(xx, y, c)
            self.put(xx, y + h - 1, c)
        for yy in range(y, y + h):
            self.put(x, yy, c)
            self.put(x + w - 1, yy, c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                self.put(ox + x, oy + y, other.px[y][x])

    def bmp(self):
        stride = (self.w * 3 + 3) // 4 * 4
        rows = []
        for y in range(self.h - 1, -1, -1):  # bottom-up
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            rows.append(bytes(row))
        pixels = b"".join(rows)
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(pixels),
                             2835, 2835, 0, 0)
        file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54)
        return file_header + header + pixels


def hline_arrow(c, x0, x1, y, color, head):
    for x in range(x0, x1 + 1):
        c.put(x, y, color)
    for i in range(1, head + 1):
        c.put(x0 + i, y - i, color)
        c.put(x0 + i, y + i, color)
        c.put(x1 - i, y - i, color)
        c.put(x1 - i, y + i, color)


def vline_arrow(c, x, y0, y1, color, head):
    for y in range(y0, y1 + 1):
        c.put(x, y, color)
    for i in range(1, head + 1):
        c.put(x - i, y0 + i, color)
        c.put(x + i, y0 + i, color)
        c.put(x - i, y1 - i, color)
        c.put(x + i, y1 - i, color)


def spread(size):
    """Two facing pages filling a size x size square."""
    c = Canvas(size, size, BACK)
    m = 1 if size == 16 else 2
    top, bottom = m + (1 if size == 16 else 3), size - m - (1 if size == 16 else 3)
    mid = size // 2
    c.rect(m, top, mid - m, bottom - top, WHITE)
    c.rect(mid, top, size - m - mid, bottom - top, WHITE)
    c.frame(m, top, mid - m, bottom - top, PAGE_EDGE)
    c.frame(mid - 1, top, size - m - mid + 1, bottom - top, PAGE_EDGE)
    return c, m, top, bottom, mid


def mode_icon(mode, size):
    c, m, top, bottom, mid = spread(size)
    head = 2 if size == 16 else 3
    cx = size // 2 + (size // 4 if mode in (3, 4) else 0)
    if mode in (0, 1, 3):  # heights fitted
        x = (mid + (size - m)) // 2 if mode == 3 else size // 2 + (size // 4 if mode == 0 else 0)
        if mode == 1:
            x = size // 4
        vline_arrow(c, x, top + 1, bottom - 2, RED, head)
    if mode in (1, 2):  # the spread's width fitted
        hline_arrow(c, m + 1, size - m - 2, (top + bottom) // 2, RED, head)
    if mode in (3, 4):  # one page's width fitted
        hline_arrow(c, mid + 1, size - m - 2, (top + bottom) // 2, RED, head)
    del cx
    return c


# 5 x 7 glyphs for the placeholder's words.
GLYPHS = {
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "o": ["00000", "00000", "01110", "10001", "10001", "10001", "01110"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "m": ["00000", "00000", "11010", "10101", "10101", "10101", "10101"],
    "a": ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    "g": ["00000", "01111", "10001", "10001", "01111", "00001", "01110"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    " ": ["00000"] * 7,
}


def text(c, s, x, y, scale, color):
    for ch in s:
        for gy, row in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(row):
                if bit == "1":
                    c.rect(x + gx * scale, y + gy * scale, scale, scale, color)
        x += 6 * scale


def no_image():
    c = Canvas(128, 128, WHITE)
    words = "No Image"
    scale = 2
    width = len(words) * 6 * scale - scale
    text(c, words, (128 - width) // 2, 128 - 7 * scale - 12, scale, RED)
    return c


def icon():
    c = Canvas(32, 32, (0, 128, 128))
    c.rect(3, 6, 13, 21, WHITE)
    c.rect(16, 6, 13, 21, WHITE)
    c.frame(3, 6, 13, 21, BLACK)
    c.frame(15, 6, 14, 21, BLACK)
    for y in range(10, 24, 3):
        for x in range(6, 13):
            c.put(x, y, PAGE_EDGE)
        for x in range(19, 26):
            c.put(x, y, PAGE_EDGE)
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    os.makedirs(out, exist_ok=True)
    strip = Canvas(32, 176, BACK)
    for mode in range(5):
        strip.blit(mode_icon(mode, 32), 0, mode * 32)
    strip.blit(mode_icon(0, 16), 0, 160)
    strip.blit(mode_icon(1, 16), 16, 160)
    for name, canvas in (("icon.bmp", icon()), ("zoommodes.bmp", strip), ("noimage.bmp", no_image())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(canvas.bmp())


if __name__ == "__main__":
    main()
