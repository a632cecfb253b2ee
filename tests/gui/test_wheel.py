"""The mouse wheel: over a tall spread it scrolls 40 pixels a notch up to the edge and turns the
page after a pause there; over the spread list it moves the top line by two rows a notch;
Ctrl + wheel steps the zoom with a preview until Ctrl is released; over the catalog window's
grid it moves a row of 180 pixels a notch."""
import os
import tempfile
import time

import coded_book
import harness
from harness import App, check, run

X0, Y0 = 77, 22
PROBE = (400, 400)


def xdo(*args):
    run(["xdotool"] + [str(a) for a in args])


def offset(app):
    x, y, page = coded_book.decode(app.shot().pixel(*PROBE))
    return x - (PROBE[0] - X0), y - (PROBE[1] - Y0), page


def wait_offset(app, expected, what):
    harness.wait_for(lambda: offset(app) == expected,
                     "%s: offset %r, not %r" % (what, offset(app), expected))


def notches(app, button, count=1):
    """`count` wheel notches 80 ms apart (button 4 up, 5 down), handled by the program."""
    xdo("click", "--repeat", count, "--delay", 80, button)
    app.idle()


def spread_wheel(work):
    book = coded_book.make_coded_zip(os.path.join(work, "coded.zip"), 1500, 1500, 4)
    app = App(["-2", book])
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+z", "0")
        wait_offset(app, (0, 0, 1), "at 100 %")
        xdo("mousemove", app.x + 500, app.y + 420)
        app.idle()
        notches(app, 5)  # down: the spread is at its top, so it scrolls
        wait_offset(app, (0, 40, 1), "one notch down")
        notches(app, 5, 3)
        wait_offset(app, (0, 160, 1), "three more")
        notches(app, 4)
        wait_offset(app, (0, 120, 1), "one notch up")
        # Quick notches stop at the bottom: 1500 - 799 + 4 + 16 (the horizontal bar shows).
        notches(app, 5, 20)
        wait_offset(app, (0, 721, 1), "at the bottom")
        check(app.count("forward_page_cb") == 0, "turned while scrolling:\n" + app.trace())
        time.sleep(0.7)  # the pause (over half a second) that lets the next notch turn
        notches(app, 5)  # after a pause at the bottom: the next spread, at its top
        app.wait_trace(r"forward_page_cb\n")
        wait_offset(app, (0, 0, 1), "the next spread at its top")
        time.sleep(0.7)  # the pause again
        notches(app, 4)  # at the top after a pause: back, to the bottom of the spread
        wait_offset(app, (0, 721, 1), "back to the bottom of the first spread")

        # Ctrl + wheel: one notch up from 100 % previews 150 % around the pointer.
        xdo("keydown", "ctrl")
        notches(app, 4)
        app.wait_trace(r"begin scaling i=\d+ scale=100\n")
        app.wait_trace(r" \.\.\. scaling i=\d+ scale=150\n")
        image = app.shot()
        check(image.pixel(500 - 300, 420) == (0, 0, 0), "no outline of the zoom preview")
        check(app.count("end scaling") == 0, "the zoom ended with Ctrl still held")
        xdo("keyup", "ctrl")
        app.wait_trace(r"end scaling scale 150\n")
        # Releasing Ctrl with no zoom running does nothing.
        xdo("keydown", "ctrl", "keyup", "ctrl")
        app.idle()
        check(app.count("end scaling") == 1, "a second end of scaling")
    finally:
        app.kill()


def zoom_refused_once(work):
    # Pages this small fit the view at well over 400 %, so the last step is refused.
    book = harness.make_book(os.path.join(work, "tiny.zip"), ["30x40#3264c8"] * 4, zip=True)
    app = App([book])
    try:
        app.wait_trace(r"get_image_info_ijl 30x40")
        xdo("mousemove", app.x + 500, app.y + 400, "keydown", "ctrl")
        notches(app, 4, 8)
        app.wait_trace(r"begin scaling")
        xdo("keyup", "ctrl")
        app.wait_trace(r"dialog \[Error\] デカ過ぎ")
        box = app.wait_window("^Error$")
        # A second Ctrl release while the box is up must not end the zoom a second time.
        xdo("keydown", "ctrl", "keyup", "ctrl")
        run([harness.XCLOSE, box])
        # With one box, closing it gives the window its keys back.
        app.key("n")
        app.wait_trace(r"forward_page_cb\n", timeout=5)
        check(app.count("dialog [Error] デカ過ぎ") == 1,
              "the refused zoom showed more than one box:\n" + app.trace()[-2000:])
    finally:
        app.kill()


