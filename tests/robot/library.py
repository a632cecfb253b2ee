"""The robot's library: books of every kind the program opens, broken and hostile books, and
catalog folders with and without a catalog file. Made once per soak into a master folder and
copied fresh for every run, with a checksum of every file taken before the run starts.
"""
import hashlib
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.normpath(os.path.join(HERE, "..", "fixtures"))
CATALOG_FILE = "_$mekuri.bin"
# The archives a catalog lists: *.zip and the archive plug-ins' patterns, letter case ignored.
CATALOG_PATTERNS = (".zip", ".lzh", ".lha", ".rar", ".7z", ".tar", ".cbr", ".cb7", ".cbt",
                    ".cbz")
RECORD = 49696


class SjisInfo(zipfile.ZipInfo):
    """A ZIP member whose name is stored in Shift-JIS without the UTF-8 flag, as Japanese
    archivers on Windows write them."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits


class Book:
    """One book of the library. `pages` is the page count the program must show (None: learnt
    at the first open and then held to); `fails` is True when opening it must show an error
    box, None when it may."""

    def __init__(self, path, pages=None, fails=False):
        self.path, self.pages, self.fails = path, pages, fails


def make_pages(build, folder, pictures):
    subprocess.run([os.path.join(build, "tools", "make_book"), folder] + pictures, check=True,
                   stdout=subprocess.DEVNULL)
    return sorted(os.path.join(folder, n) for n in os.listdir(folder))


def zip_of(path, files, names=None, info=zipfile.ZipInfo):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for i, f in enumerate(files):
            member = info(names[i] if names else os.path.basename(f))
            member.compress_type = zipfile.ZIP_DEFLATED
            with open(f, "rb") as src:
                z.writestr(member, src.read())


def catalog_file(records):
    """A valid catalog file listing (name, size, mtime) records without thumbnails."""
    out = bytearray(b"mekuri catalog 0000\n")
    out += struct.pack("<ii", RECORD, len(records))
    for name, size, mtime in records:
        r = bytearray(RECORD)
        encoded = name.encode("cp932")
        r[0:len(encoded)] = encoded
        struct.pack_into("<iq", r, 512, size, mtime)
        packed = bytearray()
        i = 0
        while i < len(r):  # run-length: 0x88, byte, count (little-endian 16 bits)
            n = 1
            while i + n < len(r) and r[i + n] == r[i] and n < 65535:
                n += 1
            if n >= 5 or r[i] == 0x88:
                packed += bytes([0x88, r[i], n & 0xFF, n >> 8])
            else:
                packed += bytes([r[i]]) * n
            i += n
        out += struct.pack("<i", len(packed)) + packed
    return bytes(out)


def build_master(build, folder):
    """Makes the library under `folder`; returns the list of Books (paths relative to it)."""
    tmp = tempfile.mkdtemp(prefix="robot-pages-")
    books = []
    shelf = os.path.join(folder, "shelf")
    shelf2 = os.path.join(folder, "shelf2")
    loose = os.path.join(folder, "books")
    for d in (shelf, shelf2, loose):
        os.makedirs(d)

    colours = ["c83232", "32c832", "3232c8", "c8c832", "c832c8", "32c8c8", "808080", "e0a040"]
    plain = make_pages(build, os.path.join(tmp, "plain"),
                       ["600x900#" + c for c in colours] + ["1200x900#404040"])
    small = make_pages(build, os.path.join(tmp, "small"),
                       ["300x450#" + c for c in colours[:5]])

    def add(rel, pages=None, fails=False):
        books.append(Book(rel, pages, fails))

    # ZIP books: plain names, UTF-8 names (flagged), Shift-JIS names (unflagged), comic book.
    zip_of(os.path.join(shelf, "plain.zip"), plain)
    add("shelf/plain.zip", 9)
    zip_of(os.path.join(shelf, "第2巻.zip"), small, ["ページ%02d.jpg" % (i + 1) for i in range(5)])
    add("shelf/第2巻.zip", 5)
    zip_of(os.path.join(shelf, "sjis.zip"), small, ["頁%02d.jpg" % (i + 1) for i in range(5)],
           SjisInfo)
    add("shelf/sjis.zip", 5)
    shutil.copy(os.path.join(FIXTURES, "books", "photobook.cbz"), shelf)
    add("shelf/photobook.cbz", 14)
    # RAR 4 and LZH picture books of the fixtures; LZH made here with jlha.
    shutil.copy(os.path.join(FIXTURES, "archives", "rar4", "unrarjs_test_with_jpeg.rar"), shelf)
    add("shelf/unrarjs_test_with_jpeg.rar")
    shutil.copy(os.path.join(FIXTURES, "books", "photobook_lh5_level1.lzh"), shelf)
    add("shelf/photobook_lh5_level1.lzh", 14)
    subprocess.run(["jlha", "-cq", os.path.join(shelf, "jlha.lzh")] + [os.path.basename(p) for p in small],
                   cwd=os.path.dirname(small[0]), check=True, stdout=subprocess.DEVNULL)
    add("shelf/jlha.lzh", 5)
    # RAR 5: archives the plug-in lists but whose members are no pictures: books without pages.
    for name in ("la_rar5_compressed.rar", "la_rar5_solid.rar"):
        shutil.copy(os.path.join(FIXTURES, "archives", "rar5", name), shelf)
        add("shelf/" + name, None, None)
    # Broken and hostile: truncated, a page that fails to decode, an empty archive, text only.
    shutil.copy(os.path.join(FIXTURES, "books", "photobook_truncated.cbz"), shelf)
    add("shelf/photobook_truncated.cbz", None, None)
    bad = os.path.join(tmp, "bad.jpg")
    with open(bad, "wb") as f:
        f.write(b"\xff\xd8\xff\xe0" + b"not a picture" * 50)
    zip_of(os.path.join(shelf, "badpage.zip"), [plain[0], bad, plain[1]],
           ["p1.jpg", "p2.jpg", "p3.jpg"])
    add("shelf/badpage.zip", 3)
    zipfile.ZipFile(os.path.join(shelf, "empty.zip"), "w").close()
    add("shelf/empty.zip", None, None)
    with zipfile.ZipFile(os.path.join(shelf, "text.zip"), "w") as z:
        z.writestr("readme.txt", "no pictures here")
    add("shelf/text.zip", 0, True)
    shutil.copy(os.path.join(FIXTURES, "archives", "lzh", "malformed", "lhasa_dotdot_path.lzh"),
                shelf)
    add("shelf/lhasa_dotdot_path.lzh", None, None)

    # A folder with a catalog file already: one record stale, one with a wrong size.
    zip_of(os.path.join(shelf2, "vol1.zip"), small[:2])
    add("shelf2/vol1.zip", 2)
    zip_of(os.path.join(shelf2, "vol2.zip"), plain[2:5])
    add("shelf2/vol2.zip", 3)
    with open(os.path.join(shelf2, CATALOG_FILE), "wb") as f:
        f.write(catalog_file([("vol1.zip", 1, 1600000000), ("gone.zip", 99, 1600000000)]))

    # Loose books: solid 7z, tar, a folder of mixed formats, nested folders.
    subprocess.run(["7z", "a", "-ms=on", "-bd", "-bso0", os.path.join(loose, "solid.7z")] + small,
                   check=True, stdout=subprocess.DEVNULL)
    add("books/solid.7z")
    subprocess.run(["tar", "cf", os.path.join(loose, "book.tar")] + [os.path.basename(p) for p in small],
                   cwd=os.path.dirname(small[0]), check=True)
    add("books/book.tar")
    shutil.copytree(os.path.join(FIXTURES, "books", "photobook_folder"),
                    os.path.join(loose, "mixed"))
    add("books/mixed")
    nested = os.path.join(loose, "nested", "inner")
    os.makedirs(nested)
    for p in small[:3]:
        shutil.copy(p, nested)
    shutil.copy(plain[0], os.path.join(loose, "nested"))
    add("books/nested", 1)
    add("books/nested/inner", 3)
    shutil.rmtree(tmp)
    return books


def checksums(root):
    """{relative path: sha256} of every file under root."""
    sums = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                sums[os.path.relpath(path, root)] = hashlib.sha256(f.read()).hexdigest()
    return sums


def catalog_folders():
    return ["shelf", "shelf2"]
