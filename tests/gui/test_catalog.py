"""The catalog window: a folder of archives (ZIP, a Japanese name, one without pictures, RAR and
LZH) opened as a catalog, its monitor coming and going, the thumbnails in their cells, selection,
opening a book with a double click, renaming in place, the catalog file read back byte by byte,
and reopening without making any thumbnail again."""
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile

import harness
from harness import App, check, near, run

FIXTURES = os.path.join(harness.HERE, "..", "fixtures")
ANSWER_FOLDER = ("フォルダを開く", 0, "カタログを開く")
RECORD = 49696


def make_folder(work):
    folder = os.path.join(work, "shelf")
    os.mkdir(folder)
    harness.make_book(os.path.join(folder, "vol1.zip"), ["250x375#c83232"], zip=True)
    harness.make_book(os.path.join(folder, "vol2.zip"), ["375x250#3232c8"], zip=True)
    harness.make_book(os.path.join(folder, "第3巻.zip"), ["600x900#c8c832"], zip=True)
    with zipfile.ZipFile(os.path.join(folder, "text.zip"), "w") as z:
        z.writestr("readme.txt", "no pictures here")
    shutil.copy(os.path.join(FIXTURES, "archives", "rar4", "unrarjs_test_with_jpeg.rar"), folder)
    shutil.copy(os.path.join(FIXTURES, "books", "photobook_lh5_level1.lzh"), folder)
    return folder


# Display order by name: ASCII names first, the kanji name last.
ORDER = ["photobook_lh5_level1.lzh", "text.zip", "unrarjs_test_with_jpeg.rar", "vol1.zip",
         "vol2.zip", "第3巻.zip"]


