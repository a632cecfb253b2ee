"""Books whose pixels tell where they are: every pixel of a page encodes its own position, so a
screenshot of the spread at 100 % gives the exact scroll offset. Also: how far a list scrolled
between two screenshots."""
import struct
import zipfile


def coded_colour(x, y, page):
    """The colour of pixel (x, y) of page `page` (0 or 1 tells the two pages of a spread apart)."""
    return (y & 255, ((y >> 8) << 4) | (x >> 8) | (page << 7), x & 255)


def decode(colour):
    """(x, y, page) of a coded colour as read from the screen."""
    r, g, b = colour
    return ((g & 15) << 8) | b, ((g >> 4) & 7) << 8 | r, g >> 7


def bmp(width, height, page):
    """A 24-bit bottom-up BMP of a coded page (x < 4096, y < 2048)."""
    stride = (width * 3 + 3) & ~3
    templates = {}
    rows = []
    for y in range(height - 1, -1, -1):
        high = y >> 8
        if high not in templates:
            row = bytearray(stride)
            for x in range(width):
                r, g, b = coded_colour(x, high << 8, page)
                row[3 * x:3 * x + 3] = bytes((b, g, r))
            templates[high] = row
        row = bytearray(templates[high])
        row[2:3 * width:3] = bytes((y & 255,)) * width
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def make_coded_zip(path, width, height, count):
    """A ZIP of `count` coded BMP pages; pages alternate their page bit."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for n in range(count):
            z.writestr("page%02d.bmp" % (n + 1), bmp(width, height, n % 2))
    return path


def shift_between(before, after, most=200):
    """How many pixel rows the content moved up from `before` to `after` (two crops of the same
    place), 0 … `most`; None when `after` is no shifted copy of `before`."""
    rows = lambda img: [img.data[y * img.width * 3:(y + 1) * img.width * 3] for y in range(img.height)]
    b, a = rows(before), rows(after)
    for s in range(0, most + 1):
        if all(a[y] == b[y + s] for y in range(0, len(a) - s)):
            return s
    return None
