"""Printing from the File menu: the print dialog's enabling rules and live preview, checked on
screen, and the PDF that reaches a file printer of a private CUPS scheduler; the same through
scripted answers; the box shown when no printer is installed.

The scheduler is the test's own (private_cupsd.py): it never reads or touches the machine's
CUPS. Where cupsd cannot run, the test says why and passes as skipped.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

import harness
from harness import App, check, run
from private_cupsd import MONO_PPD, PDF_PPD, PrivateCupsd, Unavailable

# Four pages: red, green, blue, grey (each with the page number drawn on it in white).
PAGES = ["200x300#c83232", "200x300#32c832", "200x300#3232c8", "200x300#808080"]
RED, GREEN, BLUE = (200, 50, 50), (50, 200, 50), (50, 50, 200)
SKIPPED = 77  # the exit status CTest reads as a skipped test

# Widget places in the dialog (its own coordinates).
PREVIEW = (384, 190)  # the preview box, 200 × 200
RADIO_LAYOUT_SIDE = (45, 237)
RADIO_RANGE_PAGES = (43, 135)
RADIO_LANDSCAPE = (504, 116)
BUTTON_PROPERTIES = (422, 40)
PAGE_FIELD = (230, 134)
CHECK_BINARISE = (41, 452)
DITHER_CHOICE = (236, 350)
PRINTER_CHOICE = (200, 40)
BUTTON_OK = (392, 483)
BUTTON_CANCEL = (512, 483)
# Label texts whose ink shows whether their widget is active.
LABEL_BOOKLET = (86, 285, 80, 16)
LABEL_DITHER = (52, 342, 80, 16)
LABEL_NUP = (58, 367, 70, 16)
LABEL_PAGE_FIELD = (137, 126, 100, 16)  # the field's frame and background


def key(app, *keys):
    """Keys for the focused window, without moving the pointer (popup menus follow it), each
    once the program has handled the one before."""
    for k in keys:
        run(["xdotool", "key", k])
        app.idle()


def type_text(app, text):
    run(["xdotool", "type", "--delay", "60", text])
    app.idle()


def dark_pixels(image, box, limit=60):
    x, y, w, h = box
    return sum(1 for j in range(h) for i in range(w)
               if max(image.pixel(x + i, y + j)) < limit)


def visible_window(title):
    """The id of a visible window titled exactly `title`, or None. xdotool's own name search
    cannot match non-ASCII titles (it reads the toolkit's Latin-1 WM_NAME), so each visible
    window's UTF-8 name is compared."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for window in r.stdout.split():
        name = subprocess.run(["xdotool", "getwindowname", window], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True).stdout.rstrip("\n")
        if name == title:
            return window
    return None


class Dialog:
    """The print dialog on screen."""

    def __init__(self, app):
        self.app = app
        self.window = harness.wait_for(lambda: visible_window("印刷"),
                                       lambda: "no print dialog appeared:\n" + app.trace()[-2000:])
        app.idle(self.window)  # its first draw done
        self.x, self.y, self.w, self.h = app.geometry(self.window)
        check((self.w, self.h) == (611, 504), "dialog size %dx%d" % (self.w, self.h))

    def click(self, place):
        run(["xdotool", "mousemove", str(self.x + place[0]), str(self.y + place[1]),
             "click", "1"])
        self.app.idle()

    def shot(self):
        return harness.screenshot().crop(self.x, self.y, self.w, self.h)

    def gone(self):
        return visible_window("印刷") is None


def open_print_dialog(app):
    """File menu, then "印刷 ..." (the eighth item)."""
    app.click(30, 8)
    app.click(35, 163)


def last(app, pattern):
    """The last match of `pattern` in the trace, or None."""
    found = re.findall(pattern, app.trace(), re.M)
    return found[-1] if found else None


def wait_state(app, part, state):
    harness.wait_for(lambda: last(app, r"print dialog: %s (\w+)" % part) == state,
                     "%s is not %s:\n%s" % (part, state, app.trace()[-2000:]))


def wait_preview(app, pages, before):
    """Waits for a preview draw after `before` draws that shows `pages` ("I,J")."""
    def drawn():
        draws = re.findall(r"^LAYOUT=(\d+) page=(-?\d+,-?\d+)$", app.trace(), re.M)
        return len(draws) > before and draws[-1][1] == pages
    harness.wait_for(drawn, "the preview never showed pages %s:\n%s"
                     % (pages, app.trace()[-2000:]))
    app.idle()


def preview_draws(app):
    return len(re.findall(r"^LAYOUT=", app.trace(), re.M))


def slot_colour(image, paper, slot_x, slot_y):
    """A pixel of a page slot away from the page number in its middle."""
    return image.pixel(paper[0] + slot_x + 12, paper[1] + slot_y + 15)


def two_level(image, x, y, w, h):
    """Counts of black and white pixels in a box; fails on any other colour."""
    black = white = 0
    for j in range(h):
        for i in range(w):
            p = image.pixel(x + i, y + j)
            if p == (0, 0, 0):
                black += 1
            elif p == (255, 255, 255):
                white += 1
            else:
                raise harness.Failure("pixel %r at %d,%d is neither black nor white"
                                      % (p, x + i, y + j))
    return black, white


def wait_job(cupsd, app, output, before=0):
    """Waits for the job after the first `before` jobs of the trace to reach the printer's
    file; returns the number of sheets it printed."""
    pattern = r"^print job (\d+): (\d+) sheets"
    harness.wait_for(lambda: len(re.findall(pattern, app.trace(), re.M)) > before,
                     "no print job:\n" + app.trace()[-2000:], timeout=30)
    job, sheets = re.findall(pattern, app.trace(), re.M)[before]
    check(int(job) > 0, "no job was made:\n" + app.trace()[-2000:])
    harness.wait_for(lambda: cupsd.jobs_done() and os.path.exists(output)
                     and os.path.getsize(output) > 0, "the job never reached the printer",
                     timeout=90)
    return int(sheets)


def pdf_pages(path):
    out = run(["pdfinfo", path])
    return int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))