def zoom_then_next_book(work):
    # Ctrl + wheel previews a zoom of this book; Ctrl + Page Down, Ctrl still held, opens the
    # next one, which must keep its own opening zoom when Ctrl is released at last.
    first = harness.make_book(os.path.join(work, "z1.zip"), ["640x960#ff0000"] * 4, zip=True)
    harness.make_book(os.path.join(work, "z2.zip"), ["320x480#00ff00"] * 4, zip=True)
    app = App([first])
    try:
        app.wait_trace(r"get_image_info_ijl 640x960")
        xdo("mousemove", app.x + 500, app.y + 400, "keydown", "ctrl")
        notches(app, 4)
        app.wait_trace(r"begin scaling")
        xdo("key", "Next")
        harness.wait_for(lambda: "z2.zip" in app.title(), "Ctrl + Page Down did not step")
        xdo("keyup", "ctrl")
        app.idle()
        # At its opening zoom the 480-pixel page fills the view's height; at the first book's
        # preview zoom (under 100 %) it would end well above this row.
        row = Y0 + 600
        harness.wait_for(
            lambda: any(harness.near(app.shot().pixel(x, row), (0, 255, 0))
                        for x in range(X0, X0 + 900, 8)),
            lambda: "the next book took the zoom previewed in the book before:\n" +
            app.trace()[-1500:])
    finally:
        app.kill()


def list_crop(app):
    return app.shot().crop(3, 24, 50, 700)  # the rows, without the scrollbar


def list_wheel(work):
    pages = ["60x80#%02x6464" % (i % 200 + 40) for i in range(200)]
    book = harness.make_book(os.path.join(work, "many.zip"), pages, zip=True)
    app = App(answers=[("ファイルを開く", 0, book)])
    try:
        # Ctrl + wheel with no book does nothing.
        xdo("mousemove", app.x + 500, app.y + 400, "keydown", "ctrl")
        notches(app, 4)
        xdo("keyup", "ctrl")
        app.idle()
        check(app.count("scaling") == 0, "a zoom without a book")
        app.key("alt+f", "o")
        app.wait_trace(r"get_image_info_ijl 60x80")
        xdo("mousemove", app.x + 30, app.y + 300)
        app.idle()
        top = list_crop(app)
        notches(app, 5)
        one = coded_book.shift_between(top, list_crop(app))
        check(one is not None and one > 0, "one notch moved the list by %r rows" % one)
        notches(app, 5)
        two = coded_book.shift_between(top, list_crop(app))
        check(two == 2 * one, "two notches moved it by %r rows, one by %r" % (two, one))
        notches(app, 4, 2)
        check(coded_book.shift_between(top, list_crop(app)) == 0, "two notches up did not return to the top")
        check(app.count("JUMP callback") == 0, "the wheel chose a spread")
    finally:
        app.kill()


def catalog_wheel(work):
    folder = os.path.join(work, "shelf")
    os.mkdir(folder)
    for n in range(30):
        harness.make_book(os.path.join(folder, "vol%02d.zip" % n), ["60x90#%02x3232" % (n * 8)],
                          zip=True)
    app = App([folder], answers=[("フォルダを開く", 0, "カタログを開く")])
    try:
        app.wait_trace(r"^monitor destructer called\.$", timeout=60)
        catalog = app.wait_window("^%s$" % folder.replace(".", "\\."))
        x, y, w, h = app.geometry(catalog)
        app.idle()
        grid = lambda: harness.screenshot().crop(x + 4, y + 30, w - 30, h - 60)
        top = grid()
        xdo("mousemove", x + w // 2, y + h // 2)
        app.idle()
        notches(app, 5)
        harness.wait_for(lambda: coded_book.shift_between(top, grid()) == 180,
                         "one notch did not move the catalog grid a row of 180 pixels")
        notches(app, 4)
        harness.wait_for(lambda: coded_book.shift_between(top, grid()) == 0,
                         "one notch up did not bring the grid back")
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-wheel-")
    spread_wheel(work)
    zoom_refused_once(work)
    zoom_then_next_book(work)
    list_wheel(work)
    catalog_wheel(work)


if __name__ == "__main__":
    harness.main(test)
