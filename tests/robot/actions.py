"""The robot's actions: each drives the real program through its user interface (keys, menu
mnemonics, clicks at measured places, the wheel, drops, dialog answers appended to the answer
file before the action) and waits for what it must cause by polling the trace or the state.

An action is a function (robot, rng) -> text saying what it did; action_table.py lists them with
their weights. This file holds the main window's actions and the helpers both windows use; the
catalog window's are in catalog_actions.py.
"""
import os
import re
import subprocess
import urllib.parse

import invariants
from program import poll, xdo

# Measured places on the main window (1024 x 819 on the robot's 1280 x 1024 screen).
SCROLL_X = 75                      # the scroll area's left edge
VIEW_X, VIEW_Y = 77, 22            # the spread view's interior
BAR_LEFT_ARROW = (175, 10)         # "次頁(←)" on the menu bar
BAR_RIGHT_ARROW = (222, 10)        # "(→)前頁"
BAR_FITS = [(400, 10), (432, 10)]  # the two fit icons on the menu bar
LIST_X = 30                        # inside the spread list
PROPERTY_OK = (255, 385)           # the property window's OK button
CELL_W, CELL_H = 150, 180          # catalog cells

QUIET_WINDOWS = {"main", "catalog", "tip"}


def idle(state):
    """Nothing modal or in a mode that would take the next input."""
    return state and set(state["windows"]) <= QUIET_WINDOWS and state["mode"] == 0


def view_point(p, fx, fy):
    return VIEW_X + int((p.w - VIEW_X) * fx), VIEW_Y + int((p.h - VIEW_Y) * fy)


def can_turn(state, forward):
    c, n, s = state["page"], state["pages"], state["shift"]
    if n == 0:
        return False
    return (c + 2 < n or (s == 1 and c + 1 < n)) if forward else c - 2 >= 0


def expect_turn(robot, before, forward, how):
    """Waits for the turn the input must make; a turn that does not come is a failure."""
    if not idle(before) or not before["title"].endswith("pages)"):
        robot.state()
        return how
    if can_turn(before, forward):
        want = before["page"] + (2 if forward else -2)
        after = robot.wait_state(lambda s: s["page"] == want, 5)
        if after["page"] != want:
            robot.fail("state", "%s did not turn from spread %d to %d: %r"
                       % (how, before["page"], want, after))
    return how


# --- turning pages -------------------------------------------------------------------------

FORWARD_KEYS = ["space", "n", "Next", "Return", "Down"]
BACK_KEYS = ["Prior", "BackSpace", "p", "b", "Up"]


def turn_key(robot, rng):
    p, before = robot.program, robot.state()
    key = rng.choice(FORWARD_KEYS + BACK_KEYS + ["Left", "Right"])
    p.key(key)
    if key in ("Left", "Right"):
        forward = (key == "Left") == (before["binding"] == 0)
    else:
        forward = key in FORWARD_KEYS
    return expect_turn(robot, before, forward, "key %s" % key)


def spread_point(p, state, left, rng):
    """A point of the spread view in one half of the scroll area, and whether the spread is
    there (a click beside a small spread lands on the scroll area and turns nothing)."""
    mid = SCROLL_X + (p.w - SCROLL_X) // 2
    lo, hi = (VIEW_X, mid - 1) if left else (mid, p.w - 20)
    top, bottom = VIEW_Y, p.h - 20  # clear of the scrollbars
    vx, vy, vw, vh = state["view"]
    x0, x1 = max(lo, vx), min(hi, vx + vw - 1)
    y0, y1 = max(top, vy), min(bottom, vy + vh - 1)
    if x0 <= x1 and y0 <= y1:
        return (rng.randint(x0, x1), rng.randint(y0, y1)), True
    return (rng.randint(lo, hi), rng.randint(top, bottom)), False


