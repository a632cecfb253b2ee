"""Ending the program from outside: SIGTERM (or SIGHUP, SIGINT) ends it the way Quit does, with
the book's pending rename performed and the catalog's new thumbnails saved, also while a dialog
or a message box is open; a second signal ends it at once; and when the X server goes away the
rename and the catalog are still saved before the program ends."""
import os
import re
import signal
import struct
import subprocess
import tempfile
import time

import harness
from harness import App, check

PAGES = ["200x300#c83232", "200x300#32c832"]
RECORD = 49696
CATALOG = "_$mekuri.bin"
SHELF = ["vol1.zip", "vol2.zip", "vol3.zip"]


def make_work():
    work = tempfile.mkdtemp(prefix="mekuri-signals-")
    books = os.path.join(work, "books")
    shelf = os.path.join(work, "shelf")
    os.mkdir(books)
    os.mkdir(shelf)
    for i, name in enumerate(SHELF):
        harness.make_book(os.path.join(shelf, name), ["250x375#%02x3232" % (80 + 40 * i)],
                          zip=True)
    book = harness.make_book(os.path.join(books, "book.zip"), PAGES, zip=True)
    return book, shelf


def rle_decode(data):
    out = bytearray()
    i = 0
    while i < len(data):
        if data[i] == 0x88:
            out += bytes([data[i + 1]]) * (data[i + 2] | data[i + 3] << 8)
            i += 4
        else:
            out.append(data[i])
            i += 1
    return bytes(out)


def catalog_names(shelf):
    """The names in the folder's catalog file whose records hold a thumbnail."""
    path = os.path.join(shelf, CATALOG)
    check(os.path.exists(path), "the catalog file was not written")
    with open(path, "rb") as f:
        blob = f.read()
    check(blob[:20] == b"mekuri catalog 0000\n", "catalog header %r" % blob[:20])
    size, count = struct.unpack_from("<ii", blob, 20)
    check(size == RECORD, "record size %d" % size)
    pos, names = 28, []
    for _ in range(count):
        (length,) = struct.unpack_from("<i", blob, pos)
        record = rle_decode(blob[pos + 4:pos + 4 + length])
        pos += 4 + length
        check(len(record) == RECORD, "a record expands to %d bytes" % len(record))
        (has,) = struct.unpack_from("<h", record, 528)
        if has == 1:
            names.append(record[:512].split(b"\0", 1)[0].decode())
    return sorted(names)


def start_with_rename_and_catalog(book, shelf, new_name, more_answers=()):
    """The book open with a rename to `new_name` chosen, and the catalog of `shelf` built but
    not yet saved."""
    answers = [("ファイル名を変更", 0, new_name), ("フォルダを選んでください", 0, shelf)]
    app = App([book], answers=answers + list(more_answers))
    app.wait_trace(r"miniunzip extractor called")
    app.key("space")  # the second spread: its lower page, 1, is where the reader stopped
    app.key("alt+f", "r")
    app.wait_trace(r"dialog \[ファイル名を変更\]")
    app.key("alt+a")
    app.wait_trace(r"^idle_cb removed\.$", timeout=60)
    check(not os.path.exists(os.path.join(shelf, CATALOG)), "the catalog was saved too early")
    check(os.path.exists(book), "the book was renamed too early")
    return app


def position_kept(app, path, page):
    """The positions file remembers `page` for the book at `path`."""
    with open(os.path.join(app.home, "state", "mekuri", "positions"), encoding="utf-8") as f:
        text = f.read()
    check(re.search(r"^%d\t\d+\t\d+\t%s$" % (page, re.escape(path)), text, re.M),
          "no position %d for %s in:\n%s" % (page, path, text))


def end_by(app, number, limit=10):
    """Sends signal `number` and waits for the program to end; returns its exit status."""
    start = time.time()
    app.proc.send_signal(number)
    code = app.wait_exit(timeout=limit + 5)
    check(time.time() - start < limit, "ending took %.1f s" % (time.time() - start))
    return code


def check_orderly(app, code, number):
    trace = app.trace()
    check("signal %d: shutting down" % number in trace, "no shutdown trace:\n" + trace[-3000:])
    check("took too long" not in trace, "the watchdog had to end it:\n" + trace[-3000:])
    check("Mekuri destructor end" in trace, "the main window was not destroyed:\n" + trace[-3000:])
    check(code == -number, "exit status %r, not death by signal %d" % (code, number))


def saved_on_sigterm(book, shelf):
    app = start_with_rename_and_catalog(book, shelf, "第1巻.zip")
    try:
        code = end_by(app, signal.SIGTERM)
        check(os.path.exists(os.path.join(os.path.dirname(book), "第1巻.zip")),
              "the pending rename was lost:\n" + app.trace()[-3000:])
        check(not os.path.exists(book), "the old name is still there")
        position_kept(app, os.path.join(os.path.dirname(book), "第1巻.zip"), 1)
        check(catalog_names(shelf) == SHELF, "catalog holds %r" % catalog_names(shelf))
        check_orderly(app, code, signal.SIGTERM)
    finally:
        app.kill()


