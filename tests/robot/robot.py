"""One run of the robot: a fresh library, a fresh program, the actions of a step list, and the
invariants after every action and at the end."""
import os
import re
import shutil
import tempfile

import actions
import invariants
import library
from program import Program, geometry, poll, visible_windows, xdo
from world import World

DIALOG = re.compile(r"^dialog \[(.*?)\] (.*)$", re.M)
ANSWERED = re.compile(r"^dialog answered: button \d+$", re.M)


NOTES = set()


class Failure(Exception):
    """An invariant broke; `kind` groups failures for shrinking."""

    def __init__(self, kind, text):
        super().__init__("%s: %s" % (kind, text))
        self.kind, self.text = kind, text


class Robot:
    def __init__(self, build, master, books, cups, options):
        self.build = build
        self.binary = os.path.join(build, "bin", "mekuri")
        self.cups = cups
        self.options = options
        self.work = tempfile.mkdtemp(prefix="mekuri-robot-")
        self.root = os.path.join(self.work, "library")
        shutil.copytree(master, self.root)
        self.sums = library.checksums(self.root)
        self.world = World(self.root, books, self.sums)
        self.answers = None
        self.starts = 0
        self.fresh_answers = False
        for sub in ("config", "state", "home", "san"):
            os.makedirs(os.path.join(self.work, sub))
        self.program = None
        self.appended = 0
        self.baseline_kb = None
        self.peak_kb = 0
        self.largest_page = options.largest_page

    # --- the program ---------------------------------------------------------------------

    def env(self):
        env = {
            "MEKURI_DIALOG_ANSWERS": self.answers,
            "MEKURI_TEST_CACHE_LIMIT": str(self.options.cache_limit),
            "XDG_CONFIG_HOME": os.path.join(self.work, "config"),
            "XDG_STATE_HOME": os.path.join(self.work, "state"),
            "HOME": os.path.join(self.work, "home"),
            "LSAN_OPTIONS": "suppressions=%s:print_suppressions=0" % self.options.suppressions,
        }
        san = os.path.join(self.work, "san", "san")
        env["ASAN_OPTIONS"] = "detect_leaks=1:log_path=%s:%s" % (san, os.environ.get("ASAN_OPTIONS", ""))
        env["UBSAN_OPTIONS"] = "print_stacktrace=1:log_path=%s" % san
        env["TSAN_OPTIONS"] = "log_path=%s:second_deadlock_stack=1:suppressions=%s" % (
            san, os.path.join(os.path.dirname(os.path.abspath(__file__)), "tsan.supp"))
        if self.cups:
            env.update(self.cups.env())
            env["HOME"] = os.path.join(self.work, "home")
        return env

    def new_answer_file(self):
        """Each program reads its answer file from the start: it gets a file of its own, so
        that the answers an earlier program used are not offered again. Answers for what the
        next program does at start-up are appended after this and before start()."""
        self.starts += 1
        self.answers = os.path.join(self.work, "answers-%d" % self.starts)
        open(self.answers, "w").close()
        self.appended = 0
        self.fresh_answers = True

    def start(self, args=()):
        if not self.fresh_answers:
            self.new_answer_file()
        self.fresh_answers = False
        self.program = Program(self.binary, list(args), self.env(), self.work, cwd=self.root)
        if not self.program.wait_main_window(60 if self.options.slow else 20):
            raise Failure("start", "no main window appeared:\n" + self.program.trace()[-3000:])
        if not self.program.ping(30 if self.options.slow else 5):
            self.hang("start")
        if self.baseline_kb is None:
            self.baseline_kb = self.program.rss_kb()
        self.world.expected_zoom = None

    def stop(self):
        if self.program:
            self.program.kill()

    # --- answers ---------------------------------------------------------------------------

    def answer(self, title, button=0, value=""):
        """Appends an answer before the action that will ask for it."""
        with open(self.answers, "a", encoding="utf-8") as f:
            f.write("%s\t%d\t%s\n" % (title, button, value))
        self.appended += 1

    def withdraw(self):
        with open(self.answers, "a") as f:
            f.write("withdraw\n")

    # --- waiting ---------------------------------------------------------------------------

    def wait(self, pattern, mark, timeout=10):
        """A trace line after `mark`; None when it did not come in time."""
        return self.program.wait_trace(pattern, mark, timeout * self.options.time_factor)

    def wait_state(self, check, timeout=10):
        """Pings until the state line satisfies `check`; returns the state (or the last one)."""
        def good():
            if not self.program.ping(5 * self.options.time_factor):
                self.hang("waiting for the state")
            s = self.program.state()
            return s if s and check(s) else None
        return poll(good, timeout * self.options.time_factor, 0.05) or self.program.state()

    def state(self):
        if not self.program.ping(5 * self.options.time_factor):
            self.hang("probe")
        return self.program.state()

    def fail(self, kind, text):
        raise Failure(kind, text)

    def note(self, text):
        """Says something once per soak."""
        if text not in NOTES:
            NOTES.add(text)
            print("robot: " + text, flush=True)

    # --- invariants after an action ----------------------------------------------------------

    def ended(self, where):
        """The program ended by itself: a sanitizer's report says why, when there is one."""
        self.check_sanitizers()
        raise Failure("crash", "the program ended (status %s) %s\n%s" % (
            self.program.proc.returncode, where, self.program.trace()[-4000:]))

    def hang(self, where):
        if not self.program.running():
            self.ended(where)
        stacks = self.program.stacks()
        trace = self.program.trace()[-4000:]
        self.program.kill()
        raise Failure("hang", "the UI thread did not answer the probe within 5 s (%s)\n"
                      "---- last trace lines\n%s\n---- stacks\n%s" % (where, trace, stacks))

    def after_action(self, mark, quitting=False):
        p = self.program
        if not p.running():
            if quitting:
                return
            self.ended("after the action")
        if not p.ping(5 * self.options.time_factor):
            self.hang("after the action")
        self.check_boxes(mark)
        state = p.state()
        if re.fullmatch(r"\d+", state["zoom"]):
            self.world.zoom_max = max(self.world.zoom_max, float(state["zoom"]) + 1)
        bad = invariants.state_agrees(state, self.world)
        if bad:
            raise Failure("state", "; ".join(bad) + "\nstate: %r" % state)
        self.check_sanitizers()
        self.check_memory()

    def check_boxes(self, mark):
        """Every box asked for after `mark` was answered; a real one is a failure, dismissed
        first so that the run can end in order."""
        text = self.program.since(mark)
        asked = DIALOG.findall(text)
        answered = len(ANSWERED.findall(text))
        if self.appended > answered:
            self.withdraw()
        self.appended = 0
        if len(asked) <= answered:
            return
        # Which one was not answered: a request followed by no answer line.
        requests = list(DIALOG.finditer(text))
        real = []
        for i, m in enumerate(requests):
            end = requests[i + 1].start() if i + 1 < len(requests) else len(text)
            if ANSWERED.search(text, m.end(), end):
                continue
            # The catalog search's method question is answered only when asked to change it.
            if m.group(1) == "ファイル名検索" and m.group(2).startswith("検索方法"):
                continue
            full = text[m.start():min(end, m.start() + 600)].rstrip("\n")
            real.append(full)
        if real:
            self.dismiss_boxes()
            raise Failure("box", "a box nobody expected was shown:\n" + "\n".join(real))

    def dismiss_boxes(self):
        for _ in range(5):
            state = self.state()
            boxes = [w for w in state["windows"] if w.startswith("box:")]
            if not boxes:
                return
            for window, name in visible_windows():
                if "box:" + name in boxes:
                    g = geometry(window)
                    if g:
                        xdo("mousemove", g[0] + g[2] // 2, g[1] + 10, "key", "Escape")
            self.wait_state(lambda s: not any(w.startswith("box:") for w in s["windows"]), 3)

    def check_sanitizers(self):
        bad = invariants.sanitizer_reports(os.path.join(self.work, "san"), self.program.since(0)[-200000:])
        if bad:
            raise Failure("sanitizer", "\n".join(bad))

    def check_memory(self):
        if self.options.sanitized or self.baseline_kb is None:
            return
        rss = self.program.rss_kb()
        if rss is None:
            return
        self.peak_kb = max(self.peak_kb, rss)
        bound = invariants.memory_bound(self.baseline_kb, self.options.cache_limit,
                                        self.largest_page, self.world.zoom_max)
        if rss > bound:
            raise Failure("memory", "resident memory %d kB, bound %d kB (baseline %d kB, cache "
                          "limit %d, largest page %d bytes, zoom up to %.0f %%)"
                          % (rss, bound, self.baseline_kb, self.options.cache_limit,
                             self.largest_page, self.world.zoom_max))

    # --- the end of a run --------------------------------------------------------------------

    def quit_program(self):
        """Quits through the menu; the program must end with status 0."""
        p = self.program
        if not p.running():
            return
        # A window left open by an action that went wrong takes no quit: close it as a user would.
        state = self.state()
        for which in ("property", "catproperty"):
            if which in state["windows"]:
                actions.close_property_window(self, which)
        self.answer("ファイル名変更失敗", 0)
        mark = p.mark()
        p.key("alt+q")
        code = p.quit(30 * self.options.time_factor)
        if code is None:
            if p.ping(5 * self.options.time_factor):
                raise Failure("quit", "the program still runs 30 s after 終了:\n%s"
                              % p.since(mark)[-3000:])
            self.hang("quit")
        if code != 0:
            self.check_sanitizers()
            raise Failure("crash", "the program ended with status %s at quit\n%s"
                          % (code, p.since(mark)[-3000:]))
        self.check_boxes(mark)
        self.check_sanitizers()
        p.close_files()

    def final_checks(self):
        """Each catalog folder opened and closed once more in the catalog window, then its
        catalog file and every original file checked."""
        self.quit_program()
        self.start()
        for folder in self.world.folders():
            if not any(n.lower().endswith(library.CATALOG_PATTERNS) for n in os.listdir(folder)):
                continue
            mark = self.program.mark()
            self.answer("フォルダを選んでください", 0, folder)
            self.program.key("alt+a")
            actions.wait_building(self, mark, folder)
            cat = self.program.find_window(title=folder)
            if cat:
                xdo("mousemove", cat[1][0] + 100, cat[1][1] + 100, "key", "alt+c")
            self.wait_state(lambda s: "catalog" not in s["windows"], 10)
            self.after_action(mark)
            self.world.catalog_folders.add(folder)
        self.quit_program()
        bad = []
        for folder in sorted({self.world.current(f) for f in self.world.catalog_folders} - {None}):
            bad += invariants.catalog_lists_archives(folder)
        bad += invariants.nothing_lost(self.root, self.sums, library.checksums(self.root),
                                       self.world.renames)
        if bad:
            raise Failure("lost", "\n".join(bad))

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.work, ignore_errors=True)