def pdf_images(path):
    """Rows of pdfimages -list: (page, type, width, height, color, bpc)."""
    rows = []
    for line in run(["pdfimages", "-list", path]).splitlines()[2:]:
        f = line.split()
        rows.append((int(f[0]), f[2], int(f[3]), int(f[4]), f[5], int(f[7])))
    return rows


def dialog_enabling_and_preview(cupsd, book, shots):
    output = cupsd.output_path("book.pdf")
    app = App([book], env=cupsd.env())
    try:
        app.wait_trace(r"miniunzip extractor called")
        open_print_dialog(app)
        d = Dialog(app)
        app.wait_trace(r"\(CUPS\) default printer=mekuri-pdf")
        # The first dialog: everything at its default, on a colour printer.
        for part, state in (("pageSpec", "inactive"), ("booklet", "inactive"),
                            ("binarisationGroup", "inactive"), ("nupGroup", "inactive")):
            wait_state(app, part, state)
        wait_preview(app, "0,1", 0)
        img = d.shot()
        img.save_ppm(os.path.join(shots, "print-dialog-first.ppm"))
        check(dark_pixels(img, LABEL_BOOKLET) == 0, "the booklet box is not greyed")
        check(dark_pixels(img, LABEL_DITHER) == 0, "the binarisation method is not greyed")
        # Portrait paper 141 × 200 centred in the box: white margins, grey around it.
        paper = (PREVIEW[0] + 29, PREVIEW[1])
        check(img.pixel(paper[0] + 1, paper[1] + 100) == (255, 255, 255), "no white paper")
        around = img.pixel(PREVIEW[0] + 10, PREVIEW[1] + 100)
        check(around != (255, 255, 255) and around[0] == around[1] == around[2],
              "the box around the paper is %r" % (around,))
        # One page a sheet: page 1 in colour, 130 × 196 at (5, 2) on the paper.
        check(harness.near(slot_colour(img, paper, 5, 2), RED, 30),
              "page 1 is %r in the preview" % (slot_colour(img, paper, 5, 2),))

        # Two side by side: the check boxes wake up; right binding puts page 1 on the right.
        before = preview_draws(app)
        d.click(RADIO_LAYOUT_SIDE)
        wait_state(app, "booklet", "active")
        wait_state(app, "firstPageAlone", "active")
        wait_preview(app, "0,1", before)
        img = d.shot()
        check(dark_pixels(img, LABEL_BOOKLET) > 10, "the booklet box stayed greyed")
        # Slots of 69 × 103 at (0, 48) and (70, 48).
        check(harness.near(slot_colour(img, paper, 0, 48), GREEN, 30),
              "left slot is %r, not page 2" % (slot_colour(img, paper, 0, 48),))
        check(harness.near(slot_colour(img, paper, 70, 48), RED, 30),
              "right slot is %r, not page 1" % (slot_colour(img, paper, 70, 48),))
        check(img.pixel(paper[0] + 35, paper[1] + 20) == (255, 255, 255),
              "the paper above the pages is not white")

        # Binarise on the colour printer: the group wakes up, the pages turn grey.
        before = preview_draws(app)
        d.click(CHECK_BINARISE)
        wait_state(app, "binarisationGroup", "active")
        wait_preview(app, "0,1", before)
        img = d.shot()
        check(dark_pixels(img, LABEL_DITHER) > 10, "the binarisation method stayed greyed")
        check(dark_pixels(img, LABEL_NUP) == 0, "the N-up choice is active with method 0")
        for sx in (0, 70):
            p = slot_colour(img, paper, sx, 48)
            check(p[0] == p[1] == p[2] and 40 < p[0] < 220,
                  "slot at %d is %r, not grey" % (sx, p))

        # Floyd-Steinberg: the N-up group wakes up, the pages are black and white dots.
        before = preview_draws(app)
        d.click(DITHER_CHOICE)
        key(app, "Down", "Return")
        wait_state(app, "nupGroup", "active")
        wait_preview(app, "0,1", before)
        app.wait_trace(r"^   dither 1 ")
        img = d.shot()
        img.save_ppm(os.path.join(shots, "print-dialog-dither.ppm"))
        check(dark_pixels(img, LABEL_NUP) > 10, "the N-up choice stayed greyed")
        for sx, share in ((0, (0.35, 0.75)), (70, (0.2, 0.6))):
            black, white = two_level(img, paper[0] + sx + 8, paper[1] + 48 + 10, 20, 20)
            fraction = white / (black + white)
            check(share[0] < fraction < share[1],
                  "slot at %d has %.2f white dots" % (sx, fraction))

        # A page list: the field wakes up; an invalid list empties the paper.
        d.click(RADIO_RANGE_PAGES)
        wait_state(app, "pageSpec", "active")
        d.click(PAGE_FIELD)
        before = preview_draws(app)
        type_text(app, "5-3")
        wait_preview(app, "-1,-1", before)
        check(preview_draws(app) - before >= 3, "not a preview for every keystroke")
        img = d.shot()
        for sx in (0, 70):
            check(slot_colour(img, paper, sx, 48) == (255, 255, 255),
                  "an invalid list still shows a page at %d" % sx)
        key(app, "ctrl+a")
        before = preview_draws(app)
        type_text(app, "2-3")
        wait_preview(app, "1,2", before)
        img = d.shot()
        img.save_ppm(os.path.join(shots, "print-dialog-pages.ppm"))

        # Return (the field does not take it) is ＯＫ: the dialog goes and the sheet of pages
        # 2 and 3 is printed, binarised.
        key(app, "Return")
        harness.wait_for(d.gone, "the dialog stayed after Return")
        sheets = wait_job(cupsd, app, output)
        check(sheets == 1, "%d sheets printed" % sheets)
        check(pdf_pages(output) == 1, "the PDF has %d pages" % pdf_pages(output))
        images = pdf_images(output)
        check(len(images) == 2, "images in the PDF: %r" % images)
        for page, kind, w, h, colour, bpc in images:
            check(kind == "stencil" and bpc == 1, "not a 1-bit image: %r" % (images,))
            check(w > 1000 and h > 1000, "binarised at %dx%d, not at printer dots" % (w, h))

        # The next dialog shows what ＯＫ stored; キャンセル prints nothing.
        open_print_dialog(app)
        d = Dialog(app)
        for part in ("pageSpec", "booklet", "binarisationGroup", "nupGroup"):
            wait_state(app, part, "active")
        wait_preview(app, "1,2", 0)
        # Landscape turns the preview's paper to 200 × 141 at once.
        before = preview_draws(app)
        d.click(RADIO_LANDSCAPE)
        app.wait_trace(r"^OFFSET 0,29$")
        wait_preview(app, "1,2", before)
        img = d.shot()
        check(img.pixel(PREVIEW[0] + 100, PREVIEW[1] + 10) != (255, 255, 255),
              "paper above the landscape sheet")
        check(img.pixel(PREVIEW[0] + 2, PREVIEW[1] + 31) == (255, 255, 255),
              "no landscape paper at the box's left edge")
        jobs = app.count("print job ")
        d.click(BUTTON_CANCEL)
        harness.wait_for(d.gone, "the dialog stayed after キャンセル")
        harness.stays(lambda: app.count("print job ") == jobs, "キャンセル printed", 1)
    finally:
        app.kill()


