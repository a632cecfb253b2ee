"""Books that cannot be shown: a missing ZIP, a ZIP without pictures, a name nothing reads."""
import os
import subprocess
import tempfile
import zipfile

import harness
from harness import App, check


def run_with(path, expected_box):
    app = App([path], answers=[("Error", 0, "")])
    try:
        app.wait_trace(expected_box)
        check(app.proc.poll() is None, "the program ended")
        return app.title()
    finally:
        app.kill()


def test():
    work = tempfile.mkdtemp(prefix="mekuri-fail-")
    missing = os.path.join(work, "missing.zip")
    title = run_with(missing, r"dialog \[Error\] ファイル\(%s\)を開けません" % missing.replace(".", r"\."))
    check(title == "Mekuri", "title after a failed open is %r" % title)

    text_only = os.path.join(work, "notes.zip")
    with zipfile.ZipFile(text_only, "w") as z:
        z.writestr("readme.txt", "no pictures here")
    title = run_with(text_only, r"dialog \[Error\] jpegファイルが無いので開けません\n\(%s\)" % text_only.replace(".", r"\."))
    check(title.endswith("notes.zip (0 pages)"), "title of an empty book is %r" % title)

    other = os.path.join(work, "unknown.xyz")
    run_with(other, r"jpegファイルが無いので開けません")

    second_open_refused(work)


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
        check(app.title().endswith("big.zip (0 pages)"), "the first open did not finish: %r" % app.title())
    finally:
        app.kill()


if __name__ == "__main__":
    harness.main(test)
