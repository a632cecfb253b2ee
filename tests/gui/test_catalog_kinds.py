"""The catalog lists every archive kind the program opens, not only ZIP, LZH and RAR: a .cbz,
a .7z made with 7z and an upper-case .CBZ each get their thumbnail, and the catalog file
records them."""
import os
import shutil
import subprocess
import tempfile

import harness
from harness import App, check, near
from test_catalog import Catalog, read_catalog, record_fields

KINDS = {"comic.cbz": (200, 50, 50), "volume.7z": (50, 50, 200), "LOUD.CBZ": (50, 200, 50)}


def make_folder(work):
    folder = os.path.join(work, "shelf")
    os.mkdir(folder)
    harness.make_book(os.path.join(folder, "comic.cbz"), ["250x375#c83232"], zip=True)
    harness.make_book(os.path.join(folder, "LOUD.CBZ"), ["250x375#32c832"], zip=True)
    pages = harness.make_book(os.path.join(work, "pages"), ["250x375#3232c8"] * 2)
    subprocess.run(["7z", "a", "-bd", "-bso0", os.path.join(folder, "volume.7z")]
                   + [os.path.join(pages, n) for n in sorted(os.listdir(pages))],
                   check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("no book")
    return folder


def thumbnail_colours(catalog, shot, count):
    """The colour in the middle of each cell's thumbnail, in the cells' order."""
    return [shot.pixel(x + 11 + 64, y + 2 + 64) for x, y in map(catalog.cell, range(count))]


def test():
    if not shutil.which("7z"):
        print("no 7z to make an archive with (scripts/setup-debian.sh installs p7zip-full)")
        return
    work = tempfile.mkdtemp(prefix="mekuri-catalog-kinds-")
    folder = make_folder(work)
    app = App([folder], answers=[("フォルダを開く", 0, "カタログを開く")])
    try:
        catalog = Catalog(app, folder)
        app.wait_trace(r"^buildCatalog: 3 entries")
        app.wait_trace(r"^monitor destructer called\.$", timeout=60)
        check(app.count("getthumbnail in") == 3, "thumbnails made:\n" + app.trace()[-3000:])
        app.idle()
        colours = thumbnail_colours(catalog, catalog.shot(), 3)
        for name, colour in KINDS.items():
            check(sum(near(c, colour, 30) for c in colours) == 1,
                  "%s has no thumbnail of its page: %r" % (name, colours))
        catalog.key("alt+q")
        app.wait_exit()
    finally:
        app.kill()
    names = {record_fields(r)[0].decode("cp932"): record_fields(r)[3]
             for r in read_catalog(folder)}
    check(names == {name: 1 for name in KINDS}, "the catalog file records %r" % names)


if __name__ == "__main__":
    harness.main(test)
