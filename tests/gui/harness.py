"""Drives the real program under Xvfb for the GUI tests.

Each test script runs inside its own `xvfb-run` (DISPLAY is set), starts the program with
App(...), reads its trace lines from standard error, presses keys and clicks with xdotool, and
checks screenshots pixel by pixel.

A test never sleeps to wait for something: it polls the condition it waits for (a trace line,
a window, a pixel) with wait_for, or waits with App.idle until the program has handled the
input sent so far and painted what it changed.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

BIN = os.environ.get("MEKURI_BIN", "")
XCLOSE = os.environ.get("MEKURI_XCLOSE", "")
HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.environ.get("MEKURI_BUILD", "")
XPING = os.path.join(BUILD, "tests", "xping")


def make_book(path, pages, zip=False):
    """Writes solid-colour JPEG pages ("WxH#RRGGBB") as a folder or a ZIP archive."""
    args = [os.path.join(BUILD, "tools", "make_book")] + (["--zip"] if zip else [])
    subprocess.run(args + [path] + list(pages), check=True)
    return path


def near(actual, expected, tolerance=14):
    """True when every channel is within `tolerance` (JPEG pages are not exact)."""
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


class Failure(Exception):
    pass


def poll(condition, timeout):
    """The one way the tests wait: calls `condition` every 50 ms until it returns a true value,
    which is returned, or `timeout` seconds have passed (then its last value)."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value or time.time() >= deadline:
            return value
        time.sleep(0.05)


def wait_for(condition, message, timeout=10):
    """Polls `condition` until it returns a true value, which is returned; raises Failure with
    `message` (or what `message()` returns) after `timeout` seconds."""
    value = poll(condition, timeout)
    if not value:
        raise Failure(message() if callable(message) else message)
    return value


def stays(condition, message, duration):
    """Polls that `condition` keeps holding for `duration` seconds (nothing happens that should
    not); raises Failure with `message` as soon as it does not."""
    if poll(lambda: not condition(), duration):
        raise Failure(message() if callable(message) else message)


def window_ids(name):
    """The shown windows whose name matches the pattern `name`."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return r.stdout.split()


def check(condition, message):
    """Raises Failure with `message` (or what `message()` returns) unless `condition` holds."""
    if not condition:
        raise Failure(message() if callable(message) else message)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, **kw).stdout


class Image:
    """A screenshot: width, height and packed RGB bytes."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, w, h):
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3]
                for r in range(h)]
        return Image(w, h, b"".join(rows))

    def save_ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data)


def read_ppm(blob):
    # P6 header: magic, width, height, maxval, each separated by white space.
    fields = []
    pos = 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos) + 1
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        fields.append(blob[pos:end])
        pos = end
    pos += 1
    check(fields[0] == b"P6", "not a binary PPM")
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, blob[pos:pos + w * h * 3])


def screenshot():
    blob = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return read_ppm(blob)


def load_ppm(path):
    with open(path, "rb") as f:
        return read_ppm(f.read())


def compare(actual, expected, tolerance=40, max_fraction=0.02):
    """Fraction of pixels whose channels differ by more than `tolerance`."""
    check(actual.width == expected.width and actual.height == expected.height, "size differs")
    bad = 0
    a, e = actual.data, expected.data
    for i in range(0, len(a), 3):
        if (abs(a[i] - e[i]) > tolerance or abs(a[i + 1] - e[i + 1]) > tolerance
                or abs(a[i + 2] - e[i + 2]) > tolerance):
            bad += 1
    fraction = bad / (actual.width * actual.height)
    return fraction <= max_fraction, fraction


def screen_size():
    out = run(["xdotool", "getdisplaygeometry"]).split()
    return int(out[0]), int(out[1])


