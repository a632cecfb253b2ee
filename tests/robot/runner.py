#!/usr/bin/env python3
"""The reading robot: uses the real program the way readers do, in random but replayable order,
and checks after every action that nothing hung, crashed, grew beyond its bounds or touched a
file it was not asked to. Runs under an X server of its own (scripts/soak.sh starts one).

    runner.py --build DIR [--minutes M] [--seed S]        soak: runs with seeds S, S+1, ...
    runner.py --build DIR --replay SEED [--steps N]       the run of SEED again, exactly
    ... --shrink                                          on a failure, look for a short one

Every run has a seed; its steps (action, step seed) follow from the seed alone, so a replay
repeats it exactly, with fresh settings and state folders of its own. Ends with the line
"soak: N actions, K failures, seed S".
"""
import argparse
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "gui"))

import action_table  # noqa: E402
import library  # noqa: E402
from program import Ended  # noqa: E402
from robot import Failure, Robot  # noqa: E402

BY_NAME = {name: fn for name, _, fn in action_table.ACTIONS}
FINAL_KINDS = {"lost", "final"}


ONLY = None  # action names a focused soak is limited to (--actions), or None for all


def steps_of(seed):
    """The endless step list of a run: (action name, step seed)."""
    rng = random.Random(seed)
    table = [a for a in action_table.ACTIONS if ONLY is None or a[0] in ONLY]
    names = [name for name, _, _ in table]
    weights = [w for _, w, _ in table]
    while True:
        yield rng.choices(names, weights)[0], rng.getrandbits(32)


def take(seed, count):
    gen = steps_of(seed)
    return [next(gen) for _ in range(count)]


class Run:
    """The outcome of one run: what was done, and the failure if any."""

    def __init__(self):
        self.done = []  # (name, step seed, description)
        self.failure = None
        self.failed_at = None


def run_steps(context, steps, deadline=None, final=True):
    """Runs the steps on a fresh library and program; stops at the first failure or when the
    deadline passes, then checks the end of the run."""
    run = Run()
    robot = Robot(context.build, context.master, context.books, context.cups, context.options)
    try:
        robot.start()
        for name, step_seed in steps:
            if deadline and time.monotonic() > deadline:
                break
            program, mark = robot.program, robot.program.mark()
            try:
                try:
                    what = BY_NAME[name](robot, random.Random(step_seed))
                except Failure:
                    run.done.append((name, step_seed, name + " (failed here)"))
                    raise
                run.done.append((name, step_seed, what))
                robot.after_action(mark if robot.program is program else 0)
                if context.options.verbose:
                    print("  %4d. %s" % (len(run.done), what), flush=True)
            except Ended:
                run.done.append((name, step_seed, name + " (the program ended)"))
                robot.ended("during " + name)
        if final:
            robot.final_checks()
    except Failure as failure:
        run.failure = failure
        run.failed_at = len(run.done)
    finally:
        context.peak_kb = max(context.peak_kb, robot.peak_kb)
        if robot.program and robot.program.running():
            robot.program.kill()
        keep = run.failure is not None and context.options.keep
        if keep:
            print("robot: the failed run's folder is kept: %s" % robot.work)
        else:
            robot.cleanup()
    return run


def report(seed, run):
    print("FAIL seed %d: %s" % (seed, run.failure), flush=True)
    only = " --actions " + ",".join(sorted(ONLY)) if ONLY else ""
    print("actions (replay with --replay %d --steps %d%s):" % (seed, len(run.done), only))
    for i, (name, _, what) in enumerate(run.done, 1):
        print("  %4d. %s" % (i, what))


def fails_alike(context, steps, kind):
    run = run_steps(context, steps, final=kind in FINAL_KINDS)
    return run.failure is not None and run.failure.kind == kind, run


def shrink(context, seed, run):
    """A short step list that still fails the same way: the shortest failing prefix found by
    bisection, then single steps dropped while it still fails."""
    kind = run.failure.kind
    deadline = time.monotonic() + context.options.shrink_minutes * 60
    steps = [(n, s) for n, s, _ in run.done]
    lo, hi = 0, len(steps)  # steps[:lo] passes (assumed), steps[:hi] fails
    if kind in FINAL_KINDS:
        while hi - lo > 1 and time.monotonic() < deadline:
            mid = (lo + hi) // 2
            if fails_alike(context, steps[:mid], kind)[0]:
                hi = mid
            else:
                lo = mid
    steps = steps[:hi]
    best = None
    i = len(steps) - 2  # the last step is where it failed: keep it
    while i >= 0 and time.monotonic() < deadline:
        trial = steps[:i] + steps[i + 1:]
        alike, trial_run = fails_alike(context, trial, kind)
        if alike:
            steps, best = trial, trial_run
        i -= 1
    print("shrunk (seed %d, %s): %d actions; run them again with --run-list %s" % (
        seed, kind, len(steps), ",".join("%s:%d" % step for step in steps)))
    for i, (name, step_seed) in enumerate(steps, 1):
        what = best.done[i - 1][2] if best and i <= len(best.done) else name
        print("  %4d. %s [%s %d]" % (i, what, name, step_seed))
    if best:
        print("  fails with: %s" % str(best.failure).splitlines()[0])


