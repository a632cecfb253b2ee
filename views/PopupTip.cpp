#include "PopupTip.h"

#include <FL/fl_draw.H>

#include "PageList.h"

TipLines tipLinesForRow(int row, int spreadShift, const std::function<std::string(int)>& nameOf)
{
    const int first = 2 * row - spreadShift;
    return {nameOf(first), nameOf(first + 1)};
}

PopupTip::PopupTip(int x, int y, int w, int h, PageList* owner_)
    : Fl_Window(x, y, w, h, "popup"), owner(owner_)
{
    box(FL_BORDER_BOX);
    clear_border();
    set_tooltip_window();
    force_position(1);
    end();
}

void PopupTip::draw()
{
    fl_font(0, 10);
    fl_color(255, 255, 196);
    fl_rectf(0, 0, w(), h());
    fl_color(FL_BLACK);
    fl_rect(0, 0, w(), h());
    fl_draw(owner->tipLine1.c_str(), 4, 12);
    fl_draw(owner->tipLine2.c_str(), 4, 24);
    fl_color(255, 0, 0);
    fl_rectf(0, h() - 2, 2, 2);
}
