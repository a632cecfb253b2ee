"""Books that cannot be shown, in the real window: an open asked for through the menu while a
long listing runs is refused with its box, and the book being listed, which has no pictures,
then opens empty with its box and its title. (What each failure leaves is the reading model's
rule, tested in tests/reading: a missing archive, an archive without pictures, a name nothing
reads.)"""
import os
import tempfile
import zipfile

import harness
from harness import App, check


def second_open_refused(work):
    # A book with this many entries takes seconds to list, and the listing lets events run.
    big = os.path.join(work, "big.zip")
    with zipfile.ZipFile(big, "w", zipfile.ZIP_STORED) as z:
        for i in range(100000):
            z.writestr("t%06d.txt" % i, b"")
    other = harness.make_book(os.path.join(work, "other.zip"), ["60x80#c83232"], zip=True)
    app = App([big], answers=[("ファイルを開く", 0, other), ("エラー", 0, ""), ("Error", 0, "")])
    try:
        app.key("alt+f", "o")
        app.wait_trace(r"dialog \[エラー\] 他のファイルを開いている途中です")
        app.wait_trace(r"dialog \[Error\] jpegファイルが無いので開けません\n\(%s\)" % big.replace(".", r"\."))
        check(app.proc.poll() is None, "the program ended")
        check(app.title().endswith("big.zip (0 pages)"), "the first open did not finish: %r" % app.title())
    finally:
        app.kill()


def test():
    second_open_refused(tempfile.mkdtemp(prefix="mekuri-fail-"))


if __name__ == "__main__":
    harness.main(test)
