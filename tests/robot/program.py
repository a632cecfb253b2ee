"""The program under test: started with the test-only windows open (probe pipe, state trace,
small cache limit, answer file, settings folders of its own), its trace read as it grows, and
the X input that drives it.

Every wait here polls a condition with a time limit; nothing sleeps a fixed time except the
short pauses xdotool needs between the presses of one gesture (said where they are).
"""
import os
import re
import signal
import subprocess
import time


class Ended(Exception):
    """The program is no longer running."""


def poll(condition, timeout, interval=0.02):
    """Calls `condition` until it returns something true, at most `timeout` seconds; returns
    its last value (false when the time ran out)."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def xdo(*args):
    """Runs one xdotool command; X errors (a window gone meanwhile) are not the robot's fault."""
    subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def xdo_out(*args):
    r = subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, text=True, check=False)
    return r.stdout


def geometry(window):
    values = {}
    for line in xdo_out("getwindowgeometry", "--shell", window).split():
        if "=" in line:
            k, v = line.split("=", 1)
            values[k] = v
    try:
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
    except (KeyError, ValueError):
        return None


def visible_windows():
    """(id, UTF-8 title) of every visible window (the robot's X server runs only the program);
    xdotool's own name search cannot match the Japanese titles, so each name is read."""
    found = []
    for window in xdo_out("search", "--onlyvisible", "--name", ".").split():
        found.append((window, xdo_out("getwindowname", window).rstrip("\n")))
    return found


_ROOT = []


def root_window():
    if not _ROOT:
        out = subprocess.run(["xwininfo", "-root"], stdout=subprocess.PIPE, text=True).stdout
        _ROOT.append(re.search(r"Window id: (0x[0-9a-f]+)", out).group(1))
    return _ROOT[0]


STATE = re.compile(r"^state: (.*)$", re.M)


def parse_state(line):
    fields = {}
    for part in line.split("\t"):
        if "=" in part:
            k, v = part.split("=", 1)
            fields[k] = v
    for k in ("line", "page", "pages", "shift", "binding", "mode", "catsel", "catentries",
              "catrename", "catscroll", "resume", "printdowns"):
        fields[k] = int(fields.get(k, "0") or 0)
    fields["windows"] = [w for w in fields.get("windows", "").split(",") if w]
    try:
        fields["view"] = tuple(int(v) for v in fields.get("view", "").split(","))
    except ValueError:
        fields["view"] = (0, 0, 0, 0)
    return fields


