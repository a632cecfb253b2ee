#pragma once

#include <FL/Fl_Hold_Browser.H>

class ViewerState;

// The narrow list at the main window's left edge: one row per spread of the open book. A click
// on a row shows that spread (the list's callback). UI thread only.
class PageList : public Fl_Hold_Browser {
public:
    PageList(int x, int y, int w, int h, ViewerState* owner);

private:
    ViewerState* owner_;
};
