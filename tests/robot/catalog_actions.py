"""The robot's actions in the catalog window: selecting, opening, renaming in place, sorting,
searching, the pop-up menu, the wheel, choosing another folder and closing. Each is a function
(robot, rng) -> text, listed with its weight in action_table.py.
"""
import os
import re

from actions import (CELL_H, CELL_W, QUIET_WINDOWS, close_property_window, follow_open,
                     idle, prepare_close, wait_building)
from program import xdo


def catalog_window(robot):
    s = robot.state()
    if "catalog" not in s["windows"]:
        return None, s
    title = s["catalog"] or "カタログ"
    found = robot.program.find_window(title=title)
    if not found:
        return None, s
    robot.program.front(found[0])
    return found[1], s


def catalog_open(robot, rng):
    folder = rng.choice(robot.world.folders())
    before = robot.state()
    robot.answer("フォルダを選んでください", 0, folder)
    mark = robot.program.mark()
    robot.program.key("alt+a")
    if idle(before):
        robot.world.catalog_folders.add(folder)
        wait_building(robot, mark, folder)
    robot.state()
    return "ｶﾀﾛｸﾞ %s" % robot.world.rel(folder)


def cell_point(geom, state, index):
    x, y, w, h = geom
    columns = max(1, (w - 20) // CELL_W)
    cx = 2 + (index % columns) * CELL_W
    cy = 22 + (index // columns) * CELL_H - state["catscroll"]
    return cx, cy


def visible_cells(geom, state):
    out = []
    for i in range(state["catentries"]):
        cx, cy = cell_point(geom, state, i)
        if cy >= 22 and cy + CELL_H < geom[3] - 2:
            out.append(i)
    return out


def catalog_click(robot, geom, x, y, repeat=1, button=1):
    xdo("mousemove", geom[0] + x, geom[1] + y, "click", "--repeat", repeat, "--delay", 80, button)


def catalog_key(robot, geom, *keys):
    xdo("mousemove", geom[0] + geom[2] // 2, geom[1] + geom[3] - 20)
    for k in keys:
        xdo("key", k)


def with_catalog(fn):
    """Runs `fn(robot, rng, geometry, state)` when the catalog window is open and idle."""
    def action(robot, rng):
        geom, s = catalog_window(robot)
        if geom is None or not set(s["windows"]) <= QUIET_WINDOWS:
            robot.state()
            return fn.__name__ + " (no catalog window)"
        return fn(robot, rng, geom, s)
    action.__name__ = fn.__name__
    return action


@with_catalog
def cat_select(robot, rng, geom, s):
    cells = visible_cells(geom, s)
    if not cells:
        robot.state()
        return "select (no cell)"
    i = rng.choice(cells)
    cx, cy = cell_point(geom, s, i)
    # Two selections of one cell in a row make a double click: the book opens.
    robot.answer("Error")
    prepare_close(robot)
    catalog_click(robot, geom, cx + 75, cy + 60)
    st = robot.wait_state(lambda st: st["catsel"] == i, 5)
    if st["title"] != s["title"]:
        follow_open(robot, st)
        return "select cell %d (a double click: %s opened)" % (i, st["catname"])
    return "select cell %d" % i


@with_catalog
def cat_open(robot, rng, geom, s):
    cells = visible_cells(geom, s)
    if not cells:
        robot.state()
        return "open from the catalog (no cell)"
    i = rng.choice(cells)
    cx, cy = cell_point(geom, s, i)
    # A click just before (a selection) makes the first click of this pair a double click
    # too: the book may open twice.
    for _ in range(2):
        robot.answer("Error")
        prepare_close(robot)
    mark = robot.program.mark()
    catalog_click(robot, geom, cx + 75, cy + 60, repeat=2)
    st = robot.wait_state(lambda st: st["catsel"] == i and (
        st["catname"] and st["title"].startswith(os.path.join(s["catalog"], st["catname"]) + " (")
        or re.search(r"^dialog \[Error\]", robot.program.since(mark), re.M)), 30)
    follow_open(robot, st)
    return "open cell %d (%s) from the catalog" % (i, st.get("catname"))


CAT_NAMES = ["good", "good", "colliding", "unusable", "escape", "tab"]


@with_catalog
def cat_rename(robot, rng, geom, s):
    if s["catsel"] < 0 or not s.get("catname"):
        return cat_select(robot, rng)
    old = s["catname"]
    folder = s["catalog"]
    kind = rng.choice(CAT_NAMES)
    stem, ext = os.path.splitext(old)
    if kind in ("good", "tab"):
        new = "%s-c%d%s" % (stem.split("-c")[0][:20], rng.randrange(1000), ext)
    elif kind == "colliding":
        others = sorted(n for n in os.listdir(folder) if n != old)
        new = rng.choice(others) if others else old
    elif kind == "unusable":
        new = rng.choice(["a/b.zip", "_$mekuri.bin", "_$Mekuri.Bin"])
    else:
        new = old + "-never"
    for title in ("エラー", "ERROR", "ファイル名変更失敗"):
        robot.answer(title)
    if kind != "escape":
        robot.world.ask_rename(os.path.join(folder, old), os.path.join(folder, new))
    mark = robot.program.mark()
    if rng.random() < 0.5:
        catalog_key(robot, geom, "F2")
    else:
        cx, cy = cell_point(geom, s, s["catsel"])
        catalog_click(robot, geom, cx + 75, cy + 150)
    if not robot.wait_state(lambda st: st["catrename"] == 1, 5)["catrename"]:
        return "rename in place (no field)"
    xdo("key", "ctrl+a")
    xdo("type", "--delay", 20, new)
    end = {"escape": "Escape", "tab": "Tab"}.get(kind, "Return")
    xdo("key", end)
    if kind == "tab":
        robot.wait_state(lambda st: st["catrename"] == 1, 3)
        xdo("key", "Escape")
    robot.wait_state(lambda st: st["catrename"] == 0, 5)
    return "rename %s in place to %r (%s, %s)" % (old, new, kind, end)


@with_catalog
def cat_sort(robot, rng, geom, s):
    key = rng.choice(["n", "d", "s"])
    catalog_key(robot, geom, "alt+s", key)
    robot.state()
    return "sort %s" % {"n": "名前順", "d": "日付順", "s": "サイズ順"}[key]


SEARCHES = [("zip", "部分文字列マッチ"), ("第", "部分文字列マッチ"), ("*.zip", "マッチングパターン"),
            ("?2巻.zip", "マッチングパターン"), ("[a-p]*", "マッチングパターン"), ("none", "部分文字列マッチ")]


@with_catalog
def cat_search(robot, rng, geom, s):
    how = rng.choice(["dialog", "F3", "F4"])
    robot.answer("検索")
    if how == "dialog":
        text, method = rng.choice(SEARCHES)
        robot.answer("ファイル名検索", 0, text)
        robot.answer("ファイル名検索", 0, method)
        catalog_key(robot, geom, "ctrl+f")
        what = "search %r (%s)" % (text, method)
    else:
        catalog_key(robot, geom, how)
        what = "search %s" % ("forward" if how == "F3" else "backward")
    robot.state()
    return what


POPUP = {"remake": 3, "properties": 4, "open": 1, "cancel": 0}


@with_catalog
def cat_popup(robot, rng, geom, s):
    cells = visible_cells(geom, s)
    if not cells:
        robot.state()
        return "pop-up menu (no cell)"
    i = rng.choice(cells)
    item = rng.choice(["remake", "remake", "properties", "open", "cancel"])
    cx, cy = cell_point(geom, s, i)
    robot.answer("Error")
    prepare_close(robot)
    catalog_click(robot, geom, cx + 75, cy + 60, button=3)
    robot.wait_state(lambda st: "menu" in st["windows"], 5)
    # The menu opens with its first item under the pointer, chosen or not as the pointer's
    # entry into the menu falls: counted back from the last item, the count holds either way.
    last = max(POPUP.values())
    xdo("key", *(["Down"] * (last + 2) + ["Up"] * (last - POPUP[item]) + ["Return"]))
    if item == "properties":
        st = robot.wait_state(lambda st: "catproperty" in st["windows"], 10)
        if "catproperty" in st["windows"]:
            close_property_window(robot, "catproperty")
    elif item == "open":
        st = robot.wait_state(lambda st: st["catname"] and st["title"].startswith(
            os.path.join(s["catalog"], st["catname"]) + " ("), 30)
        follow_open(robot, st)
    else:
        robot.state()
    return "pop-up menu on cell %d: %s" % (i, item)


@with_catalog
def cat_wheel(robot, rng, geom, s):
    button = rng.choice([4, 5])
    xdo("mousemove", geom[0] + geom[2] // 2, geom[1] + geom[3] // 2, "click", "--repeat",
        rng.randrange(1, 4), "--delay", 80, button)
    robot.state()
    return "wheel over the catalog"


@with_catalog
def cat_choose(robot, rng, geom, s):
    folder = rng.choice(robot.world.folders())
    robot.answer("フォルダを選んでください", 0, folder)
    mark = robot.program.mark()
    catalog_key(robot, geom, "alt+a")
    robot.world.catalog_folders.add(folder)
    wait_building(robot, mark, folder)
    return "ｶﾀﾛｸﾞ %s in the catalog window" % robot.world.rel(folder)


@with_catalog
def cat_close(robot, rng, geom, s):
    catalog_key(robot, geom, "alt+c")
    robot.wait_state(lambda st: "catalog" not in st["windows"], 10)
    return "閉じる the catalog"
