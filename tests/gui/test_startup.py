"""The program starts, shows its main window with the Japanese menu bar and the zoom field,
and shuts down in order when the window is closed."""
import os
import sys

import harness
from harness import App, check

GOLDEN = os.path.join(harness.HERE, "golden")


def crop_golden(image, name, x, y, w, h):
    """Compares a crop of the window with a stored picture (made with --make-golden)."""
    crop = image.crop(x, y, w, h)
    path = os.path.join(GOLDEN, name + ".ppm")
    if "--make-golden" in sys.argv:
        crop.save_ppm(path)
        return
    ok, fraction = harness.compare(crop, harness.load_ppm(path))
    if not ok:
        crop.save_ppm("/tmp/actual-" + name + ".ppm")
    check(ok, "%s differs from its golden picture (%.1f%% of pixels)" % (name, 100 * fraction))


def test():
    app = App()
    try:
        screen_w, screen_h = harness.screen_size()
        # Under Xvfb without a window manager the work area is the whole screen.
        check((app.w, app.h) == (int(0.8 * screen_w), int(0.8 * screen_h)),
              "window is %dx%d on a %dx%d screen" % (app.w, app.h, screen_w, screen_h))
        check(app.title() == "Mekuri", "title is %r" % app.title())
        image = app.shot()
        # The menu bar's Japanese titles are drawn with glyphs, not empty boxes.
        crop_golden(image, "menubar-titles", 0, 0, 240, 20)
        # The zoom field shows 100.
        crop_golden(image, "zoom-field", 200, 0, 140, 20)
        # The spread area is the light grey of an empty view inside its frame.
        check(image.pixel(300, 300) == (192, 192, 192), "view is %r" % (image.pixel(300, 300),))
        # An unknown key is not consumed and changes nothing; the program keeps running.
        app.key("x")
        check(app.proc.poll() is None, "program ended on a key press")
        code = app.close()
        check(code == 0, "exit code %d" % code)
        trace = app.trace()
        order = ["Mekuri destructor begin", "Mekuri destructor end", "Mekuri ended"]
        positions = [trace.find(line) for line in order]
        check(all(p >= 0 for p in positions) and positions == sorted(positions),
              "shut-down trace out of order:\n" + trace)
    finally:
        app.kill()


if __name__ == "__main__":
    harness.main(test)
