#pragma once

#include <string>
#include <vector>

#include "CatalogEntry.h"

// The arithmetic of the catalog window's grid, free of widgets: cells of 150 × 180 pixels on a
// page that starts at (2, 22) of the window and is the window's width less 20 wide. Window
// coordinates throughout unless a name says "page". Pure functions, any thread.

constexpr int kCellWidth = 150;
constexpr int kCellHeight = 180;
constexpr int kPageLeft = 2;
constexpr int kPageTop = 22;
constexpr int kMaxPageHeight = 32743; // the toolkit's 16-bit coordinates
constexpr int kLabelLineBytes = 20;
constexpr int kLabelLines = 3;

struct GridRect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct CellOrigin {
    int x = 0, y = 0;
};

// The page's width in a window `windowWidth` wide.
int pageWidthFor(int windowWidth);
// Columns of a page `pageWidth` wide: pageWidth / 150, at least 1.
int gridColumns(int pageWidth);
// ⌈count / columns⌉.
int gridRows(int count, int columns);
// max(rows, 1) × 180, capped at 32743.
int gridPageHeight(int count, int columns);

// Where cell `index` starts with the scroll area at (scrollX, scrollY).
CellOrigin cellOrigin(int index, int columns, int scrollX, int scrollY);

// Whether a cell at `origin` can show in a window of that size (the clip test is the caller's).
bool cellOnWindow(CellOrigin origin, int windowWidth, int windowHeight);

// The rectangle repainted for one cell: (X, max(Y, 22)) to (X + 150, min(Y + 180, height − 2)).
GridRect cellRepaintRect(CellOrigin origin, int windowHeight);

// Cell parts: the selection background, the 128 × 128 thumbnail box, the picture inside it,
// the one-pixel outline drawn while there is no thumbnail, and label line `line` (0..2).
GridRect selectionRect(CellOrigin origin);
GridRect thumbnailBoxRect(CellOrigin origin);
GridRect thumbnailRect(CellOrigin origin, const CatalogEntry& entry);
GridRect emptyFrameRect(CellOrigin origin);
GridRect labelRect(CellOrigin origin, int line);

// The parts of the thumbnail box the picture leaves free (left, right, above, below; only
// those that are not empty), to be filled with the cell's background.
std::vector<GridRect> thumbnailMargins(CellOrigin origin, const CatalogEntry& entry);

// The label: at most three lines of at most 20 bytes as code page 932 counts them, never
// splitting a character; text past the third line is not shown.
std::vector<std::string> labelLines(const std::string& name);

// What a pointer at window (ex, ey) hits. `Outside`: off the page (nothing happens); `Empty`:
// the page but no entry; `Entry`: entry `index`. pageX/pageY are the page coordinates.
struct GridHit {
    enum Kind { Outside, Empty, Entry } kind = Outside;
    int index = -1;
    int pageX = 0;
    int pageY = 0;
};
GridHit hitTest(int ex, int ey, int scrollX, int scrollY, int pageWidth, int pageHeight,
                int columns, int count);

// Whether page coordinates lie in a cell's name area (x mod 150 in 5..144, y mod 180 in
// 131..175), where a click on the selected entry starts renaming it.
bool inNameArea(int pageX, int pageY);

// Whether the page needs the vertical bar: taller than the scroll area's inside (height − 4).
bool verticalBarNeeded(int pageHeight, int scrollAreaHeight);
// Largest vertical scroll position: page height − scroll area height + 4, at least 0.
int maxVerticalScroll(int pageHeight, int scrollAreaHeight);

// The vertical scroll position that brings cell `index` into view in a window `windowHeight`
// high whose scroll area is `scrollAreaHeight` high, from position `scrollY`; unchanged when
// the page fits without a bar.
int scrollToShowEntry(int index, int columns, int scrollY, int windowHeight, int pageHeight,
                      int scrollAreaHeight);

// The vertical position after the window was resized: lowered to pageHeight + 24 −
// windowHeight when the page needs a bar, else 0.
int scrollAfterResize(int scrollY, int windowHeight, int pageHeight);