class Program:
    """One run of the program."""

    def __init__(self, binary, args, env, workdir, cwd=None):
        self.binary = binary
        self.workdir = workdir
        self.trace_path = os.path.join(workdir, "trace-%d.txt" % time.time_ns())
        self.probe_path = os.path.join(workdir, "probe")
        if not os.path.exists(self.probe_path):
            os.mkfifo(self.probe_path)
        environment = dict(os.environ)
        environment.update(env)
        environment["MEKURI_TEST_PROBE"] = self.probe_path
        environment["MEKURI_TEST_STATE"] = "1"
        self.trace_file = open(self.trace_path, "wb")
        self.proc = subprocess.Popen([binary] + list(args), stderr=self.trace_file,
                                     stdout=subprocess.DEVNULL, env=environment, cwd=cwd)
        # Held open for writing so pings never block and the program never sees the pipe end.
        self.probe = os.open(self.probe_path, os.O_RDWR | os.O_NONBLOCK)
        self.pings = 0
        self.text = ""
        self.read_bytes = 0
        self.window = None
        self.x = self.y = self.w = self.h = 0

    # --- trace ---------------------------------------------------------------------------

    def trace(self):
        """The whole trace so far, up to its last complete line (read incrementally)."""
        with open(self.trace_path, "rb") as f:
            f.seek(self.read_bytes)
            chunk = f.read()
        end = chunk.rfind(b"\n") + 1
        self.read_bytes += end
        self.text += chunk[:end].decode("utf-8", "replace")
        return self.text

    def mark(self):
        """A position in the trace; `since(mark)` gives what came after it."""
        return len(self.trace())

    def since(self, mark):
        return self.trace()[mark:]

    def wait_trace(self, pattern, mark=0, timeout=10):
        """The first match of `pattern` after `mark`, or None when the time ran out or the
        program ended."""
        regex = re.compile(pattern, re.M)

        def found():
            m = regex.search(self.trace(), mark)
            if m:
                return m
            if not self.running():
                raise Ended()
            return None

        return poll(found, timeout)

    def last_state(self, mark=0):
        found = STATE.findall(self.trace(), mark)
        return parse_state(found[-1]) if found else None

    # --- liveness --------------------------------------------------------------------------

    def running(self):
        return self.proc.poll() is None

    def ping(self, timeout=5):
        """True when the UI thread answered within `timeout` seconds."""
        self.pings += 1
        n = self.pings
        mark = self.mark()
        try:
            os.write(self.probe, b"ping %d\n" % n)
        except OSError:
            return False
        try:
            return self.wait_trace(r"^probe: alive %d$" % n, mark, timeout) is not None
        except Ended:
            return False

    def state(self):
        """The state line the last answered ping came with."""
        return self.last_state()

    def rss_kb(self):
        try:
            with open("/proc/%d/status" % self.proc.pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return None

    def stacks(self):
        """Every thread's stack taken with gdb, or why that was impossible."""
        try:
            r = subprocess.run(["gdb", "-batch", "-p", str(self.proc.pid), "-ex",
                                "thread apply all bt"], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, timeout=60)
        except (OSError, subprocess.TimeoutExpired) as why:
            return "gdb could not run: %s" % why
        out = r.stdout
        if "ptrace" in out and ("not permitted" in out or "Operation not permitted" in out):
            return "the machine refused gdb's attach (ptrace):\n" + out[-1500:]
        return out

    # --- windows and input -------------------------------------------------------------------

    def wait_main_window(self, timeout=20):
        def found():
            if not self.running():
                raise Ended()
            for window, name in visible_windows():
                if name == "Mekuri" or name.endswith("pages)"):
                    g = geometry(window)
                    if g and g[2] > 300:
                        return window, g
            return None

        result = poll(found, timeout, 0.1)
        if not result:
            return False
        self.window, (self.x, self.y, self.w, self.h) = result
        return True

    def find_window(self, title=None, size=None):
        """The geometry of this program's visible window with that title or size."""
        for window, name in visible_windows():
            if title is not None and name != title:
                continue
            g = geometry(window)
            if g and (size is None or g[2:] == size):
                return window, g
        return None

    def front(self, window=None):
        """Raises a window over the others, as a click on its frame would: the catalog window
        covers most of the main window on the robot's screen."""
        xdo("windowraise", window or self.window)
        # The keyboard goes to the window given the input focus. Focusing the root window
        # first makes the server send the window a FocusIn even when it had the focus already:
        # that event is what moves the toolkit's focus back into it (after a modal window was
        # deleted the toolkit's focus is nowhere, and keys would be lost).
        xdo("windowfocus", root_window())
        xdo("windowfocus", window or self.window)

    def key(self, *keys, over=None):
        """Presses keys with the pointer over a point of the main window (no window manager:
        the window under the pointer has the keyboard)."""
        self.front()
        px, py = over or (self.w // 2 + 40, self.h // 2)
        xdo("mousemove", self.x + px, self.y + py)
        for k in keys:
            xdo("key", k)

    def click(self, x, y, button=1, repeat=1):
        self.front()
        xdo("mousemove", self.x + x, self.y + y, "click", "--repeat", repeat, "--delay", 60,
            button)

    def quit(self, timeout=20):
        """Waits for the program to end; True when it ended with status 0."""
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        return code

    def kill(self):
        if self.running():
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.close_files()

    def close_files(self):
        if self.probe is not None:
            os.close(self.probe)
            self.probe = None
        if not self.trace_file.closed:
            self.trace_file.close()
