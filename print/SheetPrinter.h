#pragma once

#include <vector>

#include "print/DeviceContext.h"
#include "print/PrintPageSource.h"
#include "print/PrintSettings.h"

// Prints the sheets of a job onto a device context: one page a sheet, two side by side (in
// the book's binding order) or two stacked, each page in colour or prepared for a monochrome
// printer as the settings say. Pages are fetched for their sheet and given back after it.
// UI thread only.
struct SheetJob {
    PrintPageSource& source;
    const PrintSettings& settings;
    DeviceContext& dc;
    int printableWidth;  // W: the device's printable area in dots
    int printableHeight; // H
    bool rightBinding;   // the book reads right to left: a pair's first page goes right
    // When set and true, no further sheet is begun (the job was cancelled meanwhile).
    const bool* cancelled = nullptr;
};

// One page on a sheet of its own; a blank (-1) slot gives an empty sheet.
void printSheetSingle(const SheetJob& job, int page);
// Two pages side by side, each with a 2 % margin in its half.
void printSheetSideBySide(const SheetJob& job, int first, int second);
// Two pages one above the other, each with a 2 % margin in its half.
void printSheetStacked(const SheetJob& job, int first, int second);

// Draws one page picture into the slot rectangle (x, y, w, h) in dots: binarised or grey
// with printBlit when the printer gets no colour, else in colour with pageBlit.
void drawSlot(const SheetJob& job, const unsigned char* pixels, int width, int height, int x, int y,
              int w, int h);

// Walks the sheets of `sequence` with the settings' layout and sheet filter, printing the
// selected ones, and lets the toolkit process pending events after every sheet; stops before a
// sheet once the job's `cancelled` flag is set. Returns the number of sheets printed.
int printSheets(const SheetJob& job, const std::vector<int>& sequence);