def turn_click(robot, rng):
    p, before = robot.program, robot.state()
    left = rng.random() < 0.6
    (x, y), on_spread = spread_point(p, before, left, rng)
    p.click(x, y)
    forward = left == (before["binding"] == 0)
    how = "click on the %s half at %d,%d" % ("left" if left else "right", x, y)
    if not on_spread:
        robot.state()
        return how + " (beside the spread)"
    return expect_turn(robot, before, forward, how)


def turn_menu_arrow(robot, rng):
    p, before = robot.program, robot.state()
    left = rng.random() < 0.6
    p.click(*(BAR_LEFT_ARROW if left else BAR_RIGHT_ARROW))
    forward = left == (before["binding"] == 0)
    return expect_turn(robot, before, forward, "menu arrow %s" % ("左" if left else "右"))


def turn_wheel(robot, rng):
    p = robot.program
    p.front()
    notches = rng.choice([1, 1, 1, 2, 3, 6])
    button = 5 if rng.random() < 0.7 else 4
    x, y = view_point(p, rng.random(), rng.random())
    xdo("mousemove", p.x + x, p.y + y, "click", "--repeat", notches, "--delay", 80, button)
    robot.state()
    return "wheel %s x%d" % ("down" if button == 5 else "up", notches)


def list_click(robot, rng):
    p = robot.program
    y = VIEW_Y + 4 + rng.randrange(0, 300)
    p.click(LIST_X, y)
    robot.state()
    return "click the spread list at y %d" % y


def list_drag(robot, rng):
    p = robot.program
    p.front()
    sx, sy = p.x + LIST_X, p.y + 300
    dy = rng.choice([-120, -40, 40, 120])
    # A drag is a gesture: the presses and moves are the input itself, so they are spaced as a
    # hand would space them (xdotool's sleep), not waited on.
    xdo("mousemove", sx, sy, "mousedown", 1, "sleep", 0.05, "mousemove", sx, sy + dy // 2,
        "sleep", 0.03, "mousemove", sx, sy + dy, "sleep", 0.03, "mouseup", 1)
    robot.wait_state(lambda s: s["mode"] == 0, 5)
    return "drag the spread list by %d" % dy


def spread_drag(robot, rng):
    p = robot.program
    p.front()
    x, y = view_point(p, 0.5, 0.5)
    dx, dy = rng.randrange(-200, 200), rng.randrange(-200, 200)
    xdo("mousemove", p.x + x, p.y + y, "mousedown", 1, "sleep", 0.05, "mousemove",
        p.x + x + dx // 2, p.y + y + dy // 2, "sleep", 0.02, "mousemove", p.x + x + dx,
        p.y + y + dy, "mouseup", 1)
    robot.wait_state(lambda s: s["mode"] == 0, 10)
    return "drag the spread by %d,%d" % (dx, dy)


# --- zoom and the view's options -------------------------------------------------------------

ZOOM_ITEMS = {"5": "50", "7": "75", "0": "100", "1": "150", "2": "200"}


def zoom_percent(robot, rng):
    before = robot.state()
    key = rng.choice(sorted(ZOOM_ITEMS))
    robot.program.key("alt+z", key)
    if idle(before):
        robot.world.expected_zoom = ZOOM_ITEMS[key]
        robot.wait_state(lambda s: s["zoom"] == ZOOM_ITEMS[key], 5)
    return "zoom %s %%" % ZOOM_ITEMS[key]


TYPED = [("150", "150"), ("33.9", "33"), ("400", "400"), ("1", "1"), ("250", "250"),
         ("0", None), ("500", None), ("abc", None), ("", None)]


def zoom_typed(robot, rng):
    before = robot.state()
    text, shown = rng.choice(TYPED)
    cancel = rng.random() < 0.1
    robot.answer("ズーム", 1 if cancel else 0, text)
    if shown is None and not cancel:
        robot.answer("Error")
    mark = robot.program.mark()
    robot.program.key("alt+z", "n")
    if idle(before):
        robot.wait(r"^dialog \[ズーム\]", mark, 5)
        if shown and not cancel:
            robot.world.expected_zoom = shown
            robot.wait_state(lambda s: s["zoom"] == shown, 5)
    return "typed zoom %r%s" % (text, " cancelled" if cancel else "")


