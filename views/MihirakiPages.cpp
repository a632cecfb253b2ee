#include "MihirakiPages.h"

#include <FL/fl_draw.H>

#include "MekuriScroll.h"
#include "ViewerState.h"

MihirakiPages::MihirakiPages(int x, int y, int w, int h, ViewerState* owner_)
    : Fl_Widget(x, y, w, h), owner(owner_)
{
    box(FL_NO_BOX);
    color(FL_GRAY);
}

void MihirakiPages::fillEmptyInterior()
{
    const MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    fl_color(192, 192, 192);
    fl_rectf(77, 22, area->w() - 4, area->h() - 4);
}

void MihirakiPages::draw()
{
    fillEmptyInterior();
}
