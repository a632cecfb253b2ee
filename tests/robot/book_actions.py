"""The robot's actions that move between books and through a book as a whole: the next and
previous book of the folder (keys and menu), Home and End, full screen (F11, left by Escape or
F11) and the natural name order's menu item."""
import os
import re

import invariants
from actions import expect_turn, follow_open, idle, prepare_close, FORWARD_KEYS, BACK_KEYS
from program import geometry, poll, xdo_out

# Down stops at the File menu's last item (終了): counted back from there, the items are found
# whatever becomes active above them.
MENU_NEXT_BOOK = ["alt+f"] + ["Down"] * 12 + ["Up"] * 7 + ["Return"]
MENU_PREVIOUS_BOOK = ["alt+f"] + ["Down"] * 12 + ["Up"] * 6 + ["Return"]
MENU_NATURAL_ORDER = ["alt+o"] + ["Down"] * 12 + ["Return"]  # the last item of 機能
END_LINES = {True: "次のﾌｧｲﾙはありません", False: "前のﾌｧｲﾙはありません"}


def book_of(state):
    m = invariants.TITLE.match(state["title"])
    return m.group(1).rstrip("/") if m else None


def next_book(robot, rng):
    p, before = robot.program, robot.state()
    forward = rng.random() < 0.5
    by_menu = rng.random() < 0.3
    robot.answer("Error")  # the next book may fail to open
    prepare_close(robot)
    mark = p.mark()
    if by_menu:
        p.key(*(MENU_NEXT_BOOK if forward else MENU_PREVIOUS_BOOK))
    else:
        p.key("ctrl+Next" if forward else "ctrl+Prior")
    how = "%s (%s)" % ("次のﾌｧｲﾙ" if forward else "前のﾌｧｲﾙ", "menu" if by_menu else "key")
    old = book_of(before)
    if not idle(before) or old is None:
        # Without a book, the step goes on only from a book a step failed to open.
        follow_open(robot, robot.state())
        return how
    end = END_LINES[forward]

    def settled(s):
        since = p.since(mark)
        return (re.search(r"^%s$" % end, since, re.M) or book_of(s) not in (None, old)
                or re.search(r"^dialog \[Error\]", since, re.M))
    s = robot.wait_state(settled, 30)
    if not settled(s):
        robot.fail("state", "%s from %s did nothing:\n%s" % (how, old, p.since(mark)[-2000:]))
    if re.search(r"^%s$" % end, p.since(mark), re.M):
        if book_of(s) != old:
            robot.fail("state", "%s traced the end, yet %s is open" % (how, s["title"]))
        return how + ": the end"
    # The step left the old book: its pending rename was made at its close.
    robot.world.pending_rename = False
    s = robot.wait_state(lambda s: s["mode"] == 0, 10)
    follow_open(robot, s)
    new = book_of(s)
    if new is not None and os.path.dirname(new) != os.path.dirname(old):
        robot.fail("state", "%s from %s opened %s, in another folder" % (how, old, new))
    return "%s: %s" % (how, robot.world.rel(new) if new else "failed to open")


def ends(robot, rng):
    p, before = robot.program, robot.state()
    last = rng.random() < 0.5
    p.key("End" if last else "Home")
    n, s = before["pages"], before["shift"]
    if idle(before) and book_of(before) and n > 0:
        want = 2 * ((n - 1 + s) // 2) if last else 0
        after = robot.wait_state(lambda st: st["page"] == want, 5)
        if after["page"] != want:
            robot.fail("state", "%s showed spread %d, not %d" % (
                "End" if last else "Home", after["page"], want))
    else:
        robot.state()
    return "End" if last else "Home"


def natural_order(robot, rng):
    p, before = robot.program, robot.state()
    robot.answer("Error")  # a book that can no longer be listed is closed with a box
    mark = p.mark()
    p.key(*MENU_NATURAL_ORDER)
    if not idle(before):
        robot.state()
        return "数字順に並べる"
    m = robot.wait(r"^数字順 ([01])$", mark, 10)
    if not m:
        robot.fail("state", "数字順に並べる changed nothing:\n%s" % p.since(mark)[-2000:])
    if book_of(before):
        # The same book, listed again in the new order, with as many pages and the zoom kept.
        # While it is listed the title still names it and it has no pages: wait for the pages.
        s = robot.wait_state(lambda s: s["title"] == before["title"] and s["mode"] == 0
                             and s["pages"] == before["pages"], 10)
        if s["title"] != before["title"] or s["pages"] != before["pages"]:
            robot.fail("state", "数字順に並べる left %r, not %r" % (s, before))
    return "数字順に並べる %s" % m.group(1)


def screen_size():
    w, h = xdo_out("getdisplaygeometry").split()
    return int(w), int(h)


def full_screen(robot, rng):
    p, before = robot.program, robot.state()
    if not idle(before):
        robot.state()
        return "F11 (busy)"
    former = (p.x, p.y, p.w, p.h)
    width, height = screen_size()
    # A fit mode refits to the whole screen; a zoom that large is refused with a box.
    robot.answer("Error")
    p.key("F11")
    if not poll(lambda: geometry(p.window) == (0, 0, width, height), 10, 0.05):
        robot.fail("state", "F11 left the main window at %r" % (geometry(p.window),))
    s = robot.state()
    if "catalog" in before["windows"] and "catalog" not in s["windows"]:
        robot.fail("state", "full screen closed the catalog window")
    turns = []
    for _ in range(rng.randrange(3)):
        key = rng.choice(FORWARD_KEYS + BACK_KEYS)
        b = robot.state()
        robot.answer("Error")
        p.key(key)
        turns.append(expect_turn(robot, b, key in FORWARD_KEYS, key))
    leave = rng.choice(["Escape", "F11"])
    p.key(leave)
    if not poll(lambda: geometry(p.window) == former, 10, 0.05):
        robot.fail("state", "%s left the main window at %r, not %r" % (
            leave, geometry(p.window), former))
    s = robot.state()
    if "catalog" in before["windows"] and "catalog" not in s["windows"]:
        robot.fail("state", "leaving full screen closed the catalog window")
    return "F11, %s, %s" % (" ".join(turns) or "no turn", leave)
