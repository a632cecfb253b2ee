"""While a print job runs: the commands that would replace the book, list it again in another
order or start another job are refused with the box "印刷中は操作できません" (the natural
order's check mark put back), and the job prints the sheets its own settings imply, all from
its own book; quitting (the menu, or the window's close button) cancels the job and its CUPS
job, and the program ends at once.

The job is made slow on purpose: large pages, each binarised by error diffusion at the
printer's dots. The scheduler is the test's own (private_cupsd.py); where cupsd cannot run, the
test says why and passes as skipped.
"""
import os
import re
import shutil
import sys
import tempfile
import time

import harness
from harness import App, check, run
from private_cupsd import PDF_PPD, PrivateCupsd, Unavailable

SKIPPED = 77  # the exit status CTest reads as a skipped test
SHEETS = 10
# Portrait pages for the book printed, landscape ones for the book the open command offers:
# a page of the wrong book would show in the PDF as a landscape picture.
PORTRAIT = ["1600x2300#%02x7050" % (i * 16) for i in range(SHEETS)]
LANDSCAPE = ["2300x1600#3050c8"] * 3
# All pages, one a sheet, Jarvis-Judice-Ninke error diffusion on the colour printer.
JOB = "printer=mekuri-pdf;range=0;layout=0;dither=2;binarise=1"
REFUSED = r"^dialog \[印刷\] 印刷中は操作できません$"
STARTED = r"^print job (\d+) on mekuri-pdf$"


def open_print_dialog(app, idle=True):
    """File menu, then "印刷 ..." (the eighth item). While a job prints the program handles the
    choice only between sheets: `idle` false does not wait for that."""
    app.click(30, 8)
    app.click(35, 163, idle=idle)


def open_command(app):
    """File menu, then "開く(&O)..." (the first item), while a job prints."""
    app.click(30, 8)
    app.click(35, 30, idle=False)


def refusals(app):
    return len(re.findall(REFUSED, app.trace(), re.M))


def wait_refusal(app, count, what):
    harness.wait_for(lambda: refusals(app) >= count,
                     "%s was not refused:\n%s" % (what, app.trace()[-2000:]))


def started_job(app):
    """Waits for the job to reach its second sheet; returns its CUPS number."""
    job = int(app.wait_trace(STARTED, timeout=20).group(1))
    app.wait_trace(r"^printing page 1 \.\.\. ", timeout=30)
    return job


def commands_refused_while_printing(cupsd, book, other):
    output = cupsd.output_path("book.pdf")
    # The print dialog's answer, then OK for every refusal box; the open dialog would offer
    # the other book.
    answers = [("印刷", 0, JOB)] + [("印刷", 0, "")] * 5 + [("ファイルを開く", 0, other)]
    app = App([book], env=cupsd.env(), answers=answers)
    try:
        app.wait_trace(r"miniunzip extractor called")
        title = app.title()
        open_print_dialog(app)
        started_job(app)
        app.key("alt+c", idle=False)
        wait_refusal(app, 1, "閉じる (Alt+C)")
        open_command(app)
        wait_refusal(app, 2, "開く")
        open_print_dialog(app, idle=False)
        wait_refusal(app, 3, "印刷")
        app.key("ctrl+Prior", idle=False)  # the other book is the folder's previous one
        wait_refusal(app, 4, "前のﾌｧｲﾙ (Ctrl + Page Up)")
        app.key("alt+o", *["Down"] * 12, "Return", idle=False)  # 数字順に並べる, the last item
        wait_refusal(app, 5, "数字順に並べる")
        check(app.title() == title, "the title is now %r" % app.title())
        done = r"^print job (\d+): (\d+) sheets$"
        check(not re.search(done, app.trace(), re.M),
              "the job ended before the commands were tried: make it slower")
        m = app.wait_trace(done, timeout=120)
        check(int(m.group(2)) == SHEETS, "%s sheets printed" % m.group(2))
        check(app.count("dialog [ファイルを開く]") == 0, "the open dialog was shown")
        harness.wait_for(lambda: cupsd.jobs_done() and os.path.exists(output),
                         "the job never reached the printer", timeout=90)
        pages = int(re.search(r"^Pages:\s+(\d+)", run(["pdfinfo", output]), re.M).group(1))
        check(pages == SHEETS, "the PDF has %d pages" % pages)
        images = [line.split() for line in run(["pdfimages", "-list", output]).splitlines()[2:]]
        check([int(f[0]) for f in images] == list(range(1, SHEETS + 1)),
              "not one picture a sheet: %r" % images)
        for f in images:
            check(f[2] == "stencil" and f[7] == "1", "not binarised: %r" % f)
            check(int(f[4]) > int(f[3]), "a landscape picture, not the book's: %r" % f)
        check(len(set((f[3], f[4]) for f in images)) == 1, "pictures differ: %r" % images)
        app.key("alt+c")  # once the job has ended, the book closes again
        harness.wait_for(lambda: app.title() == "Mekuri", "the book did not close after the job")
        check(refusals(app) == 5, "a command was refused after the job")
        check("数字順" not in app.trace(), "the name order changed while printing")
        app.key("alt+o", *["Down"] * 12, "Return")  # unchecked still: now it checks
        app.wait_trace(r"^数字順 1$")
    finally:
        app.kill()


def quitting_cancels_the_job(cupsd, book, how):
    output = cupsd.output_path("book.pdf")
    if os.path.exists(output):
        os.remove(output)
    app = App([book], env=cupsd.env(), answers=[("印刷", 0, JOB)])
    try:
        app.wait_trace(r"miniunzip extractor called")
        open_print_dialog(app)
        job = started_job(app)
        start = time.time()
        if how == "menu":
            app.key("alt+q", idle=False)
        else:
            run([harness.XCLOSE, app.window])
        app.wait_exit(timeout=20)
        took = time.time() - start
        trace = app.trace()
        check(took < 10, "the program took %.1f s to end (%s)" % (took, how))
        m = re.search(r"^print job %d: cancelled after (\d+) sheets$" % job, trace, re.M)
        check(m and int(m.group(1)) < SHEETS, "the job was not cancelled:\n" + trace[-2000:])
        check("job %d cancelled\n" % job in trace, "the CUPS job was not cancelled")
        harness.wait_for(lambda: cupsd.job_state(job) == "canceled",
                         "job %d is %s, not canceled" % (job, cupsd.job_state(job)))
        check(not os.path.exists(output), "the printer got a document")
    finally:
        app.kill()


def test():
    for tool in ("pdfinfo", "pdfimages", "lpstat", "ipptool"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            sys.exit(SKIPPED)
    work = tempfile.mkdtemp(prefix="mekuri-print-policy-")
    book = harness.make_book(os.path.join(work, "portrait.zip"), PORTRAIT, zip=True)
    other = harness.make_book(os.path.join(work, "landscape.zip"), LANDSCAPE, zip=True)
    cupsd = PrivateCupsd()
    try:
        try:
            cupsd.start()
        except Unavailable as why:
            print("skipped: no private cupsd here:", why)
            sys.exit(SKIPPED)
        cupsd.add_printer("mekuri-pdf", PDF_PPD, "book.pdf")
        cupsd.run(["lpadmin", "-d", "mekuri-pdf"])
        commands_refused_while_printing(cupsd, book, other)
        quitting_cancels_the_job(cupsd, book, "menu")
        quitting_cancels_the_job(cupsd, book, "close button")
    finally:
        cupsd.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