class Context:
    pass


def largest_page(root):
    """The largest page of the library as a decoded picture (3 bytes a pixel), read with
    ImageMagick's identify from the library's loose pictures and the fixture books' pages."""
    largest = 1800 * 1350 * 3  # the double page of the fixture photo books
    for folder, _, files in os.walk(root):
        for name in files:
            if name.lower().endswith((".jpg", ".jpeg", ".png", ".gif", ".bmp", ".tif", ".webp")):
                r = subprocess.run(["identify", "-format", "%w %h\n", os.path.join(folder, name)],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
                for line in r.stdout.splitlines()[:1]:
                    w, h = map(int, line.split())
                    largest = max(largest, w * h * 3)
    return largest


def start_cups():
    try:
        from private_cupsd import PDF_PPD, PrivateCupsd, Unavailable
    except ImportError:
        return None
    cups = PrivateCupsd()
    try:
        cups.start()
        cups.add_printer("mekuri-pdf", PDF_PPD, "book.pdf")
        cups.run(["lpadmin", "-d", "mekuri-pdf"])
    except Unavailable as why:
        print("robot: printing skipped: no private CUPS scheduler (%s)" % why)
        cups.stop()
        return None
    return cups


def main():
    # Ended from outside: leave through the finally blocks (the scheduler and the program
    # are stopped there) instead of dying on the spot.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--minutes", type=float, default=3)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--steps", type=int, default=60, help="actions per run")
    parser.add_argument("--runs", type=int, default=None,
                        help="at most this many runs (seeds S to S + RUNS - 1)")
    parser.add_argument("--replay", type=int, default=None, metavar="SEED")
    parser.add_argument("--run-list", default=None, metavar="ACTION:SEED,...",
                        help="run exactly these steps (as a shrink prints them)")
    parser.add_argument("--shrink", action="store_true")
    parser.add_argument("--shrink-minutes", type=float, default=20)
    parser.add_argument("--cache-limit", type=int, default=32000000)
    parser.add_argument("--sanitized", action="store_true",
                        help="a sanitizer build: no memory bound, longer time limits")
    parser.add_argument("--actions", default=None,
                        help="comma-separated action names: a soak of those only")
    parser.add_argument("--verbose", action="store_true", help="print every action")
    parser.add_argument("--keep", action="store_true", help="keep a failed run's folder")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    global ONLY
    if options.actions:
        ONLY = set(options.actions.split(","))
        unknown = ONLY - set(BY_NAME)
        if unknown:
            parser.error("unknown actions: " + ", ".join(sorted(unknown)))
    options.slow = options.sanitized
    options.time_factor = 4 if options.sanitized else 1
    options.suppressions = os.path.join(HERE, "lsan.supp")

    context = Context()
    context.options = options
    context.build = options.build
    context.peak_kb = 0
    master = tempfile.mkdtemp(prefix="mekuri-robot-library-")
    context.master = os.path.join(master, "library")
    context.books = library.build_master(options.build, context.master)
    options.largest_page = largest_page(context.master)
    context.cups = start_cups()

    seed = options.replay if options.replay is not None else 0 if options.run_list else (
        options.seed if options.seed is not None else random.randrange(1, 1 << 30))
    total, failures = 0, 0
    try:
        if options.replay is not None or options.run_list:
            steps = take(seed, options.steps) if options.run_list is None else [
                (item.split(":")[0], int(item.split(":")[1])) for item in options.run_list.split(",")]
            run = run_steps(context, steps)
            total, failures = len(run.done), int(run.failure is not None)
            if run.failure:
                report(seed, run)
                if options.shrink:
                    shrink(context, seed, run)
        else:
            deadline = time.monotonic() + options.minutes * 60
            run_seed = seed
            while time.monotonic() < deadline and (
                    options.runs is None or run_seed < seed + options.runs):
                run = run_steps(context, take(run_seed, options.steps), deadline)
                total += len(run.done)
                print("robot: run %d: %d actions%s" % (run_seed, len(run.done),
                      ", FAILED" if run.failure else ""), flush=True)
                if run.failure:
                    failures += 1
                    report(run_seed, run)
                    if options.shrink:
                        shrink(context, run_seed, run)
                run_seed += 1
    finally:
        if context.cups:
            context.cups.stop()
        import shutil
        shutil.rmtree(master, ignore_errors=True)
    if context.peak_kb:
        print("robot: peak resident memory %d kB" % context.peak_kb)
    print("soak: %d actions, %d failures, seed %d" % (total, failures, seed), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
