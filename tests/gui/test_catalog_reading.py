"""Reading a plug-in book while its folder's catalog makes thumbnails through the same plug-in.

The catalog's extraction holds the archive plug-in's lock while its progress callback runs the
event loop. The program must stay alive and answer: page turns during the catalog's building
(refused by its modal monitor), then page turns and the opening of another book during a long
ｻﾑﾈｲﾙ再作成, while the worker wants the plug-in for the next spread. Pages drawn then are the
pages, not the placeholder of an unreadable one, and the program ends cleanly.
"""
import os
import random
import shutil
import subprocess
import tempfile
import threading
import time

import harness
from harness import App, Failure, check, near, run

FOLDER_ANSWER = "フォルダを選んでください"
BOOK_COLOURS = [(40 + 15 * i, 200 - 10 * i, 90) for i in range(1, 13)]
OTHER_COLOUR = (60, 90, 200)
X0, Y0 = 77, 22  # the spread view's interior in the main window
# The catalog lists these in name order, five to a row.
ORDER = ["book.lzh", "other.lzh", "vol1.lzh", "vol2.lzh", "zz_big.rar"]
# Random bytes after a page's JPEG data make its entry slow to extract (the decoder stops at the
# picture's end): about 1.5 MB/s through PPMd, some 10 s here.
BIG_TAIL = 20_000_000


def hexcolour(rgb):
    return "#%02x%02x%02x" % rgb


def make_pages(folder, pictures, tail=0):
    harness.make_book(folder, pictures)
    if tail:
        # Always the same bytes: libarchive 3.6 reports some PPMd streams as truncated.
        with open(os.path.join(folder, "page01.jpg"), "ab") as page:
            page.write(random.Random(tail).randbytes(tail))
    return sorted(os.listdir(folder))


def make_shelf(work):
    shelf = os.path.join(work, "shelf")
    os.mkdir(shelf)

    def archive(name, pictures, tail=0, seven_zip=False):
        source = os.path.join(work, name + ".pages")
        names = make_pages(source, pictures, tail)
        target = os.path.join(shelf, name)
        if seven_zip:
            # The catalog lists ZIP, LZH and RAR names; the plug-in reads an archive by its
            # content, so a 7z archive compressed with PPMd stands in for a slow RAR book.
            cmd = ["7z", "a", "-t7z", "-m0=PPMd", target] + names
        else:
            cmd = ["jlha", "a", target] + names
        subprocess.run(cmd, cwd=source, check=True, stdout=subprocess.DEVNULL)

    archive("book.lzh", ["500x700" + hexcolour(c) for c in BOOK_COLOURS])
    archive("other.lzh", ["500x700" + hexcolour(OTHER_COLOUR)] * 4)
    archive("vol1.lzh", ["600x800#3232c8", "600x800#32c832"], tail=1_000_000)
    archive("vol2.lzh", ["600x800#c83232", "600x800#32c832"], tail=1_000_000)
    archive("zz_big.rar", ["900x1200#c8c832", "900x1200#32c8c8"], tail=BIG_TAIL, seven_zip=True)
    return shelf


class Watchdog:
    """Kills the program when a step lasts far longer than it may, and says which step hung."""

    def __init__(self, app, seconds):
        self.app, self.step, self.fired = app, "start", None
        self.timer = threading.Timer(seconds, self.fire)
        self.timer.daemon = True
        self.timer.start()

    def at(self, step):
        check(self.fired is None, "watchdog fired")
        self.step = step

    def fire(self):
        self.fired = self.step
        self.app.kill()

    def stop(self):
        self.timer.cancel()
        if self.fired:
            raise Failure("WATCHDOG: the program hung at %r:\n%s"
                          % (self.fired, self.app.trace()[-3000:]))


class Session:
    def __init__(self, app, shelf):
        self.app = app
        self.catalog = app.wait_window("^%s$" % shelf.replace(".", "\\."))
        # Out of the main window's spread view, so that both can be seen and clicked.
        run(["xdotool", "windowmove", self.catalog, "560", "330"])
        harness.wait_for(lambda: app.geometry(self.catalog)[:2] == (560, 330),
                         "the catalog window did not move")
        self.cx, self.cy, self.cw, self.ch = app.geometry(self.catalog)

    def click_view(self):
        """A click on the spread view's left half: a page turn under right binding (keys would
        go to the catalog window, which keeps the keyboard focus). Below the building monitor,
        wherever it was placed, and off its cancel button."""
        run(["xdotool", "mousemove", str(self.app.x + X0 + 150), str(self.app.y + Y0 + 400),
             "click", "1"])

    def cell_click(self, name, button=1, repeat=1):
        index = ORDER.index(name)
        x = self.cx + 2 + index * 150 + 75
        y = self.cy + 22 + 60
        # The windows overlap there: the catalog is raised first (there is no window manager).
        run(["xdotool", "windowraise", self.catalog, "mousemove", str(x), str(y), "click",
             "--repeat", str(repeat), "--delay", "80", str(button)])

    def turns(self):
        return self.app.count("forward_page_cb\n")

    def turn_page(self, what):
        """Turns a page and waits until the program has drawn the new spread with its pages:
        it answers, and nothing shown is the placeholder of an unreadable page."""
        time.sleep(0.6)  # never a double click
        before = self.turns()
        self.click_view()
        harness.wait_for(lambda: self.turns() > before, "no answer to a page turn %s" % what,
                         timeout=20)
        # Under right binding spread n holds pages 2n - 1 (right) and 2n (left).
        spread = self.turns()
        wanted = (BOOK_COLOURS[2 * spread], BOOK_COLOURS[2 * spread - 1])
        harness.wait_for(lambda: all(map(near, spread_colours(self.app), wanted)),
                         "the spread was not drawn after a page turn %s: %r, not %r"
                         % (what, spread_colours(self.app), wanted), timeout=20)


