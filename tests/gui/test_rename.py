"""Renaming the open book through its dialog: the new name takes effect when the book is closed;
refused names keep the dialog open with their box, and its restore button brings back the
book's own name. (The rules of names, and a name another file took before the close, are the
reading model's, tested in tests/reading.)"""
import os
import tempfile

import harness
from harness import App, check
from test_catalog import Catalog, catalog_names, main_window_keys

PAGES = ["200x300#c83232", "200x300#32c832"]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def rename_then_close(work):
    book = harness.make_book(os.path.join(work, "vol1.zip"), PAGES, zip=True)
    original = read(book)
    app = App([book], answers=[("ファイル名を変更", 0, "第1巻.zip")])
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+f", "r")
        app.wait_trace(r"dialog \[ファイル名を変更\]")
        check(os.path.exists(book), "renamed before the book was closed")
        app.key("alt+c")
        renamed = os.path.join(work, "第1巻.zip")
        harness.wait_for(lambda: os.path.exists(renamed), "the book was not renamed at close")
        check(not os.path.exists(book), "the old name is still there")
        check(read(renamed) == original, "the renamed file's bytes changed")
        check(app.title() == "Mekuri", "title after close is %r" % app.title())
    finally:
        app.kill()


def refused_names(work):
    book = harness.make_book(os.path.join(work, "vol3.zip"), PAGES, zip=True)
    harness.make_book(os.path.join(work, "exists.zip"), PAGES, zip=True)
    answers = [("ファイル名を変更", 0, "exists.zip"), ("エラー", 0, ""),
               ("ファイル名を変更", 0, "a/b.zip"), ("エラー", 0, ""),
               ("ファイル名を変更", 0, "_$Mekuri.BIN"), ("エラー", 0, ""),
               ("ファイル名を変更", 2, ""), ("ファイル名を変更", 0, "vol3.zip")]
    app = App([book], answers=answers)
    try:
        app.wait_trace(r"miniunzip extractor called")
        app.key("alt+f", "r")
        app.wait_trace(r"dialog \[エラー\] 同名のファイルが存在します")
        app.wait_trace(r"dialog \[エラー\] このファイル名は使えません")
        # The catalog file's name, in any letter case, is refused like an unusable one.
        harness.wait_for(lambda: app.count("dialog [エラー] このファイル名は使えません") == 2,
                         "the catalog file's name was accepted:\n" + app.trace())
        app.key("alt+c")
        harness.wait_for(lambda: app.title() == "Mekuri", "the book did not close")
        check(os.path.exists(book), "restoring the original name still moved the file")
        check(app.count("ERROR rename") == 0, "a rename was attempted:\n" + app.trace())
    finally:
        app.kill()


def catalog_follows(work):
    """A catalog window open on the book's folder gives the renamed book's cell the new name,
    thumbnail kept, and saves it so."""
    folder = os.path.join(work, "shelf")
    os.mkdir(folder)
    book = harness.make_book(os.path.join(folder, "vol1.zip"), PAGES, zip=True)
    harness.make_book(os.path.join(folder, "vol2.zip"), PAGES, zip=True)
    app = App([folder], answers=[("フォルダを開く", 0, "カタログを開く"), ("ファイルを開く", 0, book),
                                 ("ファイル名を変更", 0, "第1巻.zip")])
    try:
        catalog = Catalog(app, folder)
        app.wait_trace(r"^monitor destructer called\.$", timeout=60)
        main_window_keys(app, "alt+f", "o")
        harness.wait_for(lambda: app.title().startswith(book), "the book did not open")
        main_window_keys(app, "alt+f", "r", "alt+c")
        harness.wait_for(lambda: os.path.exists(os.path.join(folder, "第1巻.zip")),
                         "the book was not renamed at its close")
        catalog.key("alt+q")
        app.wait_exit()
    finally:
        app.kill()
    names = catalog_names(folder)
    check(names == {"第1巻.zip": 1, "vol2.zip": 1}, "the catalog file records %r" % names)
    check(app.count("getthumbnail in") == 2, "a thumbnail was made again:\n" + app.trace())


def test():
    work = tempfile.mkdtemp(prefix="mekuri-rename-")
    rename_then_close(work)
    refused_names(work)
    catalog_follows(work)


if __name__ == "__main__":
    harness.main(test)
