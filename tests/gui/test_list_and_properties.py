"""The spread list and the file property window: resting on a row for a second shows the tip
with the row's page names (none without a book), a move takes it away; dragging the list
scrolls it without choosing a spread, a quick release lets it coast, a click chooses the row on
release; the property window lists every member of the book, drags, and closes with OK."""
import os
import subprocess
import tempfile
import time
import zipfile

import coded_book
import harness
from harness import App, check, run

TIP_BACK = (255, 255, 196)


def xdo(*args):
    run(["xdotool"] + [str(a) for a in args])


def window_geometry(app, name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    ids = r.stdout.split()
    return app.geometry(ids[0]) if ids else None


def property_window(app):
    """The geometry of the shown 520 x 400 window (xdotool cannot match its Japanese title)."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for window in r.stdout.split():
        geometry = app.geometry(window)
        if geometry[2:] == (520, 400):
            return geometry
    return None


def list_crop(app):
    return app.shot().crop(3, 24, 50, 700)


def slow_drag(app, x, y, points, step=0.03):
    """A left-button drag from (x, y) through `points` (screen), `step` seconds a move, with a
    pause before the release so that no inertia starts; returns once the release is handled."""
    xdo("mousemove", x, y, "mousedown", 1)
    for px, py in points:
        xdo("mousemove", px, py)
        time.sleep(step)  # the pointer's speed is part of the input
    time.sleep(0.2)  # the hold before the release, too
    xdo("mouseup", 1)
    app.idle()


def the_tip(app, book):
    # No book: resting on the list shows nothing.
    xdo("mousemove", app.x + 30, app.y + 40)
    harness.stays(lambda: window_geometry(app, "^popup$") is None, "a tip without a book", 1.5)
    app.key("alt+f", "o")
    app.wait_trace(r"get_image_info_ijl 60x80")
    px, py = app.x + 30, app.y + 60
    xdo("mousemove", px, py)
    moved = time.time()
    harness.wait_for(lambda: window_geometry(app, "^popup$") is not None, "no tip after a second")
    check(time.time() - moved >= 0.95, "the tip came %.2f s after the move" % (time.time() - moved))
    x, y, w, h = window_geometry(app, "^popup$")
    check((x, y, h) == (px, py - 29, 28), "tip at %r for the pointer at %r" % ((x, y, h), (px, py)))
    shot = harness.screenshot()
    check(shot.pixel(x + w // 2, y + 2) == TIP_BACK, "tip background %r" % (shot.pixel(x + w // 2, y + 2),))
    check(shot.pixel(x, y + 5) == (0, 0, 0) and shot.pixel(x + w - 1, y + 5) == (0, 0, 0),
          "no black outline")
    check(shot.pixel(x, y + 27) == (255, 0, 0) and shot.pixel(x + 1, y + 26) == (255, 0, 0),
          "no red mark at the bottom-left corner")
    for baseline in (12, 24):
        dark = [shot.pixel(x + i, y + baseline - 3) for i in range(4, w - 4)]
        check(any(max(p) < 100 for p in dark), "no text on the line with baseline %d" % baseline)
    # One pixel further: the tip goes and comes back a second later.
    xdo("mousemove", px, py + 1)
    harness.wait_for(lambda: window_geometry(app, "^popup$") is None, "the tip stayed after a move")
    harness.wait_for(lambda: window_geometry(app, "^popup$") is not None, "no tip after the move")
    # Leaving the list takes it away.
    xdo("mousemove", app.x + 500, app.y + 400)
    harness.wait_for(lambda: window_geometry(app, "^popup$") is None, "the tip stayed outside")


def dragging_the_list(app):
    app.idle()  # the list repaints where the tip was
    top = list_crop(app)
    # One wheel notch is two rows: the row height.
    xdo("mousemove", app.x + 30, app.y + 300, "click", 5)
    app.idle()
    settled = lambda: coded_book.shift_between(top, list_crop(app))
    harness.wait_for(lambda: settled() is not None, "a wheel notch did not scroll the list", 3)
    shift = settled()
    row = shift // 2
    xdo("click", 4)
    app.idle()
    check(row > 8, "rows of %r pixels" % row)
    # A slow drag up by 100 pixels scrolls by 100 pixels and chooses nothing.
    sx, sy = app.x + 30, app.y + 500
    slow_drag(app, sx, sy, [(sx, sy - 10 * i) for i in range(1, 11)])
    check(coded_book.shift_between(top, list_crop(app)) == 100, "the drag did not scroll 100 rows")
    check(app.count("JUMP callback") == 0, "a drag chose a spread")
    # A flick up coasts on after the release.
    args = ["mousemove", sx, sy, "mousedown", 1, "sleep", 0.05]
    for i in range(1, 7):
        args += ["mousemove", sx, sy - 12 * i, "sleep", 0.008]
    xdo(*(args + ["mouseup", 1]))
    released = coded_book.shift_between(top, list_crop(app), 700)
    check(released is not None, "the list is not where the flick left it")
    harness.wait_for(lambda: (coded_book.shift_between(top, list_crop(app), 700) or 0) > released + 10,
                     lambda: "no coasting: %r, then %r"
                     % (released, coded_book.shift_between(top, list_crop(app), 700)), timeout=3)
    # Back to the top, then a click on the third row chooses it on release.
    slow_drag(app, sx, sy, [(sx, sy + 30 * i) for i in range(1, 31)], step=0)
    check(coded_book.shift_between(top, list_crop(app)) == 0, "not back at the top")
    xdo("mousemove", sx, app.y + 24 + row * 2 + row // 2, "mousedown", 1)
    app.idle()
    check(app.count("JUMP callback") == 0, "the row was chosen on the press")
    xdo("mouseup", 1)
    app.wait_trace(r"JUMP callback \(3\)\n")


def spread_list(work):
    pages = ["60x80#%02x6464" % (i % 200 + 40) for i in range(200)]
    book = harness.make_book(os.path.join(work, "many.zip"), pages, zip=True)
    app = App(answers=[("ファイルを開く", 0, book)])
    try:
        the_tip(app, book)
        dragging_the_list(app)
    finally:
        app.kill()


def text_lines(image):
    """Runs of pixel rows with dark text pixels, top to bottom."""
    lines, inside = 0, False
    for y in range(image.height):
        dark = any(max(image.pixel(x, y)) < 100 for x in range(4, image.width - 20))
        if dark and not inside:
            lines += 1
        inside = dark
    return lines


def properties(work):
    book = harness.make_book(os.path.join(work, "props.zip"), ["300x400#c83232", "300x400#32c832"],
                             zip=True)
    with zipfile.ZipFile(book, "a") as z:
        z.writestr("readme.txt", "not a page")  # listed too, though no decoder opens it
    app = App([book])
    try:
        app.wait_trace(r"get_image_info_ijl 300x400")
        app.key("alt+f", "p")
        harness.wait_for(lambda: property_window(app) is not None,
                         "no property window")
        x, y, w, h = property_window(app)
        check((w, h) == (520, 400), "property window is %dx%d" % (w, h))
        check((x, y) == (app.x + (app.w - 520) // 2, app.y + 80), "property window at %r" % ((x, y),))
        app.idle()
        listing = harness.screenshot().crop(x + 3, y + 3, 514, 364)  # inside the frame
        # Path, time, header, dashes, three members, dashes, total.
        check(text_lines(listing) == 9, "%d lines in the listing" % text_lines(listing))
        app.click(x - app.x + 255, y - app.y + 385)  # OK
        harness.wait_for(lambda: property_window(app) is None, "OK left it open")
    finally:
        app.kill()
    # A long listing drags like the lists.
    with zipfile.ZipFile(book, "a") as z:
        for n in range(40):
            z.writestr("notes/entry%02d.txt" % n, "x" * n)
    app = App([book])
    try:
        app.wait_trace(r"get_image_info_ijl 300x400")
        app.key("alt+f", "p")
        harness.wait_for(lambda: property_window(app) is not None,
                         "no property window for the long listing")
        x, y, w, h = property_window(app)
        app.idle()
        crop = lambda: harness.screenshot().crop(x + 2, y + 2, 480, 360)
        before = crop()
        sx, sy = x + 200, y + 300
        slow_drag(app, sx, sy, [(sx, sy - 10 * i) for i in range(1, 7)])
        check(coded_book.shift_between(before, crop()) == 60, "the listing did not scroll 60 rows")
        app.click(x - app.x + 255, y - app.y + 385)
        harness.wait_for(lambda: property_window(app) is None, "OK left it open")
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-list-")
    spread_list(work)
    properties(work)


if __name__ == "__main__":
    harness.main(test)
