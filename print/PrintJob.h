#pragma once

#include <vector>

#include "print/DeviceContext.h"
#include "print/PrintPageSource.h"
#include "print/PrintSettings.h"

// The program's print job, from the moment the user confirms it (ＯＫ) until it has ended. It
// keeps its own copies of the settings, the binding and the page sequence: printing pumps
// events between sheets, and nothing done meanwhile may change what it prints. Only one job
// exists at a time; while it does, printJobRunning() is true and the commands that would
// replace the book or start another job refuse. UI thread only.
class PrintJob {
  public:
    // Takes its copies and claims the program's one job place; accepted() tells whether it got
    // it (false while another job exists: this one then prints nothing).
    PrintJob(const PrintSettings& settings, const std::vector<int>& sequence, bool rightBinding);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    bool accepted() const { return accepted_; }

    // Prints the sequence on the chosen printer as one CUPS job titled "mekuri" (a PDF
    // streamed sheet by sheet). Nothing to print shows the error box "印刷するページがありません。
    // または印刷範囲が不正です\n" and returns 0; a job not accepted returns 0 after a trace.
    // Otherwise returns the CUPS job number, 0 when the job was cancelled, or throws
    // PrintException: 2885 when the printer or its printable area cannot be had, 2929 when the
    // job cannot be started, 2961 when it cannot be completed. `owner` owns the error boxes.
    int print(PrintPageSource& source, const void* owner);
    // print() with its PrintException caught, traced ("print exception! %s (at %d)") and shown
    // in an error box with the reason; 0 when nothing was printed.
    int run(PrintPageSource& source, const void* owner);

    // The sheets of the job on `dc`, whose printable area is `width` × `height` dots, with
    // the job's copies; stops before the next sheet once cancelled. Returns the sheets printed.
    int printSheetsOn(PrintPageSource& source, DeviceContext& dc, int width, int height);

    // Ends the job at the next sheet boundary (before it begins, if it has not); its CUPS job
    // is cancelled. No box is shown.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // The CUPS job number once the job has been created (also when it was cancelled), else 0.
    int cupsJobId() const { return cupsJobId_; }

  private:
    const PrintSettings settings_;
    const std::vector<int> sequence_;
    const bool rightBinding_;
    bool accepted_ = false;
    bool cancelled_ = false;
    int cupsJobId_ = 0;
};

// True from the moment a job is accepted until it has ended (display-free: the commands'
// guard asks this first, the box is the application's). UI thread only.
bool printJobRunning();

// Cancels the job there is, if any: a job accepted but not begun never begins; a running one
// stops once the sheet being drawn is done (the caller is normally an event the job pumps), its
// PDF stream is abandoned and its CUPS job cancelled on the server, without any box. Returns at
// once, true when there was a job to cancel; printJobRunning() stays true until the job has
// unwound. Safe to call again. UI thread only (a signal handler must defer to the UI thread).
bool cancelRunningPrintJob();