def zoom_fit(robot, rng):
    mode = rng.randrange(5)
    robot.program.key("alt+z", *(["Down"] * (mode + 1)), "Return")
    robot.world.expected_zoom = None
    robot.answer("Error")  # a fit of a tiny page may pass 400 %
    robot.state()
    return "fit item %d" % mode


def zoom_fit_bar(robot, rng):
    i = rng.randrange(2)
    robot.program.click(*BAR_FITS[i])
    robot.world.expected_zoom = None
    robot.answer("Error")
    robot.state()
    return "fit icon %d on the menu bar" % i


def zoom_wheel(robot, rng):
    p = robot.program
    p.front()
    x, y = view_point(p, rng.random(), rng.random())
    notches = rng.randrange(1, 5)
    button = rng.choice([4, 5])
    robot.answer("Error")  # beyond 400 % or below 1 %: the refusal box
    xdo("mousemove", p.x + x, p.y + y, "keydown", "ctrl", "click", "--repeat", notches,
        "--delay", 60, button, "keyup", "ctrl")
    robot.world.expected_zoom = None
    robot.wait_state(lambda s: s["mode"] != 4, 5)
    return "ctrl + wheel %s x%d" % ("up" if button == 4 else "down", notches)


def quality(robot, rng):
    robot.program.key("alt+o", "q")
    robot.state()
    return "高品質縮小"


def binding(robot, rng):
    before = robot.state()
    left = rng.random() < 0.5
    robot.program.key("alt+o", "l" if left else "r")
    if idle(before):
        robot.wait_state(lambda s: s["binding"] == (1 if left else 0), 5)
    return "binding %s" % ("左綴じ" if left else "右綴じ")


def spread_unit(robot, rng):
    before = robot.state()
    robot.program.key("alt+o", "1")
    if idle(before) and before["title"].endswith("pages)"):
        robot.wait_state(lambda s: s["shift"] != before["shift"], 5)
    return "見開き単位変更"


def redraw(robot, rng):
    robot.program.key("alt+o", "d")
    robot.state()
    return "redraw"


def loupe(robot, rng):
    p = robot.program
    p.front()
    x, y = view_point(p, 0.2 + 0.6 * rng.random(), 0.2 + 0.6 * rng.random())
    sticky = rng.random() < 0.4
    if sticky:
        # A quick right click leaves the loupe open; it is then dragged and closed with a click.
        xdo("mousemove", p.x + x, p.y + y, "click", 3)
        robot.state()
        xdo("mousedown", 1, "sleep", 0.05, "mousemove", p.x + x + 40, p.y + y + 20, "sleep",
            0.05, "mouseup", 1, "sleep", 0.3, "click", 1)
    else:
        # Holding the right button is the gesture: the hold itself takes time.
        xdo("mousemove", p.x + x, p.y + y, "mousedown", 3, "sleep", 0.25, "mousemove",
            p.x + x + 30, p.y + y + 30, "sleep", 0.05, "mousemove", p.x + x + 60, p.y + y,
            "mouseup", 3)
    robot.wait_state(lambda s: "loupe" not in s["windows"], 5)
    return "loupe %s" % ("sticky" if sticky else "held")


# --- windows of the main window ----------------------------------------------------------------

def properties(robot, rng):
    p, before = robot.program, robot.state()
    p.key("alt+f", "p")
    if not idle(before) or not before["title"].endswith("pages)"):
        robot.state()
        return "ﾌｧｲﾙのﾌﾟﾛﾊﾟﾃｨ (nothing to show)"
    s = robot.wait_state(lambda s: "property" in s["windows"], 10)
    if "property" not in s["windows"]:
        robot.fail("state", "no property window for %s" % before["title"])
    close_property_window(robot, "property")
    return "ﾌｧｲﾙのﾌﾟﾛﾊﾟﾃｨ, then OK"


