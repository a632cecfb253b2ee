#pragma once

#include <FL/Fl_Browser_.H>
#include <FL/Fl_Scroll.H>

#include <algorithm>

#include "InertiaHdr.h"
#include "MekuriScroll.h"

// How the inertia handler reads and moves each kind of scrolled widget. Plain overloads, not
// templates, so that a browser subclass picks the browser version.
namespace ScrollTarget {

// Scroll areas: the content position and the two scrollbars' ranges.
inline void read(MekuriCustom::Fl_Scroll* t, int& x, int& y)
{
    x = t->xposition();
    y = t->yposition();
}
inline void read(Fl_Scroll* t, int& x, int& y)
{
    x = t->xposition();
    y = t->yposition();
}
inline void move(MekuriCustom::Fl_Scroll* t, int x, int y)
{
    t->position(x, y);
}
inline void move(Fl_Scroll* t, int x, int y)
{
    t->scroll_to(x, y);
}

// Browsers: horizontal and vertical positions, moved only along an axis whose bar shows (the
// browser's own setters redraw the lines).
inline void read(Fl_Browser_* t, int& x, int& y)
{
    x = t->hposition();
    y = t->position();
}
inline void move(Fl_Browser_* t, int x, int y)
{
    if (t->hscrollbar.visible())
        t->hposition(std::max(0, x));
    if (t->scrollbar.visible())
        t->position(std::max(0, y));
}

// Every kind has the two scrollbars as public members.
template <class T> void ranges(T* t, int& hmin, int& hmax, int& vmin, int& vmax)
{
    hmin = static_cast<int>(t->hscrollbar.minimum());
    hmax = static_cast<int>(t->hscrollbar.maximum());
    vmin = static_cast<int>(t->scrollbar.minimum());
    vmax = static_cast<int>(t->scrollbar.maximum());
}

} // namespace ScrollTarget

// An inertia handler that scrolls a widget of type T: the content follows the pointer from the
// scroll position the drag began at, kept within the scrollbars' ranges.
template <class T> class ScrInertiaHdr : public InertiaHdr {
  public:
    explicit ScrInertiaHdr(T* target, Clock clock = nullptr)
        : InertiaHdr(std::move(clock)), target_(target)
    {
    }

    // Starts a drag at the pointer (recording the scroll position and the bounds) or adds a
    // sample to the running one. `time` is the event's time; samples use the handler's clock.
    void beginOrFeed(int x, int y, unsigned time = 0)
    {
        (void)time;
        if (state() == IDLE) {
            ScrollTarget::read(target_, scrollX0_, scrollY0_);
            int hmin, hmax, vmin, vmax;
            ScrollTarget::ranges(target_, hmin, hmax, vmin, vmax);
            setBounds(x - (hmax - scrollX0_), x + (scrollX0_ - hmin), y - (vmax - scrollY0_),
                      y + (scrollY0_ - vmin));
        }
        feed(x, y);
    }

    // Ends a button-1 drag at the pointer. The release point is fed first unless
    // `feedRelease` is false (a touch screen's release repeats its last move). A drag (not
    // `click`) goes on by inertia when it was fast enough and true is returned; a click stops
    // the handler and false is returned.
    bool endDrag(int x, int y, bool feedRelease, bool click)
    {
        if (feedRelease)
            beginOrFeed(x, y);
        if (click) {
            stop();
            return false;
        }
        release();
        return true;
    }

    T* target() const { return target_; }
    // Points the handler at another widget (only while idle).
    void target(T* t) { target_ = t; }

  protected:
    void dragCallback(int x, int y) override { inertiaCallback(x, y); }
    void inertStart(int, int) override {}
    void inertiaCallback(int x, int y) override
    {
        ScrollTarget::move(target_, static_cast<int>(startX_) + scrollX0_ - x,
                           static_cast<int>(startY_) + scrollY0_ - y);
    }
    void inertComplete() override {}

  private:
    T* target_;
    int scrollX0_ = 0, scrollY0_ = 0;
};
