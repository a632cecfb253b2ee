"""What lasts between runs: a book reopens at the spread where the reader left it, with its list
line selected; the recent books' submenu opens a book, and an entry whose book has gone is
dropped with its box. (Which spread holds a remembered page, a changed book, the resume option
and the files themselves are tested on the reading model and in tests/persist.)"""
import os
import re
import tempfile

import harness
from harness import App, check, near

COLOURS = [(200, 50, 50), (50, 200, 50), (50, 50, 200), (200, 200, 50), (200, 50, 200),
           (50, 200, 200), (120, 60, 20), (20, 60, 120)]
PAGES = ["400x600#%02x%02x%02x" % c for c in COLOURS]
X0, Y0 = 77, 22  # the scroll area's interior in the window
STATE = {"MEKURI_TEST_STATE": "1"}  # the program traces its state lines


def last_state(app):
    """The fields of the last state line the program traced."""
    lines = re.findall(r"^state: (.*)$", app.trace(), re.M)
    if not lines:
        return {}
    return dict(part.split("=", 1) for part in lines[-1].split("\t") if "=" in part)


def wait_state(app, want, what):
    """Polls the state lines until every field of `want` has its value."""
    harness.wait_for(lambda: all(last_state(app).get(k) == v for k, v in want.items()),
                     lambda: "%s: the state is %r, not %r" % (what, last_state(app), want))


def expect(image, x, y, colour, what):
    actual = image.pixel(x, y)
    check(near(actual, colour), "%s at (%d, %d) is %r, not %r" % (what, x, y, actual, colour))


def reopens_where_left(archive):
    app = App([archive], env=STATE)
    try:
        wait_state(app, {"page": "0", "line": "1"}, "a new book")
        for _ in range(3):
            app.key("space")
        wait_state(app, {"page": "6", "line": "4"}, "three turns")
        check(app.close() == 0, "the program did not end cleanly")
    finally:
        app.kill()
    check(re.search(r"^position: kept page 5 of " + re.escape(archive), app.trace(), re.M),
          "the position was not kept at the close:\n" + app.trace()[-2000:])
    again = App([archive], env=STATE, home=app.home)
    try:
        # The fourth spread, pages 6 and 7, its line (the fourth) selected.
        wait_state(again, {"page": "6", "line": "4"}, "the book opened again")
        again.wait_trace(r"^position: .* reopens at page 5, spread 6$")
        zoom = 100 * min(945 / 800, 795 / 600)  # two pages fit the view
        w = int(400 * zoom / 100)
        image = again.shot()
        # Right binding: the lower page (6) on the right, page 7 on the left.
        expect(image, X0 + 100, Y0 + 100, COLOURS[6], "page 7 on the left")
        expect(image, X0 + w + 1 + 100, Y0 + 100, COLOURS[5], "page 6 on the right")
    finally:
        again.kill()
    return app.home


# alt+f, 開く, 最近開いたﾌｧｲﾙ, its first entry, then Down to the entry wanted.
def recent_keys(entry):
    return ["alt+f", "Down", "Down", "Right"] + ["Down"] * entry + ["Return"]


def recent_books(work, first, home):
    second = harness.make_book(os.path.join(work, "second.zip"), PAGES[:3], zip=True)
    app = App([second], answers=[("Error", 0, "")], env=STATE, home=home)
    try:
        app.wait_trace(r"^recent: 2 entries$")
        # The list is second, first: the second entry opens the first book.
        app.key(*recent_keys(1))
        harness.wait_for(lambda: app.title() == first + " (8 pages)",
                         lambda: "the recent entry did not open %s: %r" % (first, app.title()))
        # Opened where it was left, as 開く opens it.
        wait_state(app, {"page": "6", "line": "4"}, "the book opened from the recent list")
        # The list is first, second now; the second book goes before it is chosen, leaving a
        # link to nothing in its place (still a name on disk, but no book).
        os.remove(second)
        os.symlink(os.path.join(work, "nowhere.zip"), second)
        app.key(*recent_keys(1))
        app.wait_trace(r"^dialog \[Error\] ファイル\(%s\)を開けません" % re.escape(second))
        app.wait_trace(r"^recent: 1 entries$")
        check(app.title() == first + " (8 pages)", "the open book changed: %r" % app.title())
    finally:
        app.kill()
    with open(os.path.join(home, "state", "mekuri", "recent"), encoding="utf-8") as f:
        kept = f.read()
    check(first in kept and second not in kept, "the recent file holds %r" % kept)


def test():
    work = tempfile.mkdtemp(prefix="mekuri-resume-")
    archive = harness.make_book(os.path.join(work, "first.zip"), PAGES, zip=True)
    home = reopens_where_left(archive)
    recent_books(work, archive, home)


if __name__ == "__main__":
    harness.main(test)
