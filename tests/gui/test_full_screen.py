"""Full screen (F11, left by F11 or Escape) without a window manager and with one: the window
fills the screen with the catalog window still open, the menu bar and the spread list hidden,
the last fit run again for the new size, the menu's shortcuts still working and the keyboard
not grabbed; leaving restores the former geometry and picture."""
import ctypes
import ctypes.util
import os
import shutil
import subprocess
import tempfile

import harness
from harness import App, check, near, run

RED = (200, 50, 50)
FOLDER_ANSWER = ("フォルダを選んでください", 0, None)
MANAGED = False  # a window manager runs
FIT_HEIGHT = ["alt+z", "Down", "Return"]  # RSZ_H0V1: the spread's height to the view


def make_shelf(work):
    shelf = os.path.join(work, "shelf")
    os.mkdir(shelf)
    book = harness.make_book(os.path.join(shelf, "tall.zip"), ["300x600#c83232"] * 2, zip=True)
    harness.make_book(os.path.join(shelf, "other.zip"), ["300x600#3232c8"], zip=True)
    return shelf, book


def keyboard_free():
    """True when another client can grab the keyboard: nobody holds it."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_int, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    check(display, "no display")
    try:
        # 0 is GrabSuccess; the display's close gives the grab back.
        return x11.XGrabKeyboard(display, x11.XDefaultRootWindow(display), 0, 1, 1, 0) == 0
    finally:
        x11.XCloseDisplay(display)


def red_in_row(shot, y):
    return any(near(shot.pixel(x, y), RED) for x in range(0, shot.width, 8))


def geometry_is(app, want):
    return lambda: app.geometry(app.window) == want


def open_catalog(app, shelf):
    app.key("alt+a")
    catalog = app.wait_window("^%s$" % shelf.replace(".", "\\."))
    app.wait_trace(r"^buildCatalog: 2 entries")
    return catalog


def key(app, *keys):
    """Presses keys with the pointer over the main window's bottom right corner, clear of the
    catalog window in front of it (no window manager gives the focus), or with the main window
    made the active one when a window manager runs."""
    if MANAGED:
        run(["xdotool", "windowactivate", "--sync", app.window])
    x, y, w, h = app.geometry(app.window)
    run(["xdotool", "mousemove", str(x + w - 60), str(y + h - 30)])
    for k in keys:
        run(["xdotool", "key", k])
        app.idle()


def full_screen_round(app, shelf, catalog):
    """F11 then Escape, with the book fitted to the view's height."""
    width, height = harness.screen_size()
    key(app, *FIT_HEIGHT)
    run(["xdotool", "windowraise", app.window])  # its picture in front of the catalog window
    app.idle()
    before = app.geometry(app.window)
    # Pages are scaled by worker threads and painted when they arrive: every picture is polled.
    harness.wait_for(lambda: red_in_row(app.shot(), 40), "the page is not shown before full screen")
    shot_before = app.shot()

    key(app, "F11")
    harness.wait_for(geometry_is(app, (0, 0, width, height)),
                     lambda: "F11 left the window at %r" % (app.geometry(app.window),))
    app.idle()
    check(catalog in harness.window_ids("^%s$" % shelf.replace(".", "\\.")),
          "the catalog window went away with full screen")
    check(keyboard_free(), "full screen holds the keyboard")
    # The fit ran again: the page reaches the screen's bottom, far below the window's former
    # height; the menu bar's grey is gone from the top left corner.
    harness.wait_for(lambda: red_in_row(harness.screenshot(), height - 12),
                     "the fit did not run again for the full screen")
    shot = harness.screenshot()
    check(shot.pixel(20, 8) != shot_before.pixel(20, 8) or before[:2] != (0, 0),
          "the menu bar still shows")

    key(app, "Escape")
    harness.wait_for(geometry_is(app, before),
                     lambda: "Escape left the window at %r, not %r" % (app.geometry(app.window), before))
    app.idle()
    harness.wait_for(lambda: harness.compare(app.shot(), shot_before)[0],
                     lambda: "the window differs from before full screen (%.1f%%)"
                     % (100 * harness.compare(app.shot(), shot_before)[1]))
    check(catalog in harness.window_ids("^%s$" % shelf.replace(".", "\\.")),
          "the catalog window went away after full screen")


def shortcut_in_full_screen(app):
    """A menu shortcut (Alt+C, 閉じる) works while the menu bar is hidden."""
    width, height = harness.screen_size()
    key(app, "F11")
    harness.wait_for(geometry_is(app, (0, 0, width, height)), "F11 did not fill the screen")
    key(app, "alt+c")
    harness.wait_for(lambda: app.title() == "Mekuri", "Alt+C did not close the book in full screen")
    key(app, "F11")
    harness.wait_for(lambda: app.geometry(app.window)[2] < width, "F11 did not leave full screen")


def run_once(shelf, book):
    app = App([book], answers=[(FOLDER_ANSWER[0], 0, shelf)])
    try:
        catalog = open_catalog(app, shelf)
        full_screen_round(app, shelf, catalog)
        shortcut_in_full_screen(app)
        check("カタログをdeleteした" not in app.trace(), "the catalog window was deleted")
        key(app, "alt+q")
        check(app.wait_exit() == 0, "the program did not end cleanly")
    finally:
        app.kill()


def with_window_manager(shelf, book):
    wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    try:
        harness.wait_for(lambda: "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]),
                         "openbox did not start")
        global MANAGED
        MANAGED = True
        run_once(shelf, book)
    finally:
        wm.terminate()
        wm.wait()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-fullscreen-")
    shelf, book = make_shelf(work)
    run_once(shelf, book)
    if shutil.which("openbox") and shutil.which("xprop"):
        with_window_manager(shelf, book)
    else:
        print("no openbox: full screen under a window manager not tried")


if __name__ == "__main__":
    harness.main(test)
