#pragma once

#include <FL/Fl_Widget.H>

#include "CatalogScroll.h"
#include "views/ScrInertiaHdr.h"

class CatalogView;

// The grid of catalog cells (150 × 180 each) inside the scroll area. Draws the cells that meet
// the clip region: selection background, thumbnail unscaled from the entry's pixels (or the
// empty frame), the name in up to three lines. Handles the mouse: selection, double click to
// open, a click on the selected name to rename, the right button's menu, drag with inertia.
// UI thread only.
class CatalogPage : public Fl_Widget {
  public:
    CatalogPage(int x, int y, int w, int h, CatalogView* view, CatalogScroll* scroll);
    ~CatalogPage() override;

    void draw() override;
    int handle(int event) override;
    // Moving or resizing the page (the scroll area scrolls it so) ends an open rename.
    void resize(int x, int y, int w, int h) override;

    // The inertia handler of the grid: it scrolls the scroll area.
    class CPInertiaHdr : public ScrInertiaHdr<Fl_Scroll> {
      public:
        CPInertiaHdr(Fl_Scroll* target, CatalogPage* owner)
            : ScrInertiaHdr<Fl_Scroll>(target), owner_(owner)
        {
        }

      private:
        CatalogPage* owner_;
    };

    CPInertiaHdr inertia;

  private:
    void drawCell(int index, int x, int y);
    int handlePush();
    int handleRelease();

    CatalogView* view_;
};
