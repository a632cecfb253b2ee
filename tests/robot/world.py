"""What the robot knows of the world it acts on: the library and its checksums, the names it
asked for, the book it opened, what each book showed the first time, the zoom it set."""
import hashlib
import os


class World:
    def __init__(self, root, books, sums):
        self.root = root
        self.books = {b.path: b for b in books}          # relative path -> library.Book
        self.by_digest = {d: rel for rel, d in sums.items()}
        self.renames = []           # (old, new) relative paths the robot asked for
        self.pages_seen = {}        # book identity -> page count shown the first time
        self.open_book = None       # absolute path of the book the robot opened, or None
        self.open_book_expected = False  # True when that book must be open now
        self.pending_rename = False  # the new full name of the open book, renamed at its close
        self.expected_zoom = None   # the zoom field text the last zoom action must leave
        self.zoom_max = 100.0       # the largest zoom reached in this run
        self.catalog_folders = set()  # folders the catalog window was asked to show
        self.prints = 0
        self.resume = True          # "前回の位置から開く" as the program has it (it lasts)
        # Where the program must remember the reader stopped: path -> (lower page, size, mtime),
        # least recently left first; the book's size and time as they were when it was opened.
        self.positions = {}
        self.open_identity = None   # the open book's (size, mtime) when it was opened

    def rel(self, path):
        return os.path.relpath(path, self.root)

    def identity(self, path):
        """A book's original relative path: files by their content, folders by their path."""
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return self.by_digest.get(hashlib.sha256(f.read()).hexdigest(), self.rel(path))
        return self.rel(path)

    def book(self, path):
        return self.books.get(self.identity(path))

    def known_pages(self, path):
        identity = self.identity(path)
        book = self.books.get(identity)
        if book is not None and book.pages is not None:
            return book.pages
        return self.pages_seen.get(identity)

    def learn_pages(self, path, count):
        self.pages_seen.setdefault(self.identity(path), count)

    def ask_rename(self, old, new):
        """Records a name the robot asked for (absolute paths)."""
        self.renames.append((self.rel(old), self.rel(new)))

    def book_paths(self):
        """Every book of the library as it is named on disk now: the archives (any file that
        is no catalog file) and the folders holding pictures."""
        found = []
        tops = self.folders()
        for folder, dirs, files in os.walk(self.root):
            dirs.sort()
            if folder in tops:
                found += [os.path.join(folder, n) for n in sorted(files)
                          if n.lower() != "_$mekuri.bin"]
            elif folder != self.root and any(n.lower().endswith((".jpg", ".png")) for n in files):
                found.append(folder)
        return found

    def current(self, path):
        """Where a path of the library is now, after the renames that took effect (the robot
        may have renamed a folder opened as a book); None when it is nowhere."""
        if os.path.exists(path):
            return path
        import invariants
        renames = [(os.path.join(self.root, o), os.path.join(self.root, n)) for o, n in self.renames]
        for candidate in sorted(invariants.allowed_paths(path, renames)):
            if os.path.exists(candidate):
                return candidate
        return None

    def folders(self):
        """The three top folders of the library, where they are now."""
        found = [self.current(os.path.join(self.root, f)) for f in ("shelf", "shelf2", "books")]
        return [f for f in found if f]

    def opened(self, path):
        """The book at `path` was seen open: its identity as the program took it."""
        self.open_identity = file_identity(path)

    def keep(self, path, lower):
        """The open book shows the spread whose lower page is `lower` (what leaving it keeps)."""
        if self.open_identity is None:
            return
        self.positions.pop(path, None)
        self.positions[path] = (max(lower, 0),) + self.open_identity

    def expected_page(self, path, pages, shift):
        """The spread the book at `path` must open at: the one holding the remembered page when
        the option is on and the book is unchanged (followed through renames), else 0."""
        if not self.resume:
            return 0
        for key in reversed(list(self.positions)):
            if key == path or (not os.path.exists(key) and self.current(key) == path):
                lower, size, mtime = self.positions[key]
                if (size, mtime) != file_identity(path):
                    return 0
                return spread_holding(lower, pages, shift)
        return 0


def file_identity(path):
    try:
        st = os.stat(path)
    except OSError:
        return None
    return (st.st_size, int(st.st_mtime))


def spread_holding(page, n, s):
    """The spread c showing `page` (0-based lower page), clamped to the last spread."""
    last = 2 * ((n - 1 + s) // 2) if n - 1 + s > 0 else 0
    page = min(page, n)
    if page + s <= 0:
        return 0
    return min(2 * ((page + s) // 2), last)