def about(robot, rng):
    robot.answer("About Mekuri")
    mark = robot.program.mark()
    robot.program.key("alt+h", "a")
    m = robot.wait(r"\(max (\d+) MB\)", mark, 5)
    limit = robot.options.cache_limit // 1024000
    if m and int(m.group(1)) != limit:
        robot.fail("state", "the About box shows a limit of %s MB, not %d" % (m.group(1), limit))
    robot.state()
    return "About"


def rename(robot, rng):
    before = robot.state()
    m = invariants.TITLE.match(before["title"])
    kind = rng.choice(["good", "good", "colliding", "unusable", "restore", "cancel"])
    if not m or not idle(before):
        robot.program.key("alt+f", "r")
        robot.state()
        return "ﾌｧｲﾙ名の変更 (no book)"
    path = m.group(1).rstrip("/")
    folder, name = os.path.dirname(path), os.path.basename(path)
    title = "ファイル名を変更"
    if kind == "good":
        stem, ext = os.path.splitext(name)
        new = "%s-r%d%s" % (stem.split("-r")[0], rng.randrange(1000), ext)
        robot.answer(title, 0, new)
        robot.world.ask_rename(path, os.path.join(folder, new))
        robot.world.pending_rename = os.path.join(folder, new)
        what = "to %s" % new
    elif kind == "colliding":
        others = sorted(n for n in os.listdir(folder) if n != name)
        new = rng.choice(others) if others else name
        robot.answer(title, 0, new)
        robot.answer("エラー")
        robot.answer(title, 1)
        what = "to the existing %s" % new
    elif kind == "unusable":
        new = rng.choice(["a/b.zip", "", "..", "_$mekuri.bin", "_$MEKURI.BIN"])
        robot.answer(title, 0, new)
        robot.answer("エラー")
        robot.answer(title, 1)
        # Should the name be accepted all the same, the robot did ask for it.
        robot.world.ask_rename(path, os.path.join(folder, new))
        what = "to the unusable %r" % new
    elif kind == "restore":
        robot.answer(title, 2)
        robot.answer(title, 0, name)
        robot.world.pending_rename = False
        what = "restored to %s" % name
    else:
        robot.answer(title, 1)
        what = "cancelled"
    mark = robot.program.mark()
    robot.program.key("alt+f", "r")
    robot.wait(r"^dialog \[ファイル名を変更\]", mark, 5)
    robot.state()
    return "ﾌｧｲﾙ名の変更 " + what


# --- opening and closing ------------------------------------------------------------------------

def prepare_close(robot):
    """A pending rename is carried out when a book closes; its refusal box may come."""
    robot.answer("ファイル名変更失敗")


def expect_open(robot, path, mark):
    """Waits for the book at `path` to open (or fail as the library says it may). The open book
    named by its old name while its rename waits opens under the new name (unless the rename
    failed at the close)."""
    world = robot.world
    book = world.book(path)
    names = [path.rstrip("/")]
    if world.pending_rename and path == world.open_book:
        names.insert(0, world.pending_rename)
    world.open_book = None
    def opened(s):
        return any(s["title"].startswith(n + " (") for n in names) or s["title"] == "Mekuri" and \
            re.search(r"^dialog \[Error\]", robot.program.since(mark), re.M)
    s = robot.wait_state(opened, 30)
    shown = [n for n in names if s["title"].startswith(n + " (")]
    if shown:
        world.open_book = shown[0]
        check_resumed(robot, shown[0], s)
    elif book is not None and book.fails is False:
        robot.fail("state", "%s did not open: %r\n%s" % (path, s, robot.program.since(mark)[-2000:]))
    robot.world.expected_zoom = None
    robot.world.pending_rename = False


def check_resumed(robot, path, s):
    """A book just opened shows the spread where the reader left it (resume on, the book
    unchanged), else its first spread."""
    want = robot.world.expected_page(path, s["pages"], s["shift"])
    if s["pages"] > 0 and s["page"] != want:
        robot.fail("state", "%s opened at spread %d, not %d (left at %r, resume %s)" % (
            path, s["page"], want, robot.world.positions.get(path), robot.world.resume))
    robot.world.opened(path)