def worker_waits_after(app, mark):
    """Whether the worker has taken page bytes after `mark` (the trace length) and not made
    them: with the catalog holding the plug-in, it is waiting for the plug-in's lock."""
    text = app.trace()[mark:]
    start = text.rfind("worker: create 0 p.")
    return start >= 0 and "worker: created 0 p." not in text[start:] \
        and "worker: gave up 0 p." not in text[start:]


def visible_windows():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return set(found.stdout.split())


def spread_colours(app):
    shot = app.shot()
    # Both pages are 472 pixels wide at the opening zoom.
    return shot.pixel(X0 + 30, Y0 + 30), shot.pixel(X0 + 512, Y0 + 30)


def test():
    work = tempfile.mkdtemp(prefix="mekuri-catalog-reading-")
    shelf = make_shelf(work)
    app = App([os.path.join(shelf, "book.lzh")], answers=[(FOLDER_ANSWER, 0, shelf)])
    dog = Watchdog(app, 240)
    try:
        app.wait_trace(r"file deflated to memory\.\(page01\.jpg\)")
        # The catalog of the book's folder; pages are turned while it builds (its modal monitor
        # refuses the clicks, but every event is handled inside the plug-in's callback).
        dog.at("opening the catalog")
        app.key("alt+a")
        session = Session(app, shelf)
        app.wait_trace(r"^monitor shown$")
        dog.at("turning pages while the catalog builds")
        while "モニタを消したと思う" not in app.trace():
            session.click_view()
            time.sleep(0.6)
            check(app.proc.poll() is None, "the program ended while building:\n" + app.trace())
        check(app.count("getthumbnail in") == len(ORDER), "thumbnails made:\n" + app.trace())

        dog.at("turning a page after the building")
        session.turn_page("after the building")

        # ｻﾑﾈｲﾙ再作成 of the large entry: its extraction holds the plug-in for seconds.
        dog.at("remaking the large thumbnail")
        made = app.count("extract success")
        listed = app.count("page01.jpgを開くSPI無し")
        session.cell_click("zz_big.rar")
        windows = visible_windows()
        session.cell_click("zz_big.rar", button=3)
        harness.wait_for(lambda: visible_windows() - windows, "the popup menu did not open")
        run(["xdotool", "key", "t"])
        harness.wait_for(lambda: app.count("page01.jpgを開くSPI無し") > listed,
                         "the remake did not start:\n" + app.trace()[-2000:])
        mark = len(app.trace())
        # A page turn: its spread is read through the plug-in from inside the callback, and the
        # prefetch of the next spread leaves the worker waiting for the plug-in's lock.
        dog.at("a page turn during the remake")
        session.turn_page("during the remake")
        harness.wait_for(lambda: worker_waits_after(app, mark),
                         "the worker never waited for the plug-in:\n" + app.trace()[mark:])
        # The next turn needs the very pages the worker waits to read.
        dog.at("turning to the spread the worker waits for")
        session.turn_page("to the spread the worker waits for")
        check(app.count("extract success") == made, "the remake ended too soon to test anything")
        mark = len(app.trace())
        session.turn_page("once more")
        harness.wait_for(lambda: worker_waits_after(app, mark),
                         "the worker did not wait for the plug-in again:\n" + app.trace()[mark:])
        # Another book opened from the catalog while the worker waits: the book is closed
        # (clearAll) from inside the callback.
        dog.at("opening another book during the remake")
        session.cell_click("other.lzh", repeat=2)
        harness.wait_for(lambda: app.title().endswith("other.lzh (4 pages)"),
                         "the other book did not open: %r\n%s" % (app.title(), app.trace()[-2000:]),
                         timeout=30)
        check(app.count("extract success") == made, "the remake ended before the book opened")
        dog.at("finishing the remake")
        harness.wait_for(lambda: app.count("extract success") == made + 1,
                         "the remake did not finish", timeout=60)
        check(app.count("wating...") < 40, "closing the book waited long")
        check(app.count("worker: gave up") >= 1, "the worker never stepped aside:\n" + app.trace())
        harness.wait_for(lambda: near(spread_colours(app)[0], OTHER_COLOUR),
                         "the other book's page is not shown: %r" % (spread_colours(app),))

        dog.at("quitting")
        app.key("alt+q")
        app.wait_exit()
        check(app.proc.returncode == 0, "exit status %d" % app.proc.returncode)
        check("Mekuri destructor end" in app.trace(), "no clean shut-down:\n" + app.trace()[-2000:])
    finally:
        app.kill()
        shutil.rmtree(work, ignore_errors=True)
        dog.stop()


if __name__ == "__main__":
    harness.main(test)
