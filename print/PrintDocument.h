#pragma once

#include <vector>

#include "print/PrintPageSource.h"
#include "print/PrintSettings.h"

// The print command's job: the page sequence printed on the chosen printer as one CUPS job
// titled "mekuri", rendered sheet by sheet into a PDF streamed to the server. UI thread only;
// `owner` is the window error boxes belong to.

// True when `sequence` names at least one page of a book of `pageCount` pages.
bool sequenceHasPages(const std::vector<int>& sequence, int pageCount);

// Prints `sequence` with `settings` (printer, settings record, layout, filter, binarisation).
// Nothing to print shows the error box "印刷するページがありません。または印刷範囲が不正です\n"
// and returns 0; so does a call made while a job is running (from the events pumped between
// sheets), after a trace. Otherwise returns the CUPS job number, or throws PrintException: 2885
// when the printer or its printable area cannot be had, 2929 when the job cannot be started, 2961
// when it cannot be completed (the job is then cancelled). Pages sent stay sent.
int printDocument(PrintPageSource& source, const PrintSettings& settings,
                  const std::vector<int>& sequence, bool rightBinding, const void* owner);

// The OK handler's printing step: printDocument with its PrintException caught, traced as
// "print exception! %s (at %d)" and shown to the user in an error box with the reason.
// Returns the job number, 0 when nothing was printed.
int runPrintJob(PrintPageSource& source, const PrintSettings& settings,
                const std::vector<int>& sequence, bool rightBinding, const void* owner);
