#pragma once

#include <FL/Fl_Group.H>
#include <FL/Fl_Scrollbar.H>

namespace MekuriCustom {

// The toolkit's scroll area with one change: it paints its children first and then fills only
// what they leave uncovered, so the area under the spread is never cleared to the background
// colour (no flicker while scrolling a large spread). Same members, scrollbar logic and public
// operations as ::Fl_Scroll. UI thread only.
class Fl_Scroll : public Fl_Group {
  public:
    enum { HORIZONTAL = 1, VERTICAL = 2, BOTH = 3, ALWAYS_ON = 4 };

    Fl_Scroll(int x, int y, int w, int h, const char* label = nullptr);

    void resize(int x, int y, int w, int h) override;
    int handle(int event) override;

    // Scrolls the content so that its top-left is `x`, `y` pixels inside the interior.
    // Does nothing when both equal the current values.
    void position(int x, int y);
    int xposition() const { return xposition_; }
    int yposition() const { return yposition_; }
    // The interior inside the box frame, without the scrollbars that show.
    void bbox(int& x, int& y, int& w, int& h) const;
    // The interior inside the box frame, scrollbars included.
    void interior(int& x, int& y, int& w, int& h) const;

    Fl_Scrollbar scrollbar;  // vertical, at the right edge
    Fl_Scrollbar hscrollbar; // horizontal, at the bottom edge

  protected:
    void draw() override;

  private:
    struct Layout {
        int childL, childR, childT, childB; // bounding box of the content children
        bool hneeded, vneeded;
        int innerX, innerY, innerW, innerH; // interior less the shown scrollbars
    };

    void fixScrollbarOrder();
    Layout computeLayout() const;
    void paintArea(int x, int y, int w, int h); // the painting rule
    static void paintAreaCb(void* self, int x, int y, int w, int h);
    static void scrollbarCb(Fl_Widget* bar, void* self);
    static void hscrollbarCb(Fl_Widget* bar, void* self);

    int xposition_ = 0, yposition_ = 0;
    int oldx_ = 0, oldy_ = 0; // position at the last draw, for scrolling by copying pixels
};

} // namespace MekuriCustom
