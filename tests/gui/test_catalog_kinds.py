"""The catalog lists every archive kind the program opens, not only ZIP, LZH and RAR: a .cbz,
a .7z made with 7z and an upper-case .CBZ each get their thumbnail, and the catalog file
records them. 数字順に並べる, chosen in the main window, sorts the catalog shown by name again."""
import os
import shutil
import subprocess
import tempfile

import harness
from harness import App, check, near
from test_catalog import Catalog, catalog_names, main_window_keys

KINDS = {"comic.cbz": (200, 50, 50), "volume.7z": (50, 50, 200), "LOUD.CBZ": (50, 200, 50),
         "v10.cbz": (200, 50, 200), "v9.cbz": (200, 200, 50)}


def make_folder(work):
    folder = os.path.join(work, "shelf")
    os.mkdir(folder)
    harness.make_book(os.path.join(folder, "comic.cbz"), ["250x375#c83232"], zip=True)
    harness.make_book(os.path.join(folder, "LOUD.CBZ"), ["250x375#32c832"], zip=True)
    harness.make_book(os.path.join(folder, "v10.cbz"), ["250x375#c832c8"], zip=True)
    harness.make_book(os.path.join(folder, "v9.cbz"), ["250x375#c8c832"], zip=True)
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


def cell_of(catalog, name):
    colours = thumbnail_colours(catalog, catalog.shot(), len(KINDS))
    found = [i for i, c in enumerate(colours) if near(c, KINDS[name], 30)]
    check(len(found) == 1, "%s has no thumbnail of its page: %r" % (name, colours))
    return found[0]


def natural_order(app):
    """数字順に並べる (the last item of 機能)."""
    main_window_keys(app, "alt+o", *["Down"] * 12, "Return")


def test():
    if not shutil.which("7z"):
        print("no 7z to make an archive with (scripts/setup-debian.sh installs p7zip-full)")
        return
    work = tempfile.mkdtemp(prefix="mekuri-catalog-kinds-")
    folder = make_folder(work)
    app = App([folder], answers=[("フォルダを開く", 0, "カタログを開く")])
    try:
        catalog = Catalog(app, folder)
        app.wait_trace(r"^buildCatalog: 5 entries")
        app.wait_trace(r"^monitor destructer called\.$", timeout=60)
        check(app.count("getthumbnail in") == 5, "thumbnails made:\n" + app.trace()[-3000:])
        app.idle()
        for name in KINDS:
            cell_of(catalog, name)
        check(cell_of(catalog, "v10.cbz") < cell_of(catalog, "v9.cbz"), "v9 before v10")
        natural_order(app)
        app.wait_trace(r"^数字順 1$")
        app.idle(catalog.id)
        check(cell_of(catalog, "v9.cbz") < cell_of(catalog, "v10.cbz"),
              "the catalog was not sorted again in the natural order")
        catalog.key("alt+q")
        app.wait_exit()
    finally:
        app.kill()
    names = catalog_names(folder)
    check(names == {name: 1 for name in KINDS}, "the catalog file records %r" % names)


if __name__ == "__main__":
    harness.main(test)
