#!/usr/bin/env python3
"""The Debian package and the installed program.

Makes the package with CPack from the build in MEKURI_BUILD, unpacks it into a temporary root
with dpkg-deb and checks: the control fields, that exactly the program's files are installed and
where, the launchers, the desktop and thumbnailer entries, the icons, the manual pages, that the
program finds its plug-ins through its launcher, and the thumbnailer on real books.

Environment: MEKURI_BUILD, MEKURI_SOURCE, MEKURI_MAKE_BOOK, MEKURI_FIXTURES.
"""
import glob
import gzip
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zlib

BUILD = os.environ["MEKURI_BUILD"]
SOURCE = os.environ["MEKURI_SOURCE"]
MAKE_BOOK = os.environ["MEKURI_MAKE_BOOK"]
FIXTURES = os.environ["MEKURI_FIXTURES"]

MIME_TYPES = [
    "application/vnd.comicbook+zip", "application/vnd.comicbook-rar", "application/x-cbz",
    "application/x-cbr", "application/x-cb7", "application/zip", "application/vnd.rar",
    "application/x-7z-compressed", "application/x-lha",
]
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def run(args, timeout=60, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def read_png(path):
    """(width, height, rows of (r, g, b[, a]) tuples) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG: " + path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("unexpected PNG format %r" % (header,))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:(x + 1) * bpp]) for x in range(width)])
        previous = line
    return width, height, rows


def desktop_group(path, group):
    values, current = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                current = line
            elif current == "[%s]" % group and "=" in line:
                key, value = line.split("=", 1)
                values[key] = value
    return values


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="mekuri-package-")
        made = run(["cpack", "-G", "DEB", "-B", os.path.join(cls.work, "out"),
                    "--config", os.path.join(BUILD, "CPackConfig.cmake")], timeout=240, cwd=BUILD)
        if made.returncode != 0:
            raise AssertionError("cpack failed:\n" + made.stdout + made.stderr)
        debs = glob.glob(os.path.join(cls.work, "out", "mekuri_*.deb"))
        if len(debs) != 1:
            raise AssertionError("expected one package, found %r" % debs)
        cls.deb = debs[0]
        cls.root = os.path.join(cls.work, "root")
        unpacked = run(["dpkg-deb", "-x", cls.deb, cls.root])
        if unpacked.returncode != 0:
            raise AssertionError(unpacked.stderr)
        cls.lib = os.path.join(cls.root, "usr", "lib", "mekuri")
        cls.thumbnailer = os.path.join(cls.root, "usr", "bin", "mekuri-thumbnailer")
        cls.books = os.path.join(cls.work, "books")
        os.makedirs(cls.books)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def field(self, name):
        return run(["dpkg-deb", "--field", self.deb, name]).stdout.strip()

    def thumbnail(self, book, size, name=None):
        """Runs the installed thumbnailer; (status, stderr, output path)."""
        out = os.path.join(self.work, (name or os.path.basename(book)) + "-%s.png" % size)
        if os.path.exists(out):
            os.remove(out)
        done = run([self.thumbnailer, book, out, str(size)])
        return done.returncode, done.stderr, out

    def make_book(self, name, *pages, zip_it=False):
        path = os.path.join(self.books, name)
        args = [MAKE_BOOK] + (["--zip"] if zip_it else []) + [path] + list(pages)
        self.assertEqual(run(args).returncode, 0, args)
        return path

    # The package itself.

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "mekuri")
        self.assertEqual(self.field("Architecture"), "amd64")
        self.assertEqual(self.field("Section"), "graphics")
        depends = [d.strip() for d in self.field("Depends").split(",")]
        names = [d.split()[0] for d in depends]
        # Computed from the program and the plug-ins by dpkg-shlibdeps ...
        for library in ("libfltk1.3", "libjpeg62-turbo", "libarchive13", "libpng16-16",
                        "libwebp7", "libtiff6", "libgif7", "libminizip1", "zlib1g", "libc6"):
            self.assertIn(library, names, depends)
        self.assertTrue(any(n.startswith("libopencv-imgproc") for n in names), depends)
        # ... and the font, by hand.
        self.assertIn("fonts-ipafont-gothic | fonts-noto-cjk", depends)
        self.assertEqual(self.field("Recommends"), "xdg-utils")
        self.assertGreater(int(self.field("Installed-Size")), 0)

    def test_exactly_the_program_files_are_installed(self):
        found = set()
        for folder, dirs, files in os.walk(self.root):
            for name in files + [d for d in dirs if os.path.islink(os.path.join(folder, d))]:
                found.add(os.path.relpath(os.path.join(folder, name), self.root))
        plugins = {os.path.basename(p) for p in glob.glob(os.path.join(BUILD, "bin", "*.spi"))}
        self.assertEqual(plugins, {"mekuri_archive.spi", "mekuri_image.spi"})
        expected = {"usr/bin/mekuri", "usr/bin/mekuri-thumbnailer",
                    "usr/lib/mekuri/mekuri", "usr/lib/mekuri/mekuri-thumbnailer",
                    "usr/lib/mekuri/mekuri.html",
                    "usr/share/applications/mekuri.desktop",
                    "usr/share/thumbnailers/mekuri.thumbnailer",
                    "usr/share/icons/hicolor/scalable/apps/mekuri.svg",
                    "usr/share/man/man1/mekuri.1.gz", "usr/share/man/man1/mekuri-thumbnailer.1.gz"}
        expected |= {"usr/lib/mekuri/" + p for p in plugins}
        expected |= {"usr/share/icons/hicolor/%dx%d/apps/mekuri.png" % (s, s) for s in ICON_SIZES}
        self.assertEqual(found, expected)
        for program in ("mekuri", "mekuri-thumbnailer"):
            mode = os.stat(os.path.join(self.lib, program)).st_mode & 0o777
            self.assertEqual(mode, 0o755, program)
        listing = run(["dpkg-deb", "-c", self.deb]).stdout.splitlines()
        for line in listing:
            self.assertIn(" root/root ", line, line)
            if line.startswith("d"):
                self.assertTrue(line.startswith("drwxr-xr-x"), line)

    def test_programs_are_stripped(self):
        described = run(["file", os.path.join(self.lib, "mekuri"),
                         os.path.join(self.lib, "mekuri-thumbnailer"),
                         os.path.join(self.lib, "mekuri_archive.spi")]).stdout
        self.assertEqual(described.count(", stripped"), 3, described)

    def test_launchers_are_relative_links_into_the_program_folder(self):
        for program in ("mekuri", "mekuri-thumbnailer"):
            link = os.path.join(self.root, "usr", "bin", program)
            self.assertTrue(os.path.islink(link))
            self.assertEqual(os.readlink(link), "../lib/mekuri/" + program)
            self.assertEqual(os.path.realpath(link), os.path.join(os.path.realpath(self.lib),
                                                                  program))

    def test_program_finds_its_plugins_through_the_launcher(self):
        # Without a display the program stops right after start-up, but the plug-ins are loaded
        # before main runs, from the folder /proc/self/exe names: the link's target folder.
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        done = run([os.path.join(self.root, "usr", "bin", "mekuri")], env=env)
        self.assertIn("mekuri_archive.spi 00AM\n", done.stderr)
        self.assertIn("mekuri_image.spi 00IN\n", done.stderr)

    # Desktop integration.

    def test_desktop_entry(self):
        path = os.path.join(self.root, "usr", "share", "applications", "mekuri.desktop")
        checked = run(["desktop-file-validate", path])
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertEqual(checked.stdout + checked.stderr, "")
        entry = desktop_group(path, "Desktop Entry")
        self.assertEqual(entry["Exec"], "mekuri %f")
        self.assertEqual(entry["Icon"], "mekuri")
        self.assertEqual(entry["Categories"], "Graphics;Viewer;")
        for key in ("Name", "Name[ja]", "Comment", "Comment[ja]"):
            self.assertTrue(entry.get(key), key)
        self.assertEqual(entry["MimeType"], ";".join(MIME_TYPES) + ";")
        self.assertNotIn("inode/directory", entry["MimeType"])

    def test_thumbnailer_entry(self):
        path = os.path.join(self.root, "usr", "share", "thumbnailers", "mekuri.thumbnailer")
        entry = desktop_group(path, "Thumbnailer Entry")
        self.assertEqual(entry["TryExec"], "mekuri-thumbnailer")
        self.assertEqual(entry["Exec"], "mekuri-thumbnailer %i %o %s")
        self.assertEqual(entry["MimeType"], ";".join(MIME_TYPES) + ";")

    def test_icons(self):
        hicolor = os.path.join(self.root, "usr", "share", "icons", "hicolor")
        for size in ICON_SIZES:
            width, height, rows = read_png(os.path.join(hicolor, "%dx%d" % (size, size), "apps",
                                                        "mekuri.png"))
            self.assertEqual((width, height), (size, size))
            # The open book: white pages in the middle, on a teal tile.
            self.assertEqual(rows[size // 4][size // 4][:3], (255, 255, 255), size)
            self.assertEqual(rows[size // 2][size // 32 + 1][:3], (0, 128, 128), size)
        svg = ElementTree.parse(os.path.join(hicolor, "scalable", "apps", "mekuri.svg"))
        self.assertTrue(svg.getroot().tag.endswith("svg"))

    def test_committed_icons_are_what_the_drawing_script_makes(self):
        drawn = os.path.join(self.work, "icons")
        made = run([sys.executable, os.path.join(SOURCE, "tools", "make_icons.py"), drawn])
        self.assertEqual(made.returncode, 0, made.stderr)
        for name in sorted(os.listdir(drawn)):
            with open(os.path.join(drawn, name), "rb") as a, \
                    open(os.path.join(SOURCE, "resources", "icons", name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_manual_pages(self):
        man1 = os.path.join(self.root, "usr", "share", "man", "man1")
        with gzip.open(os.path.join(man1, "mekuri.1.gz"), "rt", encoding="utf-8") as f:
            page = f.read()
        for option in (r".B \-right", r".B \-left", r".B \-1", r".B \-2", ".I PATH"):
            self.assertIn("\n" + option + "\n", page)
        if shutil.which("groff"):
            for name in ("mekuri.1.gz", "mekuri-thumbnailer.1.gz"):
                with gzip.open(os.path.join(man1, name), "rb") as f:
                    source = f.read()
                shown = subprocess.run(["groff", "-k", "-man", "-Tutf8", "-ww", "-z"], input=source,
                                       capture_output=True, timeout=60)
                self.assertEqual(shown.stderr, b"", name)

    # The thumbnailer, run from the unpacked package.

    def test_thumbnails_of_a_cbz(self):
        zip_path = self.make_book("comic.zip", "600x900#cc2020", "300x300#20cc20", zip_it=True)
        cbz = zip_path[:-4] + ".cbz"
        os.rename(zip_path, cbz)
        for size, expected in ((128, (85, 128)), (256, (170, 256)), (1000, (600, 900))):
            status, err, out = self.thumbnail(cbz, size)
            self.assertEqual(status, 0, err)
            self.assertEqual(err, "")
            width, height, rows = read_png(out)
            self.assertEqual((width, height), expected, size)
            r, g, b = rows[height // 8][width // 8]
            self.assertTrue(abs(r - 0xcc) < 20 and g < 50 and b < 50, (r, g, b))

    def test_thumbnails_of_a_rar_fit_the_size_and_are_never_enlarged(self):
        rar = os.path.join(FIXTURES, "archives", "rar4", "unrarjs_test_with_jpeg.rar")
        status, err, out = self.thumbnail(rar, 4096)
        self.assertEqual(status, 0, err)
        own_width, own_height, _ = read_png(out)
        self.assertLess(max(own_width, own_height), 4096)
        for size in (32, 100):
            status, err, out = self.thumbnail(rar, size)
            self.assertEqual(status, 0, err)
            width, height, _ = read_png(out)
            self.assertEqual(max(width, height), min(size, max(own_width, own_height)))
            self.assertLessEqual(abs(width / height - own_width / own_height), 0.1)

    def test_thumbnails_of_folders(self):
        folder = self.make_book("folder", "300x200#2040c0", "300x200#ffffff")
        status, err, out = self.thumbnail(folder, 128)
        self.assertEqual(status, 0, err)
        width, height, rows = read_png(out)
        self.assertEqual((width, height), (128, 85))
        r, g, b = rows[10][10]
        self.assertTrue(abs(r - 0x20) < 20 and abs(g - 0x40) < 20 and abs(b - 0xc0) < 20)
        small = self.make_book("small", "50x40#808080")
        status, err, out = self.thumbnail(small, 256)
        self.assertEqual(status, 0, err)
        self.assertEqual(read_png(out)[:2], (50, 40))

    def test_thumbnailer_failures(self):
        broken = os.path.join(self.books, "broken.cbz")
        with open(broken, "wb") as f:
            f.write(b"PK\x03\x04" + os.urandom(3000))
        truncated = os.path.join(self.books, "truncated.cbr")
        with open(os.path.join(FIXTURES, "archives", "rar4", "unrarjs_test_with_jpeg.rar"),
                  "rb") as f:
            data = f.read()
        with open(truncated, "wb") as f:
            f.write(data[:len(data) // 3])
        text = os.path.join(self.books, "text.zip")
        shutil.make_archive(text[:-4], "zip", os.path.join(SOURCE, "packaging"))
        empty = os.path.join(self.books, "empty")
        os.makedirs(empty)
        for book, reason in ((broken, "not a book"), (truncated, "first page"),
                             (os.path.join(self.books, "missing.cbz"), "no such file"),
                             (text, "no pictures"), (empty, "no pictures")):
            status, err, out = self.thumbnail(book, 128)
            self.assertEqual(status, 1, book)
            self.assertEqual(err.count("\n"), 1, err)
            self.assertTrue(err.startswith("mekuri-thumbnailer: " + book + ": "), err)
            self.assertIn(reason, err)
            self.assertFalse(os.path.exists(out), book)
        for args in ([], ["a.cbz", "o.png"], ["a.cbz", "o.png", "0"], ["a.cbz", "o.png", "big"]):
            done = run([self.thumbnailer] + args)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn("usage: mekuri-thumbnailer", done.stderr)

    def test_install_under_another_prefix(self):
        root = os.path.join(self.work, "elsewhere")
        env = dict(os.environ, DESTDIR=root)
        done = run(["cmake", "--install", BUILD, "--prefix", "/opt/mekuri"], env=env)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        launcher = os.path.join(root, "opt", "mekuri", "bin", "mekuri-thumbnailer")
        self.assertEqual(os.path.realpath(launcher),
                         os.path.join(os.path.realpath(root), "opt", "mekuri", "lib", "mekuri",
                                      "mekuri-thumbnailer"))
        zip_path = self.make_book("other.zip", "200x100#000000", zip_it=True)
        cbz = zip_path[:-4] + ".cbz"
        os.rename(zip_path, cbz)
        out = os.path.join(self.work, "other.png")
        done = run([launcher, cbz, out, "64"])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(read_png(out)[:2], (64, 32))


if __name__ == "__main__":
    unittest.main(verbosity=2)
