"""Reading a book: the spread's pages land where the binding puts them, with the seam, the
mid-grey placeholder of a lone page and the light-grey strip under a shorter page; the keys
turn spreads; a ZIP book opens with its title; a typed zoom. (Which spread each turn shows, at
either end and under either binding, and the typed zoom's refusals are the reading model's
rules, tested in tests/reading.)"""
import os
import tempfile

import harness
from harness import App, check, near

RED, GREEN, BLUE, YELLOW, MAGENTA = (200, 50, 50), (50, 200, 50), (50, 50, 200), (200, 200, 50), (200, 50, 200)
PAGES = ["400x600#c83232", "400x600#32c832", "400x500#3232c8", "400x600#c8c832", "300x600#c832c8"]
MID_GREY, LIGHT_GREY = (128, 128, 128), (192, 192, 192)
X0, Y0 = 77, 22  # the scroll area's interior in the window


def expect(image, x, y, colour, what):
    actual = image.pixel(x, y)
    check(near(actual, colour), "%s at (%d, %d) is %r, not %r" % (what, x, y, actual, colour))


def golden(image, name):
    """The zoom field (on the menu bar) against its stored picture."""
    crop = image.crop(268, 0, 50, 20)
    path = os.path.join(harness.HERE, "golden", name + ".ppm")
    if "--make-golden" in os.sys.argv:
        crop.save_ppm(path)
        return
    ok, fraction = harness.compare(crop, harness.load_ppm(path))
    check(ok, "%s differs from its golden picture (%.1f%%)" % (name, 100 * fraction))


def scaled(n, zoom):
    return int(n * zoom / 100.0)


def right_binding(folder):
    app = App([folder], answers=[("フォルダを開く", 0, "画像を開く")])
    try:
        app.wait_trace(r"file deflated to memory\.\(page01\.jpg\)")
        app.wait_trace(r"get_image_info_ijl 400x600")
        zoom = 100 * min(945 / 800, 795 / 600)  # two first pages fit the view
        w = scaled(400, zoom)
        image = app.shot()
        # Page 1 stands alone on the left, a mid-grey placeholder of its size on the right.
        expect(image, X0 + 100, Y0 + 100, RED, "page 1")
        expect(image, X0 + w + 1 + 100, Y0 + 100, MID_GREY, "placeholder")
        expect(image, X0 + w, Y0 + 100, LIGHT_GREY, "seam")
        app.key("space")
        image = app.shot()
        # Pages 2 and 3: the lower page on the right; page 3 is shorter.
        expect(image, X0 + 100, Y0 + 100, BLUE, "page 3 on the left")
        expect(image, X0 + w + 1 + 100, Y0 + 100, GREEN, "page 2 on the right")
        expect(image, X0 + 100, Y0 + scaled(500, zoom) + 40, LIGHT_GREY, "strip under page 3")
        expect(image, X0 + w, Y0 + 300, LIGHT_GREY, "seam")
        app.key("space")
        image = app.shot()
        expect(image, X0 + 100, Y0 + 100, MAGENTA, "page 5 on the left")
        expect(image, X0 + scaled(300, zoom) + 1 + 100, Y0 + 100, YELLOW, "page 4 on the right")
        app.key("b")
        expect(app.shot(), X0 + 100, Y0 + 100, BLUE, "back to page 3")
        app.key("Left")  # forward under right binding
        expect(app.shot(), X0 + 100, Y0 + 100, MAGENTA, "Left goes forward")
        app.key("Right")
        expect(app.shot(), X0 + 100, Y0 + 100, BLUE, "Right goes back")
        code = app.close()
        check(code == 0, "exit code %d" % code)
        trace = app.trace()
        for line in ["Mekuri destructor begin", "thread", "ended", "Mekuri destructor end"]:
            check(line in trace, "no %r in the shut-down trace" % line)
    finally:
        app.kill()


def left_binding(folder):
    app = App(["-left", folder], answers=[("フォルダを開く", 0, "画像を開く")])
    try:
        app.wait_trace(r"get_image_info_ijl 400x600")
        zoom = 100 * min(945 / 800, 795 / 600)
        w = scaled(400, zoom)
        image = app.shot()
        expect(image, X0 + 100, Y0 + 100, MID_GREY, "placeholder on the left")
        expect(image, X0 + w + 1 + 100, Y0 + 100, RED, "page 1 on the right")
        app.key("space")
        image = app.shot()
        expect(image, X0 + 100, Y0 + 100, GREEN, "page 2 on the left")
        expect(image, X0 + w + 1 + 100, Y0 + 100, BLUE, "page 3 on the right")
        expect(image, X0 + w + 1 + 100, Y0 + scaled(500, zoom) + 40, LIGHT_GREY, "strip under page 3")
        app.key("Right")  # forward under left binding
        expect(app.shot(), X0 + 100, Y0 + 100, YELLOW, "Right goes forward")
    finally:
        app.kill()


def zip_book_and_zoom(archive):
    answers = [("ズーム", 0, "50")]
    app = App([archive], answers=answers)
    try:
        app.wait_trace(r"miniunzip extractor called")
        title = app.title()
        check(title == archive + " (5 pages)", "title is %r" % title)
        app.key("alt+z", "n")  # the zoom submenu, numeric input
        app.wait_trace(r"return=50")
        image = app.shot()
        expect(image, X0 + 100, Y0 + 100, RED, "page 1 at 50 %")
        expect(image, X0 + 201 + 100, Y0 + 100, MID_GREY, "placeholder at 50 %")
        expect(image, X0 + 500, Y0 + 100, LIGHT_GREY, "beyond the spread")
        golden(image, "zoom-field-50")
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-reading-")
    folder = harness.make_book(os.path.join(work, "book"), PAGES)
    archive = harness.make_book(os.path.join(work, "book.zip"), PAGES, zip=True)
    right_binding(folder)
    left_binding(folder)
    zip_book_and_zoom(archive)


if __name__ == "__main__":
    harness.main(test)