def may_fail(robot, path):
    """Prepares the error box of a book that may fail to open (unknown books included)."""
    book = robot.world.book(path) if path and os.path.exists(path) else None
    if path and (book is None or book.fails is not False):
        robot.answer("Error")


def choose_book(robot, rng):
    """A book to open (the open book under its old name while its rename waits included)."""
    return rng.choice(robot.world.book_paths())


def open_dialog(robot, rng):
    before = robot.state()
    path = choose_book(robot, rng)
    robot.answer("ファイルを開く", 0, path)
    may_fail(robot, path)
    prepare_close(robot)
    mark = robot.program.mark()
    robot.program.key("alt+f", "o")
    if idle(before):
        expect_open(robot, path, mark)
    else:
        robot.state()
    return "開く %s" % robot.world.rel(path)


def close(robot, rng):
    before = robot.state()
    prepare_close(robot)
    robot.program.key("alt+c")
    if idle(before):
        robot.wait_state(lambda s: s["title"] == "Mekuri", 10)
        robot.world.open_book = None
        robot.world.pending_rename = False
    else:
        robot.state()
    return "閉じる"


def restart(robot, rng):
    """Quit, then start again with options and perhaps a book, folder or catalog file."""
    robot.quit_program()
    robot.new_answer_file()
    args = [o for o in ("-left", "-right", "-1", "-2") if rng.random() < 0.25]
    what = rng.random()
    path = None
    if what < 0.5:
        path = choose_book(robot, rng)
    elif what < 0.7:
        path = rng.choice(robot.world.folders())
    if path:
        args.append(path)
    choice = None
    if path and os.path.isdir(path):
        choice = rng.choice(["画像を開く", "カタログを開く", "cancel"])
        robot.answer("フォルダを開く", 1 if choice == "cancel" else 0, choice)
    may_fail(robot, path)
    robot.start(args)
    robot.world.open_book = None
    if path and (os.path.isfile(path) or choice == "画像を開く"):
        expect_open(robot, path, 0)
    elif choice == "カタログを開く":
        robot.world.catalog_folders.add(path)
        wait_building(robot, 0, path)
    return "quit and start again: %s" % " ".join(
        robot.world.rel(a) if a.startswith("/") else a for a in args)


def drop(robot, rng):
    tool = os.path.join(robot.build, "tests", "xdnd_drop")
    if not os.path.exists(tool):
        robot.note("drop actions skipped: %s is not built" % tool)
        robot.state()
        return "drop (skipped: no xdnd_drop)"
    before = robot.state()
    path = choose_book(robot, rng) if rng.random() < 0.8 else rng.choice(robot.world.folders())
    choice = None
    if os.path.isdir(path):
        choice = rng.choice(["画像を開く", "カタログを開く"])
        robot.answer("フォルダを開く", 0, choice)
    may_fail(robot, path)
    prepare_close(robot)
    p = robot.program
    p.front()
    x, y = view_point(p, 0.5, 0.5)
    uri = "file://" + urllib.parse.quote(path)
    mark = p.mark()
    r = subprocess.run([tool, str(p.x + x), str(p.y + y), uri], stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True, timeout=60)
    if r.returncode != 0 and idle(before):
        robot.fail("drop", "the drop of %s was %s: %s" % (
            path, "refused" if r.returncode == 1 else "not finished", r.stdout[-1000:]))
    if r.returncode == 0 and idle(before) and (os.path.isfile(path) or choice == "画像を開く"):
        expect_open(robot, path, mark)
    elif r.returncode == 0 and idle(before) and choice == "カタログを開く":
        robot.world.catalog_folders.add(path)
        wait_building(robot, mark, path)
    else:
        robot.state()
    return "drop %s (status %d)" % (robot.world.rel(path), r.returncode)


# --- printing ---------------------------------------------------------------------------------