def choosing_a_monochrome_printer(cupsd, book, shots):
    app = App([book], env=cupsd.env())
    try:
        app.wait_trace(r"miniunzip extractor called")
        open_print_dialog(app)
        d = Dialog(app)
        wait_state(app, "binarisationGroup", "inactive")
        # The printers are listed mekuri-mono, mekuri-pdf: one up from the colour printer.
        d.click(PRINTER_CHOICE)
        key(app, "Up", "Return")
        app.wait_trace(r"Mekuri::printerChosen\(mekuri-mono\) called")
        app.wait_trace(r"DEVMODE mekuri-mono .* color=1 ")
        # Without the colour-printer box the group is active on a monochrome printer.
        wait_state(app, "binarisationGroup", "active")

        # The printer settings dialog: キャンセル changes nothing, OK applies its choices.
        d.click(BUTTON_PROPERTIES)
        p = harness.wait_for(lambda: visible_window("印刷設定"), "no printer settings dialog")
        app.idle(p)
        px, py, pw, ph = app.geometry(p)
        harness.screenshot().crop(px, py, pw, ph).save_ppm(
            os.path.join(shots, "printer-settings.ppm"))
        run(["xdotool", "mousemove", str(px + 295), str(py + 222), "click", "1"])
        harness.wait_for(lambda: visible_window("印刷設定") is None, "キャンセル left it open")
        check(app.count("変更DEVMODE") == 0, "キャンセル applied the settings")
        d.click(BUTTON_PROPERTIES)
        p = harness.wait_for(lambda: visible_window("印刷設定"), "no printer settings dialog")
        app.idle(p)
        px, py, pw, ph = app.geometry(p)
        run(["xdotool", "mousemove", str(px + 168), str(py + 83), "click", "1"])  # 横
        app.idle(p)
        run(["xdotool", "mousemove", str(px + 195), str(py + 222), "click", "1"])  # OK
        app.wait_trace(r"^変更DEVMODE 2 ")
        app.wait_trace(r"^OFFSET 0,29$")
        d.click(BUTTON_CANCEL)
        harness.wait_for(d.gone, "the dialog stayed after キャンセル")
        # The printer choice acted at once: the next dialog starts on the monochrome printer.
        open_print_dialog(app)
        d = Dialog(app)
        wait_state(app, "binarisationGroup", "active")
        check(app.count("Mekuri::printerChosen") == 1, "the printer was chosen again")
        d.click(BUTTON_CANCEL)
        harness.wait_for(d.gone, "the dialog stayed after キャンセル")
    finally:
        app.kill()