class Catalog:
    """The catalog window of a running App, found by its title (the folder path)."""

    def __init__(self, app, folder):
        self.app = app
        self.id = app.wait_window("^%s$" % folder.replace(".", "\\."))
        self.x, self.y, self.w, self.h = app.geometry(self.id)
        self.columns = max(1, (self.w - 20) // 150)

    def cell(self, index):
        return 2 + (index % self.columns) * 150, 22 + (index // self.columns) * 180

    def shot(self):
        return harness.screenshot().crop(self.x, self.y, self.w, self.h)

    def click(self, x, y, repeat=1):
        run(["xdotool", "mousemove", str(self.x + x), str(self.y + y), "click", "--repeat",
             str(repeat), "--delay", "80", "1"])
        self.app.idle()

    def key(self, *keys):
        run(["xdotool", "mousemove", str(self.x + self.w // 2), str(self.y + self.h - 40)])
        for k in keys:
            run(["xdotool", "key", k])
            self.app.idle()

    def type(self, text):
        run(["xdotool", "type", "--delay", "40", text])
        self.app.idle()


def rle_decode(data):
    out = bytearray()
    i = 0
    while i < len(data):
        if data[i] == 0x88:
            check(i + 4 <= len(data), "escape item cut off")
            out += bytes([data[i + 1]]) * (data[i + 2] | data[i + 3] << 8)
            i += 4
        else:
            out.append(data[i])
            i += 1
    return bytes(out)


def read_catalog(folder):
    with open(os.path.join(folder, "_$mekuri.bin"), "rb") as f:
        blob = f.read()
    check(blob[:20] == b"mekuri catalog 0000\n", "header %r" % blob[:20])
    size, count = struct.unpack_from("<ii", blob, 20)
    check(size == RECORD, "record size %d" % size)
    pos = 28
    records = []
    for _ in range(count):
        (length,) = struct.unpack_from("<i", blob, pos)
        pos += 4
        record = rle_decode(blob[pos:pos + length])
        pos += length
        check(len(record) == RECORD, "a record expands to %d bytes" % len(record))
        records.append(record)
    check(pos == len(blob), "bytes after the last record")
    return records


def record_fields(record):
    name = record[:512].split(b"\0", 1)[0]
    size, = struct.unpack_from("<i", record, 512)
    mtime, = struct.unpack_from("<q", record, 520)
    has, w, h, ox, oy = struct.unpack_from("<hhhhh", record, 528)
    return name, size, mtime, has, (w, h, ox, oy)


def catalog_names(folder):
    """The catalog file's names, each with its has-thumbnail field."""
    return {record_fields(r)[0].decode("cp932"): record_fields(r)[3] for r in read_catalog(folder)}


def main_window_keys(app, *keys):
    """Keys for the main window, with the pointer on its corner that the catalog window leaves
    uncovered."""
    x, y, w, h = app.geometry(app.window)
    run(["xdotool", "mousemove", str(x + w - 60), str(y + h - 30)])
    for key in keys:
        run(["xdotool", "key", key])
        app.idle()


def check_cells(catalog, shot):
    grey = shot.pixel(catalog.w - 30, catalog.h - 30)  # the window's background, below the grid
    for i, name in enumerate(ORDER):
        x, y = catalog.cell(i)
        # Every cell has its thumbnail: no empty frame is left.
        check(shot.pixel(x + 11, y + 100) != (0, 0, 0) or name == "text.zip",
              "%s still shows its empty frame" % name)
    x, y = catalog.cell(ORDER.index("text.zip"))
    check(near(shot.pixel(x + 11 + 10, y + 2 + 10), (255, 255, 255), 8),
          "the archive without pictures has no white No Image placeholder")
    red = [shot.pixel(x + 11 + dx, y + 2 + dy) for dx in range(0, 128, 2) for dy in range(80, 128, 2)]
    check(any(p[0] > 180 and p[1] < 80 and p[2] < 80 for p in red), "no red words in the placeholder")
    # vol1: portrait, 85 × 128 at offset (21, 0); the margins show the window's grey.
    x, y = catalog.cell(ORDER.index("vol1.zip"))
    check(near(shot.pixel(x + 11 + 21 + 8, y + 2 + 8), (200, 50, 50), 30),
          "vol1's thumbnail: %r" % (shot.pixel(x + 11 + 21 + 8, y + 2 + 8),))
    check(shot.pixel(x + 11 + 10, y + 2 + 64) == grey, "vol1's left margin is not grey")
    check(shot.pixel(x + 11 + 21 + 85 + 5, y + 2 + 64) == grey, "vol1's right margin")
    # vol2: landscape, 128 × 85 at offset (0, 21).
    x, y = catalog.cell(ORDER.index("vol2.zip"))
    check(near(shot.pixel(x + 11 + 8, y + 2 + 21 + 8), (50, 50, 200), 30), "vol2's thumbnail")
    check(shot.pixel(x + 11 + 64, y + 2 + 10) == grey, "vol2's top margin is not grey")
    return grey


def first_run(work, folder):
    answers = [ANSWER_FOLDER, ("ERROR", 0, "")]
    app = App([folder], answers=answers)
    try:
        app.wait_trace(r"dialog \[フォルダを開く\]")
        catalog = Catalog(app, folder)
        app.wait_trace(r"^monitor shown$")
        app.wait_trace(r"^monitor destructer called\.$", timeout=60)
        app.wait_trace(r"^モニタを消したと思う….$")
        check(app.count("getthumbnail in") == 5, "thumbnails made:\n" + app.trace())
        app.idle()
        shot = catalog.shot()
        shot.save_ppm(os.path.join(work, "catalog.ppm"))
        grey = check_cells(catalog, shot)

        # A click selects: the cell's background takes the selection colour.
        x, y = catalog.cell(ORDER.index("vol1.zip"))
        catalog.click(x + 75, y + 60)
        shot = catalog.shot()
        selected = shot.pixel(x + 3, y + 100)
        check(selected != grey, "the selected cell is not highlighted")
        check(shot.pixel(x + 11 + 10, y + 2 + 64) == selected, "margins keep the highlight")

        # A double click opens the archive in the main window.
        x2, y2 = catalog.cell(ORDER.index("vol2.zip"))
        catalog.click(x2 + 75, y2 + 60, repeat=2)
        harness.wait_for(lambda: app.title().endswith("vol2.zip (1 pages)"),
                         "the main window's title is %r" % app.title())
        check(catalog.shot().pixel(x + 3, y + 100) == grey, "the old selection stays highlighted")

        # Renaming the book open in the main window is refused.
        catalog.click(x2 + 75, y2 + 150)
        catalog.type("other.zip")
        catalog.key("Return")
        app.wait_trace(r"dialog \[ERROR\] 現在開いているのでファイル名の変更はできません")
        check(os.path.exists(os.path.join(folder, "vol2.zip")), "the open book was renamed")

        # Renaming in place: select, click the name, type, Return.
        catalog.click(x + 75, y + 60)
        catalog.click(x + 75, y + 150)
        catalog.type("renamed1.zip")
        catalog.key("Return")
        app.wait_trace(r"VK_RETURN  now")
        harness.wait_for(lambda: os.path.exists(os.path.join(folder, "renamed1.zip")),
                         "the archive was not renamed on disk")
        check(not os.path.exists(os.path.join(folder, "vol1.zip")), "vol1.zip is still there")

        catalog.key("alt+q")
        app.wait_exit()
        trace = app.trace()
        check("カタログをdeleteした" in trace, "the catalog window was not deleted:\n" + trace)
    finally:
        app.kill()


def check_catalog_file(folder):
    records = read_catalog(folder)
    fields = {record_fields(r)[0]: record_fields(r) for r in records}
    expected = {n.replace("vol1.zip", "renamed1.zip").encode("cp932") for n in ORDER}
    check(set(fields) == expected, "names in the file: %r" % sorted(fields))
    check("第3巻.zip".encode("cp932") in fields, "the Japanese name is not stored as cp932")
    for name, (_, size, mtime, has, thumb) in fields.items():
        st = os.stat(os.path.join(folder, name.decode("cp932")))
        check(size == st.st_size and mtime == int(st.st_mtime), "size or time of %r" % name)
        check(has == 1, "%r has no thumbnail in the file" % name)
    check(fields[b"vol2.zip"][4] == (128, 85, 0, 21), "vol2: %r" % (fields[b"vol2.zip"][4],))
    check(fields[b"renamed1.zip"][4] == (85, 128, 21, 0), "renamed1: %r" % (fields[b"renamed1.zip"][4],))
    check(fields[b"text.zip"][4] == (128, 128, 0, 0), "the placeholder is 128 × 128")


def reopen(folder):
    app = App([folder], answers=[ANSWER_FOLDER])
    try:
        catalog = Catalog(app, folder)
        app.wait_trace(r"buildCatalog: 6 entries, 0 without thumbnail")
        app.idle()
        trace = app.trace()
        check("getthumbnail in" not in trace, "a thumbnail was made again:\n" + trace)
        check("monitor shown" not in trace and "UPDATE:" not in trace, "rebuilt:\n" + trace)
        # Closing the catalog window with its frame closes the main window too.
        run([harness.XCLOSE, catalog.id])
        app.wait_exit()
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-catalog-")
    folder = make_folder(work)
    first_run(work, folder)
    check_catalog_file(folder)
    reopen(folder)


if __name__ == "__main__":
    harness.main(test)
