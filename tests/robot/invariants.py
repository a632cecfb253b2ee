"""What must hold after every action and at the end of a run. Each check returns a list of
failure texts (empty when it holds); none of them drives the program."""
import glob
import os
import re
import struct
import subprocess

import library

TITLE = re.compile(r"^(.*) \((\d+) pages\)$")
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak|Thread)Sanitizer|runtime error:|"
                              r"WARNING: ThreadSanitizer")


# --- the state trace -----------------------------------------------------------------------

def state_agrees(state, world):
    """The state line against the book the robot knows to be open and the pairing rules:
    title, list line, zoom field, page."""
    bad = []
    title, page, pages, shift = state["title"], state["page"], state["pages"], state["shift"]
    if title == "Mekuri":
        if pages != 0:
            bad.append("title Mekuri with %d pages" % pages)
        if world.open_book and world.open_book_expected:
            bad.append("no book open, the robot opened %s" % world.open_book)
        return bad
    m = TITLE.match(title)
    if not m:
        return ["title %r is not \"PATH (N pages)\"" % title]
    path, count = m.group(1), int(m.group(2))
    if count != pages:
        bad.append("title says %d pages, the book has %d" % (count, pages))
    if not os.path.exists(path.rstrip("/")):
        bad.append("the title's book %s does not exist" % path)
    if world.open_book and os.path.realpath(path.rstrip("/")) != os.path.realpath(world.open_book):
        bad.append("title names %s, the robot opened %s" % (path, world.open_book))
    known = world.known_pages(path.rstrip("/"))
    if known is not None and known != count:
        bad.append("%s shows %d pages, %d before" % (path, count, known))
    world.learn_pages(path.rstrip("/"), count)
    if page % 2 or page < 0:
        bad.append("currentPage %d is not even and at least 0" % page)
    if pages > 0 and page - shift >= pages:
        bad.append("currentPage %d past the book's %d pages (shift %d)" % (page, pages, shift))
    if pages > 0 and state["line"] not in (0, (page + shift) // 2 + 1):
        bad.append("list line %d, spread %d is line %d" % (state["line"], page,
                                                           (page + shift) // 2 + 1))
    if pages == 0 and state["line"] not in (0, (page + shift) // 2 + 1):
        bad.append("list line %d of a book without pages" % state["line"])
    if not re.fullmatch(r"-?\d+", state["zoom"]):
        bad.append("zoom field %r is no number" % state["zoom"])
    elif world.expected_zoom is not None and state["zoom"] != world.expected_zoom:
        bad.append("zoom field %s, expected %s" % (state["zoom"], world.expected_zoom))
    return bad


# --- sanitizers ----------------------------------------------------------------------------

def sanitizer_reports(folder, trace):
    """Reports in the sanitizers' log files (log_path=folder/san) or in the trace."""
    bad = []
    for path in sorted(glob.glob(os.path.join(folder, "san.*"))):
        with open(path, errors="replace") as f:
            text = f.read()
        if text.strip():
            bad.append("sanitizer report %s:\n%s" % (path, text[:6000]))
    m = SANITIZER_REPORT.search(trace)
    if m:
        bad.append("sanitizer report in the trace:\n" + trace[max(0, m.start() - 200):m.start() + 4000])
    return bad


# --- memory ----------------------------------------------------------------------------------

MARGIN = 64 * 1024 * 1024  # fonts, X and toolkit buffers, allocator slack, thread stacks


def memory_bound(baseline_kb, cache_limit, largest_page, zoom_max):
    """Start-up baseline + max(cache limit, the 16 largest pictures the cache may hold without
    evicting) + two full pages held by printing + the margin, in kB. The largest picture is a
    page scaled to the largest zoom reached (never below its own size)."""
    factor = max(1.0, zoom_max / 100.0) ** 2
    sixteen = 16 * largest_page * factor
    return baseline_kb + (max(cache_limit, sixteen) + 2 * largest_page + MARGIN) / 1024


# --- printing ------------------------------------------------------------------------------

def parse_range(item, count):
    """The print dialog's page-list item rules: (first, last) 1-based, or None."""
    digits = sum(c.isdigit() for c in item)
    if digits == 0 or item.count("-") > 1:
        return None

    def number(text):
        m = re.match(r"\s*([+-]?\d+)", text)
        return int(m.group(1)) if m else 0

    if "-" not in item:
        n = number(item)
        return (n, n) if 1 <= n <= count else None
    dash = item.index("-")
    if item[:dash].strip() == "" and dash == len(item) - len(item.lstrip()):
        m = number(item[dash + 1:])
        return (1, min(m, count)) if m >= 1 else None
    if item[dash + 1:] == "":
        n = number(item[:dash])
        return (n, count) if 1 <= n <= count else None
    left = item[:dash]
    if not re.fullmatch(r"\s*[+-]?\d+", left):
        return None  # the number must end right at the minus sign
    n, m = number(left), number(item[dash + 1:])
    return (n, m) if n >= 1 and m <= count and m >= n else None


def print_sequence(settings, count, page, shift):
    """The page sequence a print makes (slots, -1 blank)."""
    layout, rng = settings["layout"], settings["range"]
    seq = []
    if layout != 0 and rng != 1 and settings["first"]:
        seq.append(-1)
    if rng == 0:
        seq += list(range(count))
    elif rng == 1:
        f = page - shift
        if layout != 0 or f >= 0:
            seq.append(f)
        if 0 <= f + 1 < count:
            seq.append(f + 1)
    else:
        for item in settings["pages"].split(","):
            if item == "":
                continue
            r = parse_range(item, count)
            if r is None:
                return []
            seq += list(range(r[0] - 1, r[1]))
    if layout != 0 and rng != 1 and settings["booklet"]:
        n = len(seq)
        sheets = (n + 3) // 4
        total = 4 * sheets
        seq += [-1] * (total - n)
        out = [0] * total
        for s in range(sheets):
            out[4 * s:4 * s + 4] = [seq[total - 1 - 2 * s], seq[2 * s], seq[2 * s + 1],
                                    seq[total - 2 - 2 * s]]
        seq = out
    return seq


def sheets_printed(settings, count, page, shift):
    """None when nothing may print (the error box), else the number of sheets sent."""
    seq = print_sequence(settings, count, page, shift)
    if not any(0 <= p < count for p in seq):
        return None
    per = 1 if settings["layout"] == 0 else 2
    sheets = (len(seq) + per - 1) // per
    f = settings["filter"]
    return sum(1 for n in range(1, sheets + 1) if f == 0 or (f == 1 and n % 2) or (f == 2 and n % 2 == 0))


def pdf_pages(path):
    r = subprocess.run(["pdfinfo", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    m = re.search(r"^Pages:\s+(\d+)", r.stdout, re.M)
    return int(m.group(1)) if m else None


# --- nothing lost ----------------------------------------------------------------------------

def allowed_paths(path, renames):
    """Every path a file may have after the renames the robot asked for (accepted or not),
    a folder's rename moving what it holds."""
    names = {path}
    changed = True
    while changed:
        changed = False
        for old, new in renames:
            for p in list(names):
                if p == old or p.startswith(old + "/"):
                    moved = new + p[len(old):]
                    if moved not in names:
                        names.add(moved)
                        changed = True
    return names


def nothing_lost(root, before, after, renames):
    """Every original content exists exactly once, at its old name or one the robot asked for;
    no file appears that the robot did not cause (catalog files are the program's own)."""
    bad = []
    by_content = {}
    for rel, digest in after.items():
        by_content.setdefault(digest, []).append(rel)
    absolute = [(os.path.join(root, o), os.path.join(root, n)) for o, n in renames]
    explained = set()
    for rel, digest in before.items():
        allowed = {os.path.relpath(p, root) for p in allowed_paths(os.path.join(root, rel), absolute)}
        if os.path.basename(rel).lower() == library.CATALOG_FILE.lower():
            # The program rewrites its own catalog files; one goes with its folder's rename.
            kept = allowed & set(after)
            if kept:
                explained.update(kept)
                continue
        where = by_content.get(digest, [])
        at = [p for p in where if p in allowed]
        if not at:
            bad.append("%s is lost (its content is %s)" % (rel, "at " + ", ".join(where) if where else "nowhere"))
        elif len(at) > 1:
            bad.append("%s exists %d times: %s" % (rel, len(at), ", ".join(at)))
        explained.update(where)
    for rel in after:
        if rel in explained:
            continue
        if os.path.basename(rel) == library.CATALOG_FILE:
            continue
        bad.append("a file appeared that the robot did not cause: %s" % rel)
    return bad


def read_catalog(path):
    """The names in a catalog file, or raises ValueError saying what is wrong."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[:20] != b"mekuri catalog 0000\n":
        raise ValueError("header %r" % blob[:20])
    size, count = struct.unpack_from("<ii", blob, 20)
    if size != library.RECORD or count < 0:
        raise ValueError("record size %d, count %d" % (size, count))
    pos, names = 28, []
    for _ in range(count):
        if pos + 4 > len(blob):
            raise ValueError("truncated")
        (length,) = struct.unpack_from("<i", blob, pos)
        pos += 4
        data = blob[pos:pos + length]
        pos += length
        if length <= 0 or len(data) != length:
            raise ValueError("bad record length %d" % length)
        out = bytearray()
        i = 0
        while i < len(data):
            if data[i] == 0x88:
                if i + 4 > len(data):
                    raise ValueError("escape cut off")
                out += bytes([data[i + 1]]) * (data[i + 2] | data[i + 3] << 8)
                i += 4
            else:
                out.append(data[i])
                i += 1
        if len(out) != library.RECORD:
            raise ValueError("a record expands to %d bytes" % len(out))
        names.append(bytes(out[:512]).split(b"\0", 1)[0].decode("cp932"))
    if pos != len(blob):
        raise ValueError("bytes after the last record")
    return names


def catalog_lists_archives(folder):
    path = os.path.join(folder, library.CATALOG_FILE)
    archives = sorted(n for n in os.listdir(folder)
                      if n.lower().endswith(library.CATALOG_PATTERNS)
                      and os.path.isfile(os.path.join(folder, n)))
    if not os.path.exists(path):
        # A folder without archives has nothing to keep.
        return ["%s has no catalog file after its final open and close" % folder] if archives else []
    try:
        names = read_catalog(path)
    except ValueError as why:
        return ["%s does not load: %s" % (path, why)]
    if sorted(names) != archives:
        return ["%s lists %r, the folder holds %r" % (path, sorted(names), archives)]
    return []
