"""Help opens the help page with xdg-open and watches it without blocking the window: a viewer
that cannot be started or that fails is reported, one that succeeds is not."""
import os
import stat
import tempfile

import harness
from harness import App, check

FAKE = """#!/bin/sh
# Stands in for xdg-open: records the page it was asked to open, then succeeds or fails.
echo "$1" >> "%(log)s"
read code < "%(mode)s"
exit $code
"""


def test():
    work = tempfile.mkdtemp(prefix="mekuri-help-")
    bin_dir = os.path.join(work, "bin")
    os.mkdir(bin_dir)
    log, mode = os.path.join(work, "opened.txt"), os.path.join(work, "mode")
    viewer = os.path.join(bin_dir, "xdg-open")
    with open(viewer, "w") as f:
        f.write(FAKE % {"log": log, "mode": mode})
    os.chmod(viewer, stat.S_IRWXU)
    page = os.path.join(os.path.dirname(harness.BIN), "mekuri.html")
    failure = r"dialog \[HELP ERROR\] HELPファイルを開けませんでした\n\(%s\)" % page.replace(".", r"\.")

    app = App(answers=[("HELP ERROR", 0, ""), ("HELP ERROR", 0, "")],
              env={"PATH": bin_dir})
    try:
        with open(mode, "w") as f:
            f.write("0")
        app.key("alt+h", "h")
        app.wait_trace(r"^help: xdg-open ended with 0$")
        check(open(log).read().split() == [page], "the viewer was asked for %r" % open(log).read())
        check(app.count("dialog [HELP ERROR]") == 0, "a viewer that succeeded was reported")

        with open(mode, "w") as f:
            f.write("4")
        app.key("alt+h", "h")
        app.wait_trace(r"^help: xdg-open ended with 4$")
        app.wait_trace(failure)

        os.unlink(viewer)
        app.key("alt+h", "h")
        harness.wait_for(lambda: app.trace().count("dialog [HELP ERROR]") == 2,
                         "a missing xdg-open was not reported:\n" + app.trace()[-2000:])
        app.wait_trace(r"^help: xdg-open could not be started")
        check(app.proc.poll() is None, "the program ended")
    finally:
        app.kill()


if __name__ == "__main__":
    harness.main(test)