def scripted(cupsd, book):
    output = cupsd.output_path("book.pdf")
    os.remove(output) if os.path.exists(output) else None
    # Cancelled first, then pages 1-3 one a sheet with the plain threshold; then the printer
    # settings turn the colour printer monochrome and landscape: grey pages, turned sheets.
    answers = [("印刷", 1, "layout=1"),
               ("印刷", 0, "printer=mekuri-pdf;range=2;pages=1-3;layout=0;dither=5;binarise=1"),
               ("印刷", 0, "properties;range=2;pages=4;dither=0;binarise=0"),
               ("印刷設定", 0, "color=1;orient=2")]
    app = App([book], env=cupsd.env(), answers=answers)
    try:
        app.wait_trace(r"miniunzip extractor called")
        open_print_dialog(app)
        app.wait_trace(r"dialog \[印刷\]")
        harness.stays(lambda: app.count("print job ") == 0, "a cancelled answer printed", 1)

        open_print_dialog(app)
        check(wait_job(cupsd, app, output) == 3, "not three sheets")
        check(pdf_pages(output) == 3, "the PDF has %d pages" % pdf_pages(output))
        images = pdf_images(output)
        check([i[0] for i in images] == [1, 2, 3], "images %r" % images)
        check(all(i[1] == "stencil" and i[5] == 1 for i in images), "not 1-bit: %r" % images)
        first = re.findall(r"^プリンタ解像度 (\d+)x(\d+) ", app.trace(), re.M)[-1]

        os.remove(output)
        open_print_dialog(app)
        app.wait_trace(r"dialog \[印刷設定\] mekuri-pdf")
        app.wait_trace(r"^変更DEVMODE 2 ")
        check(wait_job(cupsd, app, output, before=1) == 1, "not one sheet")
        images = pdf_images(output)
        check(len(images) == 1 and images[0][4] == "gray" and images[0][5] == 8,
              "page 4 is not sent as grey: %r" % images)
        # The printable area turned (the scheduler may turn the PDF page back to fit).
        turned = re.findall(r"^プリンタ解像度 (\d+)x(\d+) ", app.trace(), re.M)[-1]
        check(int(first[0]) < int(first[1]) and int(turned[0]) > int(turned[1]),
              "printable areas %r then %r: not turned to landscape" % (first, turned))
    finally:
        app.kill()


