#include "CatalogScroll.h"

CatalogScroll::CatalogScroll(int x, int y, int w, int h) : Fl_Scroll(x, y, w, h)
{
    type(Fl_Scroll::VERTICAL);
    box(FL_DOWN_FRAME);
    scrollbar_size(16);
    scrollbar.visible_focus(0);
    hscrollbar.visible_focus(0);
}

int CatalogScroll::handle(int event)
{
    if (event == FL_MOUSEWHEEL)
        return 0;
    return Fl_Scroll::handle(event);
}
