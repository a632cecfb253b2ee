#pragma once

#include <vector>

#include "print/PrintPageSource.h"
#include "print/PrintSettings.h"

// A print job in one call: a PrintJob (PrintJob.h) made of copies of the arguments and printed
// at once. UI thread only; `owner` is the window error boxes belong to.

// True when `sequence` names at least one page of a book of `pageCount` pages.
bool sequenceHasPages(const std::vector<int>& sequence, int pageCount);

// Prints `sequence` with `settings` (printer, settings record, layout, filter, binarisation) as
// PrintJob::print does: the error box when there is nothing to print, 0 after a trace while
// another job exists (a call from the events pumped between sheets), 0 when cancelled, else the
// CUPS job number; throws PrintException 2885, 2929 or 2961. Pages sent stay sent.
int printDocument(PrintPageSource& source, const PrintSettings& settings,
                  const std::vector<int>& sequence, bool rightBinding, const void* owner);

// printDocument with its PrintException caught, traced as "print exception! %s (at %d)" and
// shown to the user in an error box with the reason. Returns the job number, 0 when nothing
// was printed.
int runPrintJob(PrintPageSource& source, const PrintSettings& settings,
                const std::vector<int>& sequence, bool rightBinding, const void* owner);
