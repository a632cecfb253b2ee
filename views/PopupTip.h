#pragma once

#include <FL/Fl_Window.H>

#include <functional>
#include <string>

class PageList;

// The two lines of the spread list's tip for row `row` (from 0): the display names of the
// row's first page, 2 × row − spreadShift, and of the page after it. `nameOf` gives a page's
// display name, "*" outside the book. Pure; any thread.
struct TipLines {
    std::string line1, line2;
};
TipLines tipLinesForRow(int row, int spreadShift, const std::function<std::string(int)>& nameOf);

// The small borderless window beside the pointer that names the two pages of the spread-list
// row under it. Created and destroyed only by its PageList. UI thread only.
class PopupTip : public Fl_Window {
  public:
    // At screen point (x, y), forced there, labelled "popup", box FL_BORDER_BOX; kept out of the
    // window manager's way (no border, no focus).
    PopupTip(int x, int y, int w, int h, PageList* owner);

    // Pale yellow, outlined in black, the two names in font 0 at size 10, a red 2×2 mark at the
    // bottom-left corner where the pointer is.
    void draw() override;

    PageList* owner;
};
