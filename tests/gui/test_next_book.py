"""The next and previous book of a folder (Ctrl + Page Down / Page Up and the File menu's
次のﾌｧｲﾙ / 前のﾌｧｲﾙ), Home and End, and 数字順に並べる: a book that fails to open is shown
failing and the next press goes past it, nothing opens at either end, a pending rename is made
first and the step starts from the new name, and the natural order lists the open book again
at the page it showed. (Which book comes next in every mix of names and the spread Home and
End show are the reading model's rules, tested in tests/reading.)"""
import os
import tempfile
import zipfile

import harness
from harness import App, check, near

RED, GREEN, BLUE, YELLOW, MAGENTA = "c83232", "32c832", "3232c8", "c8c832", "c832c8"
X0, Y0 = 77, 22  # the scroll area's interior in the window
# Two 400 × 600 pages fit the view: the left page's x and the right page's.
W = int(400 * 100 * min(945 / 800, 795 / 600) / 100.0)
LEFT, RIGHT = X0 + 100, X0 + W + 1 + 100


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))


def make_shelf(work):
    """a1.zip, a10.cbz, a15.zip (no pictures), a2/ (pictures), a3/ (none): the design's order
    takes them in that order; the natural one puts a2 and a3 before a10."""
    shelf = os.path.join(work, "shelf")
    os.mkdir(shelf)
    pages = os.path.join(work, "pages")
    harness.make_book(pages, ["400x600#" + c for c in (RED, GREEN, BLUE, YELLOW, MAGENTA)])
    files = sorted(os.listdir(pages))
    # Page names whose order the natural order changes: p1 p10 p2 p3 p4 / p1 p2 p3 p4 p10.
    with zipfile.ZipFile(os.path.join(shelf, "a1.zip"), "w") as z:
        for name, f in zip(["p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p10.jpg"], files):
            z.write(os.path.join(pages, f), name)
    harness.make_book(os.path.join(shelf, "a10.cbz"), ["400x600#" + BLUE], zip=True)
    with zipfile.ZipFile(os.path.join(shelf, "a15.zip"), "w") as z:
        z.writestr("readme.txt", "no pictures here")
    harness.make_book(os.path.join(shelf, "a2"), ["400x600#" + GREEN])
    os.mkdir(os.path.join(shelf, "a3"))
    with open(os.path.join(shelf, "a3", "notes.txt"), "w") as f:
        f.write("no page")
    return shelf


def expect_spread(app, left, right, what):
    """Polls until the spread shows `left` and `right` (pages are decoded by worker threads and
    painted when they arrive)."""
    def shown():
        shot = app.shot()
        return [shot.pixel(LEFT, Y0 + 100), shot.pixel(RIGHT, Y0 + 100)]
    harness.wait_for(lambda: all(near(a, rgb(c)) for a, c in zip(shown(), (left, right))),
                     lambda: "%s: the pages are %r, not %s and %s" % (what, shown(), left, right))


def expect_title(app, name):
    harness.wait_for(lambda: app.title().startswith(name + " (") or None,
                     lambda: "the title is %r, not %s's" % (app.title(), name))


def step(app, keys, trace=None):
    """Presses `keys`; with `trace`, checks that line came once more and no book opened."""
    title, count = app.title(), app.count(trace) if trace else 0
    app.key(*keys)
    if trace:
        app.wait_trace(r"%s" % trace.strip())
        check(app.count(trace) == count + 1, "%r came %d times" % (trace, app.count(trace) - count))
        check(app.title() == title, "a book opened at the end: %r" % app.title())


# Down stops at a menu's last item: counted back from there, the items are found whatever
# becomes active above them.
MENU_PREVIOUS = ["alt+f"] + ["Down"] * 12 + ["Up"] * 6 + ["Return"]
MENU_NEXT = ["alt+f"] + ["Down"] * 12 + ["Up"] * 7 + ["Return"]
MENU_NATURAL = ["alt+o"] + ["Down"] * 12 + ["Return"]  # the last item of 機能


def test():
    work = tempfile.mkdtemp(prefix="mekuri-nextbook-")
    shelf = make_shelf(work)
    a1 = os.path.join(shelf, "a1.zip")
    app = App([a1], answers=[("Error", 0, "")] * 3 + [("ファイル名を変更", 0, "a0.cbz")])
    try:
        expect_title(app, a1)
        # End and Home: the last spread (p3 right, p4 left), then the first page alone.
        app.key("End")
        expect_spread(app, YELLOW, BLUE, "End")
        app.key("Home")
        harness.wait_for(lambda: near(app.shot().pixel(LEFT, Y0 + 100), rgb(RED)),
                         "Home did not show page 1")
        app.key("End")

        # The natural order lists the book again at the page shown: p3 is now the third page,
        # on the left of the second spread beside p2.
        app.key(*MENU_NATURAL)
        app.wait_trace(r"^数字順 1$")
        expect_spread(app, BLUE, GREEN, "after 数字順に並べる")
        expect_title(app, a1)
        app.key("End")  # p4 right, p10 left
        expect_spread(app, MAGENTA, YELLOW, "End in the natural order")
        app.key(*MENU_NATURAL)
        app.wait_trace(r"^数字順 0$")
        expect_spread(app, YELLOW, BLUE, "back in the design's order")

        # Forward through the folder: a10.cbz, a15.zip fails with its box, the next press goes
        # past it to the folder a2; a3 holds no page, so a2 is the last.
        app.key("ctrl+Next")
        expect_title(app, os.path.join(shelf, "a10.cbz"))
        app.key("ctrl+Next")
        app.wait_trace(r"dialog \[Error\] jpegファイルが無いので開けません")
        app.key("ctrl+Next")
        expect_title(app, os.path.join(shelf, "a2"))
        step(app, ["ctrl+Next"], "次のﾌｧｲﾙはありません\n")
        step(app, MENU_NEXT, "次のﾌｧｲﾙはありません\n")
        check(app.count("dialog [Error]") == 1, "the failing book was opened again")
        # Back with the menu item, past the failing book again, to the first book.
        app.key(*MENU_PREVIOUS)
        app.wait_trace(r"dialog \[Error\](.|\n)*dialog \[Error\]")
        app.key("ctrl+Prior")
        expect_title(app, os.path.join(shelf, "a10.cbz"))
        app.key("ctrl+Prior")
        expect_title(app, a1)
        step(app, ["ctrl+Prior"], "前のﾌｧｲﾙはありません\n")

        # In the natural order a2 follows a1 and a10.cbz comes after it.
        app.key(*MENU_NATURAL)
        app.key("ctrl+Next")
        expect_title(app, os.path.join(shelf, "a2"))
        app.key("ctrl+Next")
        expect_title(app, os.path.join(shelf, "a10.cbz"))
        # Without Ctrl, Page Down still turns a page and opens no book.
        app.key("Next")
        expect_title(app, os.path.join(shelf, "a10.cbz"))
        # A pending rename is carried out first, and the step starts from the new name.
        app.key("alt+f", "r")
        app.key("ctrl+Next")
        expect_title(app, a1)
        check(os.path.exists(os.path.join(shelf, "a0.cbz")), "the pending rename was not made")
        app.key("alt+q")
        check(app.wait_exit() == 0, "the program did not end cleanly")
    finally:
        app.kill()


if __name__ == "__main__":
    harness.main(test)