PAGE_LISTS = ["1-3", "-2", "2-", "3-5,1", "5-3", "2", "1 - 3", "1,1,2"]


def print_book(robot, rng):
    before = robot.state()
    if robot.cups is None:
        robot.note("print actions skipped: no private CUPS scheduler")
        return "print (skipped: no scheduler)"
    settings = {"range": rng.choice([0, 0, 1, 2]), "pages": rng.choice(PAGE_LISTS),
                "layout": rng.randrange(3), "first": rng.randrange(2), "booklet": rng.randrange(2),
                "filter": rng.choice([0, 0, 1, 2]), "dither": rng.randrange(6),
                "binarise": rng.randrange(2), "orient": rng.choice([1, 2])}
    cancel = rng.random() < 0.15
    text = "printer=mekuri-pdf;range=%(range)d;pages=%(pages)s;layout=%(layout)d;first=%(first)d;" \
           "booklet=%(booklet)d;filter=%(filter)d;dither=%(dither)d;binarise=%(binarise)d;" \
           "orient=%(orient)d" % settings
    output = robot.cups.output_path("book.pdf")
    if os.path.exists(output):
        os.remove(output)
    robot.answer("印刷", 1 if cancel else 0, text)
    expected = None
    book_open = before["title"].endswith("pages)")
    if book_open:
        expected = invariants.sheets_printed(settings, before["pages"], before["page"],
                                             before["shift"])
    if expected is None or expected == 0:
        robot.answer("Error")
    mark = robot.program.mark()
    # The greyed items before 印刷 are skipped by Down: the program counts the others.
    robot.program.key("alt+f", *(["Down"] * (before["printdowns"] or 5)), "Return")
    what = "print %s%s" % (text, " cancelled" if cancel else "")
    if not (idle(before) and book_open) or cancel or before["pages"] == 0:
        robot.state()
        return what
    if expected is None:
        robot.wait(r"^dialog \[Error\] 印刷するページがありません", mark, 20)
        robot.state()
        return what + " (nothing to print)"
    m = robot.wait(r"^print job (-?\d+): (\d+) sheets$", mark, 120)
    if not m:
        robot.fail("print", "no print job for %s:\n%s" % (text, robot.program.since(mark)[-2000:]))
    if int(m.group(2)) != expected:
        robot.fail("print", "%s sheets printed, the settings imply %d (%s, %d pages, spread %d, "
                   "shift %d)" % (m.group(2), expected, text, before["pages"], before["page"],
                                  before["shift"]))
    if expected > 0:
        done = poll(lambda: robot.cups.jobs_done() and os.path.exists(output)
                    and os.path.getsize(output) > 0, 120 * robot.options.time_factor, 0.2)
        pages = invariants.pdf_pages(output) if done else None
        if pages != expected:
            robot.fail("print", "the PDF has %s pages, %d sheets were printed (%s)"
                       % (pages, expected, text))
    robot.world.prints += 1
    robot.state()
    return what + " (%d sheets)" % expected


def follow_open(robot, state):
    """The book the catalog window opened becomes the one the robot knows to be open."""
    m = invariants.TITLE.match(state["title"])
    robot.world.open_book = m.group(1).rstrip("/") if m else None
    if m:
        check_resumed(robot, robot.world.open_book, state)
    robot.world.expected_zoom = None
    robot.world.pending_rename = False


def close_property_window(robot, which):
    """Presses OK in the open property window (the main window's or the catalog's)."""
    for _ in range(3):
        found = robot.program.find_window(size=(520, 400))
        if found:
            _, (x, y, w, h) = found
            xdo("mousemove", x + PROPERTY_OK[0], y + PROPERTY_OK[1], "click", 1)
        st = robot.wait_state(lambda st: which not in st["windows"], 5)
        if which not in st["windows"]:
            return
    robot.fail("state", "the %s window did not close with OK" % which)


