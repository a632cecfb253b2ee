"""Files dropped on the main window and on the catalog window through a real XDND exchange
(tests/gui/xdnd_drop.c as the drag source, the pointer coming from outside the window): a book,
a folder opened as images and as a catalog, a catalog file named in capitals; file URIs with an
empty host, "localhost", this machine's name and percent-escaped names; a URI of another host
refused; drops refused while a modal window is up."""
import os
import re
import socket
import subprocess
import tempfile
import urllib.parse

import harness
from harness import App, check, run

XDND_DROP = os.path.join(harness.BUILD, "tests", "xdnd_drop")
ANSWERS = [("フォルダを開く", 0, "画像を開く"), ("フォルダを開く", 0, "カタログを開く"),
           ("フォルダを開く", 0, "画像を開く")]


def uri(path, host=""):
    return "file://%s%s" % (host, urllib.parse.quote(path))


def drop(x, y, *uris):
    """Drops `uris` at root coordinates (x, y); the drag source's exit code and line."""
    r = subprocess.run([XDND_DROP, str(x), str(y)] + list(uris), stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True, timeout=30)
    return r.returncode, r.stdout.strip()


def drop_accepted(x, y, *uris):
    code, line = drop(x, y, *uris)
    check(code == 0, "the drop on (%d, %d) was not accepted: %d %s" % (x, y, code, line))


def window_id(title):
    """The shown window titled `title` (xdotool's own search misses Japanese titles)."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for window in r.stdout.split():
        name = subprocess.run(["xdotool", "getwindowname", window], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True).stdout
        if name.strip() == title:
            return window
    return None


class Target:
    """A point of a window to drop on: its middle, or beside another window covering it."""

    def __init__(self, app, window):
        self.x, self.y, self.w, self.h = app.geometry(window)

    def point(self, avoid=None):
        x, y = self.x + self.w // 2, self.y + self.h // 2
        if avoid and avoid.x <= x < avoid.x + avoid.w and avoid.y <= y < avoid.y + avoid.h:
            # Below or right of the covering window, still inside this one.
            if avoid.y + avoid.h + 20 < self.y + self.h:
                y = avoid.y + avoid.h + 10
            else:
                x = avoid.x + avoid.w + 10
            check(x < self.x + self.w and y < self.y + self.h, "no free point on the window")
        return x, y


def make_files(work):
    book = harness.make_book(os.path.join(work, "vol1.zip"), ["300x400#c83232"] * 2, zip=True)
    pictures = harness.make_book(os.path.join(work, "pictures"), ["300x400#3232c8"] * 3)
    japanese = harness.make_book(os.path.join(work, "第3巻 上.zip"), ["300x400#32c832"], zip=True)
    shelf = os.path.join(work, "shelf")
    os.mkdir(shelf)
    harness.make_book(os.path.join(shelf, "a.zip"), ["200x300#808080"], zip=True)
    shelf2 = os.path.join(work, "shelf two")
    os.mkdir(shelf2)
    harness.make_book(os.path.join(shelf2, "b.zip"), ["200x300#808080"], zip=True)
    capital = os.path.join(shelf2, "_$MEKURI.BIN")
    open(capital, "wb").close()
    return book, pictures, japanese, shelf, shelf2, capital


def wait_title(app, ending):
    harness.wait_for(lambda: app.title().endswith(ending),
                     "the title is %r, not ...%r:\n%s" % (app.title(), ending, app.trace()[-2000:]))


def wait_catalog_built(app, count):
    """The catalog has been built `count` times (its modal monitor is gone)."""
    harness.wait_for(lambda: app.count("idle_cb removed.") >= count,
                     "the catalog was not built:\n" + app.trace()[-2000:], timeout=30)


def drops_on_the_main_window(app, files):
    book, pictures, japanese, shelf, _, _ = files
    main = Target(app, app.window)
    x, y = main.point()
    drop_accepted(x, y, uri(book), uri("/never/taken.zip"))
    wait_title(app, "vol1.zip (2 pages)")
    drop_accepted(x, y, uri(pictures, "localhost"))  # answered: images
    wait_title(app, "pictures (3 pages)")
    drop_accepted(x, y, "# a comment line", uri(japanese, socket.gethostname()))
    wait_title(app, "第3巻 上.zip (1 pages)")
    drop_accepted(x, y, uri(book, "elsewhere.example"))
    app.wait_trace(r"^drop refused: file://elsewhere\.example/.*vol1\.zip is on another host$")
    check(app.title().endswith("第3巻 上.zip (1 pages)"), "a remote URI opened something")
    drop_accepted(x, y, uri(shelf))  # answered: catalog
    app.wait_trace(r"^openFolder\(%s\)$" % re.escape(shelf))
    wait_catalog_built(app, 1)


def drops_on_the_catalog_window(app, files):
    book, pictures, _, shelf, shelf2, capital = files
    catalog_id = app.wait_window("^%s$" % shelf)
    catalog = Target(app, catalog_id)
    x, y = catalog.point()
    drop_accepted(x, y, uri(capital))
    app.wait_trace(r"^openFolder\(%s\)$" % re.escape(shelf2))
    app.wait_window("^%s$" % shelf2)
    wait_catalog_built(app, 2)
    drop_accepted(x, y, uri(book, "LOCALHOST"))
    wait_title(app, "vol1.zip (2 pages)")
    drop_accepted(x, y, uri(pictures))  # answered: images
    wait_title(app, "pictures (3 pages)")
    return catalog


def drops_while_a_dialog_is_up(app, files, catalog):
    book, pictures, _, _, _, _ = files
    main = Target(app, app.window)
    x, y = main.point(avoid=catalog)
    # No answer is left: the folder question comes up as a real modal window.
    drop_accepted(x, y, uri(pictures))
    harness.wait_for(lambda: window_id("フォルダを開く"), "the folder question is not shown")
    dialog = window_id("フォルダを開く")
    for point in [(x, y), catalog.point()]:
        code, line = drop(point[0], point[1], uri(book))
        check(code == 1, "a drop while the dialog is up: %d %s" % (code, line))
    check(app.count("drop refused: a modal window is shown") >= 2,
          "no refusal traced:\n" + app.trace()[-2000:])
    run([harness.XCLOSE, dialog])
    harness.wait_for(lambda: not window_id("フォルダを開く"), "the folder question stays")
    check(app.title().endswith("pictures (3 pages)"), "a refused drop opened %r" % app.title())
    # Cancelled: a later drop is handled normally.
    drop_accepted(x, y, uri(book))
    wait_title(app, "vol1.zip (2 pages)")


def test():
    check(os.path.exists(XDND_DROP), "no drag source at " + XDND_DROP)
    with tempfile.TemporaryDirectory() as work:
        files = make_files(work)
        app = App(answers=ANSWERS)
        try:
            drops_on_the_main_window(app, files)
            catalog = drops_on_the_catalog_window(app, files)
            drops_while_a_dialog_is_up(app, files, catalog)
            check(app.close() == 0, "the program did not end cleanly")
        finally:
            app.kill()


if __name__ == "__main__":
    harness.main(test)
