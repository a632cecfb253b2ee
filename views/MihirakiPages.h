#pragma once

#include <FL/Fl_Widget.H>

class ViewerState;

// The spread view: the current spread of the open book at the current zoom. It is the only
// content child of the main window's scroll area and sizes itself to the scaled spread.
// UI thread only.
class MihirakiPages : public Fl_Widget {
public:
    MihirakiPages(int x, int y, int w, int h, ViewerState* owner);

    void draw() override;

    ViewerState* owner;

private:
    void fillEmptyInterior();
};
