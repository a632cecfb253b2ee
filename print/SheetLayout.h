#pragma once

#include <vector>

#include "print/PrintSettings.h"

// Where pages go on a sheet and which sheets and methods a job uses. Scales and offsets are
// single-precision and truncated, so the rectangles are those the printed sheets show.
// Pure functions; any thread.

// A rectangle in device pixels, y counted downwards from the printable area's top.
struct SheetRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const SheetRect& o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// One page on a whole printable area W × H, centred, as large as it fits.
SheetRect singleSlotRect(int printableWidth, int printableHeight, int imageWidth, int imageHeight);
// One page in the left (`rightHalf` false) or right half of a W × H area, with a 2 % margin
// inside its half.
SheetRect sideBySideSlotRect(int printableWidth, int printableHeight, int imageWidth,
                             int imageHeight, bool rightHalf);
// One page in the upper (`lowerHalf` false) or lower half, with a 2 % margin inside its half.
SheetRect stackedSlotRect(int printableWidth, int printableHeight, int imageWidth, int imageHeight,
                          bool lowerHalf);

// One sheet of a job: its number (from 1) and its two slots (-1 blank; `second` is unused
// with layout 0); `printed` is false when the sheet filter passes it over.
struct PlannedSheet {
    int number = 0;
    int first = -1;
    int second = -1;
    bool printed = true;
};

// True when the sheet filter (0 all, 1 odd, 2 even) prints sheet `sheetNumber`.
bool sheetSelected(int sheetFilter, int sheetNumber);

// The sheets of `sequence` for `layout` (0 one page a sheet, else two) and `sheetFilter`.
// A second slot is blank when the sequence has no further element or the element is not a
// page index below `pageCount`.
std::vector<PlannedSheet> planSheets(const std::vector<int>& sequence, int layout, int sheetFilter,
                                     int pageCount);

// True when pages are binarised: the option says so or the printer prints no colour.
bool binariseForPrinter(const PrintSettings& settings);

// The binarisation method for one page: `ditherMode`, or 0 (left to the printer) for a page
// holding colour when colour pages are excluded. `colourPage` is only consulted then.
int slotDitherMode(const PrintSettings& settings, bool colourPage);