def wait_building(robot, mark, what):
    """Waits for the catalog's building to end: its thumbnails made under the modal monitor."""
    m = robot.wait(r"^buildCatalog: \d+ entries, (\d+) without thumbnail$", mark, 30)
    if not m:
        robot.fail("state", "the catalog of %s was not built:\n%s"
                   % (what, robot.program.since(mark)[-2000:]))
    if int(m.group(1)) > 0 and not robot.wait(r"^idle_cb removed\.$", mark, 180):
        robot.fail("state", "the thumbnails of %s were not finished" % what)
    robot.wait_state(lambda s: "monitor" not in s["windows"], 10)


# --- what lasts between runs ------------------------------------------------------------------

def resume_toggle(robot, rng):
    """機能 > 前回の位置から開く: redraw, 高品質縮小, 見開き単位変更 and the two bindings come
    first, none of them ever greyed."""
    before = robot.state()
    robot.program.key("alt+o", *(["Down"] * 6), "Return")
    if idle(before):
        want = 0 if before["resume"] else 1
        after = robot.wait_state(lambda s: s["resume"] == want, 5)
        if after["resume"] != want:
            robot.fail("state", "前回の位置から開く did not turn to %d: %r" % (want, after))
        robot.world.resume = bool(want)
    else:
        robot.state()
    return "前回の位置から開く"


def unescape(field):
    """The reverse of the memory files' field escapes (backslash, \\n, \\r, \\t, \\xHH)."""
    out, i = bytearray(), 0
    raw = field.encode("utf-8", "surrogateescape")
    while i < len(raw):
        if raw[i] == 0x5C and i + 1 < len(raw):
            c = chr(raw[i + 1])
            if c == "x":
                out.append(int(raw[i + 2:i + 4], 16))
                i += 4
                continue
            out += {"n": b"\n", "r": b"\r", "t": b"\t"}.get(c, c.encode())
            i += 2
            continue
        out.append(raw[i])
        i += 1
    return out.decode("utf-8", "surrogateescape")


def recent_entries(robot):
    """The recent list as the program last saved it: (kind, path), most recent first."""
    try:
        with open(os.path.join(robot.work, "state", "mekuri", "recent"), encoding="utf-8",
                  errors="surrogateescape") as f:
            lines = f.read().split("\n")
    except OSError:
        return []
    return [tuple(unescape(x) for x in line.split("\t", 1)) for line in lines[1:] if "\t" in line]


def recent(robot, rng):
    """ﾌｧｲﾙ > 最近開いたﾌｧｲﾙ > an entry: a book opens as 開く opens it, a folder in the catalog
    window; one that has gone is dropped with its box."""
    before = robot.state()
    entries = recent_entries(robot)
    if not entries or not idle(before):
        robot.state()
        return "最近開いたﾌｧｲﾙ (nothing to choose)"
    i = rng.randrange(len(entries))
    kind, path = entries[i]
    gone = not (os.path.isdir(path) if kind == "catalog" else os.path.exists(path))
    if gone:
        robot.answer("Error")
    elif kind == "book":
        may_fail(robot, path)
        prepare_close(robot)
    mark = robot.program.mark()
    # 開く, then the submenu (開く is never greyed, the submenu is not while it has entries).
    robot.program.key("alt+f", "Down", "Down", "Right", *(["Down"] * i), "Return")
    what = "最近開いたﾌｧｲﾙ %d: %s %s" % (i, kind, robot.world.rel(path))
    if gone:
        if not robot.wait(r"^dialog \[Error\] ファイル\(.*\)を開けません", mark, 10):
            robot.fail("state", "no box for the gone %s:\n%s" % (path, robot.program.since(mark)))
        robot.wait(r"^recent: \d+ entries$", mark, 5)
        if (kind, path) in recent_entries(robot):
            robot.fail("state", "the gone %s stays in the recent list" % path)
        robot.state()
        return what + " (gone)"
    if kind == "book":
        expect_open(robot, path, mark)
    else:
        robot.world.catalog_folders.add(path)
        wait_building(robot, mark, path)
    return what
