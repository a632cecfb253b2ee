"""Mouse input on the spread: dragging moves it with the pointer and a quick release lets it
coast; a click on either half turns the spread (and does nothing on the last one); holding the
right button below 100 % shows the loupe with the full-size page around the pointer, and a
short right click leaves it open until a click in it."""
import os
import subprocess
import tempfile
import time

import coded_book
import harness
from harness import App, check, near, run

X0, Y0 = 77, 22  # the scroll area's interior in the window
RED, GREEN, LIGHT_GREY = (200, 50, 50), (50, 200, 50), (192, 192, 192)
PROBE = (400, 400)  # a window point inside the left page


def xdo(*args):
    run(["xdotool"] + [str(a) for a in args])


def offset(app):
    """The scroll offset read from the coded pixel under PROBE (the left page, page bit 1)."""
    x, y, page = coded_book.decode(app.shot().pixel(*PROBE))
    check(page == 1, "the probe is not on the left page: %r" % ((x, y, page),))
    return x - (PROBE[0] - X0), y - (PROBE[1] - Y0)


def wait_offset(app, expected, what):
    harness.wait_for(lambda: offset(app) == expected,
                     "%s: offset %r, not %r" % (what, offset(app), expected))


def dragging(work):
    book = coded_book.make_coded_zip(os.path.join(work, "coded.zip"), 1500, 1500, 4)
    app = App(["-2", book])
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+z", "0")  # 100 %: the spread's pixels are the pages' own
        wait_offset(app, (0, 0), "at 100 %")
        # A slow drag up and left: the content follows the pointer exactly, and the pause
        # before the release starts no inertia.
        sx, sy = app.x + 600, app.y + 500
        xdo("mousemove", sx, sy, "mousedown", 1)
        for i in range(1, 11):
            xdo("mousemove", sx - 20 * i, sy - 15 * i)
            time.sleep(0.03)  # the pointer's speed is part of the input
        time.sleep(0.2)  # so is the hold before the release
        xdo("mouseup", 1)
        app.idle()
        wait_offset(app, (200, 150), "after a slow drag")
        check(app.count("inertComplete\n") == 0, "inertia after a paused release")
        # A flick to the left: the spread keeps moving after the button is up.
        args = ["mousemove", sx, sy, "mousedown", 1, "sleep", 0.05]
        for i in range(1, 7):
            args += ["mousemove", sx - 15 * i, sy, "sleep", 0.008]
        xdo(*(args + ["mouseup", 1]))
        released = offset(app)
        app.wait_trace(r"inertComplete\n")
        settled = offset(app)
        check(settled[0] > released[0] + 20,
              "no coasting: %r right after the release, %r at rest" % (released, settled))
        check(settled[1] == 150, "a horizontal flick moved the spread vertically: %r" % (settled,))
        # A press during the coast stops it at once.
        xdo("mousemove", sx, sy, "mousedown", 1, "sleep", 0.05)
        for i in range(1, 7):
            xdo("mousemove", sx + 15 * i, sy, "sleep", 0.008)
        xdo("mouseup", 1, "sleep", 0.1, "click", 1)
        app.idle()
        stopped = offset(app)
        harness.stays(lambda: offset(app) == stopped, "the coast went on after a press", 0.5)
    finally:
        app.kill()


def clicking(work):
    pages = ["400x600#c83232", "400x600#32c832", "400x600#3232c8", "400x600#c8c832",
             "400x600#c832c8"]
    book = harness.make_book(os.path.join(work, "five.zip"), pages, zip=True)
    app = App([book])
    try:
        app.wait_trace(r"get_image_info_ijl 400x600")
        left, right = (X0 + 150, Y0 + 300), (X0 + 700, Y0 + 300)
        # Right binding: the left half goes forward, the right half back.
        app.click(*left)
        app.wait_trace(r"forward_page_cb\n")
        harness.wait_for(lambda: near(app.shot().pixel(X0 + 100, Y0 + 100), (50, 50, 200)),
                         "page 3 not on the left after a click on the left half")
        app.click(*right)
        harness.wait_for(lambda: near(app.shot().pixel(X0 + 100, Y0 + 100), RED),
                         "page 1 not back after a click on the right half")
        app.click(*left)
        harness.wait_for(lambda: app.count("forward_page_cb\n") == 2, "a second turn expected")
        app.click(*left)  # the second click of a double click turns too
        harness.wait_for(lambda: app.count("forward_page_cb\n") == 3, "a third turn expected")
        harness.wait_for(lambda: near(app.shot().pixel(X0 + 100, Y0 + 100), (200, 50, 200)),
                         "page 5 not shown")
        # The last spread: a forward click draws nothing (its lines would be drawn at once) and
        # turns nothing.
        before = app.shot()
        app.click(*left)
        check(app.count("forward_page_cb") == 3, "turned past the last spread")
        after = app.shot()
        check(harness.compare(after, before, tolerance=0, max_fraction=0)[0],
              "a click on the last spread changed the picture")
    finally:
        app.kill()


