"""Drives the real program under Xvfb for the GUI tests.

Each test script runs inside its own `xvfb-run` (DISPLAY is set), starts the program with
App(...), reads its trace lines from standard error, presses keys and clicks with xdotool, and
checks screenshots pixel by pixel.
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


def wait_for(condition, message, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if condition():
            return
        time.sleep(0.05)
    raise Failure(message)


def check(condition, message):
    if not condition:
        raise Failure(message)


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

    def __init__(self, args=(), answers=None, cwd=None, env=None):
        self.trace_path = tempfile.mktemp(prefix="mekuri-trace-", suffix=".txt")
        environment = dict(os.environ)
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
        deadline = time.time() + timeout
        while time.time() < deadline:
            check(self.proc.poll() is None, "the program ended early:\n" + self.trace())
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            ids = r.stdout.split()
            if ids:
                time.sleep(0.3)  # let the first draw finish
                return ids[0]
            time.sleep(0.1)
        raise Failure("no window named %r appeared" % name)

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
        deadline = time.time() + timeout
        while time.time() < deadline:
            m = re.search(pattern, self.trace(), re.M)
            if m:
                return m
            time.sleep(0.05)
        raise Failure("trace never matched %r:\n%s" % (pattern, self.trace()[-3000:]))

    def key(self, *keys):
        """Presses keys with the pointer over the window (no window manager gives focus)."""
        run(["xdotool", "mousemove", str(self.x + self.w // 2), str(self.y + self.h // 2)])
        for k in keys:
            run(["xdotool", "key", k])
            time.sleep(0.25)
        time.sleep(0.3)

    def count(self, text):
        return self.trace().count(text)

    def click(self, x, y, button=1):
        """Clicks at window coordinates."""
        run(["xdotool", "mousemove", str(self.x + x), str(self.y + y), "click", str(button)])
        time.sleep(0.3)

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