class App:
    """The program running under the test's X server."""

    def __init__(self, args=(), answers=None, cwd=None, env=None, home=None):
        """`home`: the folder holding this program's settings ("config") and reading memory
        ("state"); a fresh one by default, so that no test sees what another program kept.
        Pass an earlier App's `home` to start again where it left."""
        self.trace_path = tempfile.mktemp(prefix="mekuri-trace-", suffix=".txt")
        self.home = home or tempfile.mkdtemp(prefix="mekuri-home-")
        environment = dict(os.environ)
        environment["MEKURI_IDLE_PROBE"] = "1"  # lets idle() ask whether the program is done
        environment["XDG_CONFIG_HOME"] = os.path.join(self.home, "config")
        environment["XDG_STATE_HOME"] = os.path.join(self.home, "state")
        environment.update(env or {})
        if answers is not None:
            path = tempfile.mktemp(prefix="mekuri-answers-")
            with open(path, "w", encoding="utf-8") as f:
                for title, button, value in answers:
                    f.write("%s\t%d\t%s\n" % (title, button, value))
            environment["MEKURI_DIALOG_ANSWERS"] = path
        self.trace_file = open(self.trace_path, "wb")
        self.proc = subprocess.Popen([BIN] + list(args), stderr=self.trace_file,
                                     stdout=subprocess.DEVNULL, cwd=cwd, env=environment)
        self.window = self.wait_window("^Mekuri|pages\\)$")
        self.x, self.y, self.w, self.h = self.geometry(self.window)

    def wait_window(self, name, timeout=15):
        """The first shown window whose name matches `name`, once it has been painted."""
        def find():
            check(self.proc.poll() is None, "the program ended early:\n" + self.trace())
            ids = window_ids(name)
            return ids[0] if ids else None
        window = wait_for(find, "no window named %r appeared" % name, timeout)
        self.idle(window)
        return window

    def idle(self, window=None, timeout=10):
        """Waits until the program has handled every event sent to it so far and painted what
        they changed (timers not yet due are not waited for); `window` is any of its windows,
        the main window by default."""
        # 1: the window is gone (the program ended or is ending), and with it whatever was to be
        # waited for; the caller finds out what became of the program.
        code = subprocess.run([XPING, window or self.window, str(timeout)]).returncode
        check(code != 2 or self.proc.poll() is not None,
              lambda: "the program did not become idle:\n" + self.trace()[-3000:])

    def geometry(self, window):
        out = run(["xdotool", "getwindowgeometry", "--shell", window])
        values = dict(line.split("=") for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def title(self):
        return run(["xdotool", "getwindowname", self.window]).strip()

    def trace(self):
        with open(self.trace_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def wait_trace(self, pattern, timeout=10):
        return wait_for(lambda: re.search(pattern, self.trace(), re.M),
                        lambda: "trace never matched %r:\n%s" % (pattern, self.trace()[-3000:]),
                        timeout)

    def key(self, *keys, idle=True):
        """Presses keys with the pointer over the window (no window manager gives focus), each
        once the program has handled the one before (unless `idle` is false: a program busy
        printing handles events only between sheets)."""
        run(["xdotool", "mousemove", str(self.x + self.w // 2), str(self.y + self.h // 2)])
        for k in keys:
            run(["xdotool", "key", k])
            if idle:
                self.idle()

    def count(self, text):
        return self.trace().count(text)

    def click(self, x, y, button=1, idle=True):
        """Clicks at window coordinates and, unless `idle` is false, waits until the program has
        handled the click."""
        run(["xdotool", "mousemove", str(self.x + x), str(self.y + y), "click", str(button)])
        if idle:
            self.idle()

    def shot(self):
        """The window's pixels (a crop of the root window)."""
        return screenshot().crop(self.x, self.y, self.w, self.h)

    def close(self, timeout=15):
        """Closes the window as the window manager's close button would."""
        run([XCLOSE, self.window])
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=15):
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure("the program did not end:\n" + self.trace()[-3000:])
        self.trace_file.close()
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def main(test):
    """Runs `test()` and turns a Failure into a non-zero exit with its message."""
    try:
        test()
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
    print("ok")
