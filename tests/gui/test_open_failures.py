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


if __name__ == "__main__":
    harness.main(test)
