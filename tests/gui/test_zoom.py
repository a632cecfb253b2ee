"""Fitting and zooming: the fit icons on the menu bar, the fixed percentages and the About box
with the cache figures."""
import os
import re
import tempfile

import harness
from harness import App, check, near

X0, Y0 = 77, 22
RED, MID_GREY = (200, 50, 50), (128, 128, 128)


def icon_columns(image):
    """x of the left edge of each red fit-mode icon on the menu bar, left to right."""
    xs = []
    for x in range(250, image.width):
        if any(image.pixel(x, y) == (220, 0, 0) for y in range(2, 18)):
            if not xs or x - xs[-1] > 12:
                xs.append(x)
    return xs


def test():
    work = tempfile.mkdtemp(prefix="mekuri-zoom-")
    book = harness.make_book(os.path.join(work, "b.zip"), ["400x600#c83232", "400x600#32c832"], zip=True)
    app = App([book], answers=[("About Mekuri", 0, "")])
    try:
        app.wait_trace(r"get_image_info_ijl 400x600")
        icons = icon_columns(app.shot())
        check(len(icons) == 2, "fit icons found at %r" % icons)
        # Height of the spread: 795 / 600 would make the 800-wide spread 1060 wide, past the
        # 945-pixel view, so the bar's 16 pixels come off the height.
        app.click(icons[0] + 4, 10)
        app.wait_trace(r"calcjustscale 0 called")
        zoom = (795 - 16) / 600 * 100
        w = int(400 * zoom / 100)
        image = app.shot()
        harness.wait_for(lambda: near(app.shot().pixel(X0 + w + 1 + 5, Y0 + 100), MID_GREY),
                         "placeholder not at %d after the height fit" % (X0 + w + 1))
        check(near(app.shot().pixel(X0 + w - 5, Y0 + 100), RED), "page 1 narrower than expected")
        # The whole spread: back to the opening zoom.
        app.click(icons[1] + 4, 10)
        app.wait_trace(r"calcjustscale 1 called")
        w = int(400 * min(945 / 800, 795 / 600))
        harness.wait_for(lambda: near(app.shot().pixel(X0 + w + 1 + 5, Y0 + 100), MID_GREY),
                         "placeholder not at %d after the whole fit" % (X0 + w + 1))
        # About box: libraries, plug-ins and cache figures.
        app.key("alt+h", "a")
        m = app.wait_trace(r"dialog \[About Mekuri\] Mekuri [^\n]*\n(?:.*\n)*?.*MB cache used")
        about = m.group(0)
        for text in ["thanks to ...", "Loaded plug-ins:", "mekuri_archive.spi", "mekuri_image.spi"]:
            check(text in about, "About box lacks %r:\n%s" % (text, about))
        check(re.search(r"^   - FLTK \d+\.\d+\.\d+$", about, re.M),
              "About box names no FLTK version:\n" + about)
    finally:
        app.kill()


if __name__ == "__main__":
    harness.main(test)
