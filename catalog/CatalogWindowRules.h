#pragma once

#include <functional>
#include <string>

#include "CatalogGrid.h"

// Decisions of the catalog window that need no widget: the in-place rename field's size and
// the entry a Tab moves the rename to, the names a rename may give, the wheel's scroll step,
// what hiding the window asks of the main window, and when the window may be deleted. Pure
// functions and a plain counter; UI thread (the counter) or any thread (the functions).

// Line height and first-line offset of the rename field, which sits at (X + 5, Y + 130) of
// its cell, 140 × 40, and grows once its text needs a third line.
constexpr int kRenameFieldWidth = 140;
constexpr int kRenameFieldHeight = 40;
constexpr int kRenameLineHeight = 12;
constexpr int kRenameFieldMinTop = 36;

// Where the rename field of the cell at `origin` first appears.
GridRect renameFieldRect(CellOrigin origin);

// The field's new place for a text of `lines` lines, or false when it keeps its size: when
// `lines` equals `lastLines` or is below 3. Height 12 × lines + 4, never past the window's
// bottom − 2; top at the cell's Y + 130, raised to at least 36.
bool fitRenameField(CellOrigin origin, int lines, int lastLines, int windowHeight, GridRect& field);

// Lines a multi-line field shows for `text` when it wraps words at spaces into `wrapWidth`
// pixels the way the toolkit's input does: a line ends at a newline, or before the word that
// would pass the width (the first word of a line always stays, however wide). `measure` gives
// the width of a run of bytes. At least 1.
int wrappedLineCount(const std::string& text, int wrapWidth,
                     const std::function<int(const char* bytes, int length)>& measure);

// The entry a Tab (or Shift+Tab) moves the rename to after entry `selected` among `count`,
// or -1 when there is none.
int nextRenameTarget(int selected, int count, bool backwards);

// Whether a rename may give an archive this name: not empty, not "." or "..", no "/" and no
// control character (a newline pasted into the field included), at most 255 bytes.

// The vertical scroll position after a wheel turn of `d` (120 a notch, positive away from the
// user): one row (180 pixels) a whole notch, within 0 .. page height − area height + 4. The
// position stays when the page fits the area.
int wheelScrollPosition(int scrollY, int d, int pageHeight, int scrollAreaHeight);

// What the catalog window's hide asks of the main window. Nothing unless the catalog window
// is really gone (not iconified), is not being deleted by the program, and the main window is
// not closing it ("閉じる"): then an iconified main window is restored and a shown main window
// is asked to close, so that closing the catalog with its frame ends the program.
struct HideRuleAction {
    bool restoreMain = false;
    bool closeMain = false;
};
HideRuleAction hideRuleAction(bool catalogStillShown, bool beingDeleted, bool closingCatalog,
                              bool mainShown, bool mainIconified);