def window_shown(title):
    """True when a window titled exactly `title` is on screen (compared here: xdotool's
    patterns depend on the locale)."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for window in r.stdout.split():
        name = subprocess.run(["xdotool", "getwindowname", window], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout.decode("utf-8", "replace")
        if name.strip() == title:
            return True
    return False


def wait_window(title):
    harness.wait_for(lambda: window_shown(title), "no window %r" % title)


def rename_dialog_open(book):
    """A real rename dialog (the script answers only the first rename) when SIGHUP comes."""
    app = App([book], answers=[("ファイル名を変更", 0, "第2巻.zip")])
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+f", "r")
        app.wait_trace(r"dialog \[ファイル名を変更\]")
        app.key("alt+f", "r")
        wait_window("ファイル名を変更")
        code = end_by(app, signal.SIGHUP)
        check_orderly(app, code, signal.SIGHUP)
        check(os.path.exists(os.path.join(os.path.dirname(book), "第2巻.zip")),
              "the rename chosen before the dialog was lost")
    finally:
        app.kill()
    return os.path.join(os.path.dirname(book), "第2巻.zip")


def message_box_and_menu_open(book):
    """A real error box, then a pulled-down menu, each open when a signal comes."""
    taken = os.path.join(os.path.dirname(book), "taken.zip")
    with open(taken, "wb") as f:
        f.write(b"another file")
    app = App([book], answers=[("ファイル名を変更", 0, "taken.zip")])
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+f", "r")
        wait_window("エラー")
        check_orderly(app, end_by(app, signal.SIGINT), signal.SIGINT)
    finally:
        app.kill()
    app = App([book])
    try:
        app.key("alt+f")
        check_orderly(app, end_by(app, signal.SIGTERM), signal.SIGTERM)
    finally:
        app.kill()
    check(os.path.exists(book), "the book was renamed although no rename was chosen")


def second_signal_ends_at_once(book):
    app = App([book])
    try:
        app.wait_trace(r"miniunzip extractor called")
        # Both arrive before the program can act on the first.
        app.proc.send_signal(signal.SIGSTOP)
        app.proc.send_signal(signal.SIGTERM)
        app.proc.send_signal(signal.SIGHUP)
        app.proc.send_signal(signal.SIGCONT)
        code = app.wait_exit(timeout=5)
        check(code in (128 + signal.SIGTERM, 128 + signal.SIGHUP), "exit status %r" % code)
        check(" again: ending at once" in app.trace(), "no trace of the second signal")
    finally:
        app.kill()


def free_display():
    """A display number for an X server of this test's own, derived from the test's display."""
    own = int(os.environ["DISPLAY"].split(":")[1].split(".")[0])
    number = own + 10000
    while os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists(
            "/tmp/.X11-unix/X%d" % number):
        number += 1
    return number


def display_answers(number):
    env = dict(os.environ, DISPLAY=":%d" % number)
    return subprocess.run(["xdotool", "getdisplaygeometry"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def saved_when_the_display_goes(book, shelf):
    number = free_display()
    # -noreset: the server must not reset when a probing client leaves before the program
    # has connected.
    server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    own = os.environ["DISPLAY"]
    app = None
    try:
        # Its socket exists a moment before it listens: wait until a client gets through.
        harness.wait_for(lambda: display_answers(number), "the test's own X server did not start")
        os.environ["DISPLAY"] = ":%d" % number
        app = start_with_rename_and_catalog(book, shelf, "第3巻.zip")
        server.terminate()
        server.wait(10)
        code = app.wait_exit(timeout=10)
        trace = app.trace()
        check(os.path.exists(os.path.join(os.path.dirname(book), "第3巻.zip")),
              "the pending rename was lost:\n" + trace[-3000:])
        check(catalog_names(shelf) == SHELF, "catalog holds %r" % catalog_names(shelf))
        check("display connection lost" in trace, "no trace of the lost display:\n" + trace[-3000:])
        position_kept(app, os.path.join(os.path.dirname(book), "第3巻.zip"), 1)
        check(code == 1, "exit status %r" % code)
    finally:
        os.environ["DISPLAY"] = own
        if app:
            app.kill()
        if server.poll() is None:
            server.kill()
            server.wait()


def test():
    book, shelf = make_work()
    saved_on_sigterm(book, shelf)
    book = rename_dialog_open(os.path.join(os.path.dirname(book), "第1巻.zip"))
    message_box_and_menu_open(book)
    second_signal_ends_at_once(book)
    book, shelf = make_work()
    saved_when_the_display_goes(book, shelf)


if __name__ == "__main__":
    harness.main(test)