def loupe_geometry(app):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^LOUPE$"],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    ids = r.stdout.split()
    return app.geometry(ids[0]) if ids else None


def the_loupe(work):
    pages = ["800x1000#c83232", "800x1000#32c832", "800x1000#3232c8"]
    book = harness.make_book(os.path.join(work, "loupe.zip"), pages, zip=True)
    app = App(["-2", book])
    try:
        app.wait_trace(r"get_image_info_ijl 800x1000")
        app.key("alt+z", "5")  # 50 %: the spread is 800 x 500 at the interior's corner
        harness.wait_for(lambda: near(app.shot().pixel(X0 + 790, Y0 + 100), RED),
                         "the spread is not at 50 %")
        # Spread point (300, 400) is full-size point (600, 800) of the left page.
        px, py = app.x + X0 + 300, app.y + Y0 + 400
        xdo("mousemove", px, py, "mousedown", 3)
        pressed = time.monotonic()
        harness.wait_for(lambda: loupe_geometry(app) is not None, "no loupe while held")
        app.idle()
        lx, ly, lw, lh = loupe_geometry(app)
        check((lw, lh) == (600, 600), "loupe is %dx%d" % (lw, lh))
        check((lx, ly) == (px - 300, py - 300), "loupe at %r, pointer at %r" % ((lx, ly), (px, py)))
        shot = harness.screenshot()
        # At full size the seam lies 200 pixels right of the centre and the page ends 200 below
        # it; at 50 % they would be at half those distances.
        expect = [((450, 300), GREEN, "left page"), ((550, 300), RED, "right page"),
                  ((500, 300), LIGHT_GREY, "seam"), ((450, 480), GREEN, "left page, low"),
                  ((450, 520), LIGHT_GREY, "below the pages"), ((0, 300), (0, 0, 0), "outline")]
        for (x, y), colour, what in expect:
            actual = shot.pixel(lx + x, ly + y)
            check(near(actual, colour), "loupe %s at (%d, %d) is %r" % (what, x, y, actual))
        # A long hold is a duration, not a condition: a release within 200 ms of the press is
        # the click that makes the loupe stay, and the checks above may take less than that.
        time.sleep(max(0.0, pressed + 0.5 - time.monotonic()))
        xdo("mouseup", 3)
        harness.wait_for(lambda: loupe_geometry(app) is None, "the loupe stayed after a long hold")
        # A short right click leaves it open; a left drag moves it, a tiny one does not.
        xdo("mousemove", px, py, "click", 3)
        app.idle()
        check(loupe_geometry(app) is not None, "a short right click closed the loupe")
        xdo("mousedown", 1, "mousemove", px + 1, py + 1)
        app.idle()
        check(loupe_geometry(app)[:2] == (px - 300, py - 300), "a 2-pixel drag moved the loupe")
        for i in range(1, 6):
            xdo("mousemove", px + 1 + 10 * i, py + 1)
            app.idle()
        xdo("mouseup", 1)
        app.idle()
        moved = loupe_geometry(app)
        check(moved is not None and moved[0] > px - 300 + 20, "the drag did not move it: %r" % (moved,))
        # A click in it closes it.
        xdo("click", 1)
        harness.wait_for(lambda: loupe_geometry(app) is None, "a click left the loupe open")
        # A click on the spread beside a sticky loupe only closes the loupe: no turn.
        xdo("mousemove", px, py, "click", 3)
        app.idle()
        check(loupe_geometry(app) is not None, "the sticky loupe did not open again")
        app.click(300, 60)  # the left half (forward), above the loupe
        harness.wait_for(lambda: loupe_geometry(app) is None, "a click beside it left it open")
        # A turn would follow its click within 0.05 s.
        harness.stays(lambda: app.count("forward_page_cb") == 0,
                      "the click that closed the loupe turned the page", 0.3)
        app.click(300, 60)
        app.wait_trace(r"forward_page_cb\n")  # the next click turns again
        # At 100 % the right button shows nothing.
        app.key("alt+z", "0")
        xdo("mousemove", px, py, "mousedown", 3)
        app.idle()
        check(loupe_geometry(app) is None, "a loupe at 100 %")
        xdo("mouseup", 3)
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-spread-input-")
    dragging(work)
    clicking(work)
    the_loupe(work)


if __name__ == "__main__":
    harness.main(test)
