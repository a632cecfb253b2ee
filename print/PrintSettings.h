#pragma once

#include <string>

#include "print/DeviceMode.h"

// The print options the main window keeps between print dialogs, with their defaults. The
// print dialog loads its widgets from them and stores them back on OK; the printer operations
// (PrinterSettings.h) change `printerName`, `printerDevmode` and `paperOrientation` at once.
// UI thread only.
struct PrintSettings {
    std::string printerName;         // chosen printer; empty until the first print dialog
    DeviceMode printerDevmode;       // that printer's settings record
    int printRange = 0;              // 0 all pages, 1 the current spread, 2 the pages of pageSpec
    int printLayout = 0;             // 0 one page a sheet, 1 two side by side, 2 two stacked
    bool firstPageAlone = false;     // two-page layouts: a blank slot before the first page
    bool booklet = false;            // two-page layouts: booklet imposition
    int ditherMode = 0;              // 0 printer's own halftoning, 1-5 DitherMethod (Dither.h)
    int nupIndex = 0;                // printer-side N-up: 0 none, 1 2-up, 2 4-up, 3 6-up, 4 8-up
    bool excludeColourPages = false; // pages holding colour are not binarised
    bool binariseOnColourPrinter = false; // binarise also on a colour printer
    int paperOrientation = 1;             // 1 portrait, 2 landscape
    int sheetFilter = 0;                  // 0 all sheets, 1 odd-numbered only, 2 even-numbered only
    std::string pageSpec;                 // pages for range 2, such as "1-3,8"

    // True when the printer prints colour (its record's colour field is 2).
    bool colourPrinter() const { return printerDevmode.color == 2; }
};