def without_printers(cupsd, book):
    # Answered through the seam, and then as a real box on screen.
    app = App([book], env=cupsd.env(), answers=[("Error", 0, "")])
    try:
        app.wait_trace(r"miniunzip extractor called")
        open_print_dialog(app)
        app.wait_trace(r"dialog \[Error\] プリンタがインストールされていません")
        open_print_dialog(app)
        app.wait_window("^Error$")
        key(app, "Return")
        harness.wait_for(lambda: visible_window("Error") is None, "the error box stayed")
        check(app.count("dialog [印刷]") == 0, "a print dialog was built without printers")
    finally:
        app.kill()


def test():
    for tool in ("pdfinfo", "pdfimages", "lpstat"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            sys.exit(SKIPPED)
    work = tempfile.mkdtemp(prefix="mekuri-print-")
    shots = os.environ.get("MEKURI_SHOTS", work)
    book = harness.make_book(os.path.join(work, "colours.zip"), PAGES, zip=True)
    cupsd = PrivateCupsd()
    try:
        try:
            cupsd.start()
        except Unavailable as why:
            print("skipped: no private cupsd here:", why)
            sys.exit(SKIPPED)
        without_printers(cupsd, book)
        cupsd.add_printer("mekuri-mono", MONO_PPD, "mono.out")
        cupsd.add_printer("mekuri-pdf", PDF_PPD, "book.pdf")
        cupsd.run(["lpadmin", "-d", "mekuri-pdf"])
        dialog_enabling_and_preview(cupsd, book, shots)
        choosing_a_monochrome_printer(cupsd, book, shots)
        scripted(cupsd, book)
    finally:
        cupsd.stop()


if __name__ == "__main__":
    harness.main(test)
