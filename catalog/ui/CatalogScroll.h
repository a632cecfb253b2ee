#pragma once

#include <FL/Fl_Scroll.H>

// The catalog window's scroll area: vertical bar only, 16 pixels wide, framed with a 2-pixel
// sunken frame. It leaves the mouse wheel to the program's wheel handler (which calls
// CatalogView::handleWheel), so a turn scrolls one row and cancels a rename. UI thread only.
class CatalogScroll : public Fl_Scroll {
  public:
    CatalogScroll(int x, int y, int w, int h);
    int handle(int event) override;
};
