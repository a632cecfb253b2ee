#include "MekuriScroll.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <climits>

namespace MekuriCustom {

Fl_Scroll::Fl_Scroll(int x, int y, int w, int h, const char* label)
    : Fl_Group(x, y, w, h, label),
      scrollbar(x + w - Fl::scrollbar_size(), y, Fl::scrollbar_size(), h - Fl::scrollbar_size()),
      hscrollbar(x, y + h - Fl::scrollbar_size(), w - Fl::scrollbar_size(), Fl::scrollbar_size())
{
    type(BOTH);
    box(FL_NO_BOX);
    scrollbar.type(FL_VERTICAL);
    scrollbar.linesize(1);
    scrollbar.callback(scrollbarCb, this);
    hscrollbar.type(FL_HORIZONTAL);
    hscrollbar.linesize(1);
    hscrollbar.callback(hscrollbarCb, this);
}

void Fl_Scroll::fixScrollbarOrder()
{
    // Content children come first, the two scrollbars last (children added later go after
    // them, so move the bars back to the end).
    const int n = children();
    if (n >= 2 && child(n - 2) == &scrollbar && child(n - 1) == &hscrollbar)
        return;
    remove(scrollbar);
    remove(hscrollbar);
    add(scrollbar);
    add(hscrollbar);
}

void Fl_Scroll::interior(int& x, int& y, int& w, int& h) const
{
    x = this->x() + Fl::box_dx(box());
    y = this->y() + Fl::box_dy(box());
    w = this->w() - Fl::box_dw(box());
    h = this->h() - Fl::box_dh(box());
}

void Fl_Scroll::bbox(int& x, int& y, int& w, int& h) const
{
    interior(x, y, w, h);
    if (scrollbar.visible())
        w -= scrollbar.w();
    if (hscrollbar.visible())
        h -= hscrollbar.h();
}

Fl_Scroll::Layout Fl_Scroll::computeLayout() const
{
    Layout l;
    int X, Y, W, H;
    interior(X, Y, W, H);
    l.childL = l.childR = X;
    l.childT = l.childB = Y;
    bool first = true;
    for (int i = 0; i < children(); ++i) {
        const Fl_Widget* o = child(i);
        if (o == &scrollbar || o == &hscrollbar)
            continue;
        if (first) {
            l.childL = o->x();
            l.childR = o->x() + o->w();
            l.childT = o->y();
            l.childB = o->y() + o->h();
            first = false;
        } else {
            l.childL = std::min(l.childL, o->x());
            l.childR = std::max(l.childR, o->x() + o->w());
            l.childT = std::min(l.childT, o->y());
            l.childB = std::max(l.childB, o->y() + o->h());
        }
    }
    const int size = Fl::scrollbar_size();
    l.vneeded = l.hneeded = false;
    // Twice, because showing one bar narrows the room in the other direction.
    for (int pass = 0; pass < 2; ++pass) {
        if (!l.vneeded && (type() & VERTICAL) &&
            ((type() & ALWAYS_ON) || l.childT < Y || l.childB > Y + H)) {
            l.vneeded = true;
            W -= size;
        }
        if (!l.hneeded && (type() & HORIZONTAL) &&
            ((type() & ALWAYS_ON) || l.childL < X || l.childR > X + W)) {
            l.hneeded = true;
            H -= size;
        }
    }
    l.innerX = X;
    l.innerY = Y;
    l.innerW = W;
    l.innerH = H;
    return l;
}

void Fl_Scroll::paintArea(int X, int Y, int W, int H)
{
    fl_push_clip(X, Y, W, H);
    if (box())
        fl_color(color());
    int right = X, bottom = Y;
    for (int i = 0; i < children(); ++i) {
        Fl_Widget& o = *child(i);
        if (&o == &scrollbar || &o == &hscrollbar)
            continue;
        draw_child(o);
        draw_outside_label(o);
        right = std::max(right, o.x() + o.w());
        bottom = std::max(bottom, o.y() + o.h());
    }
    fl_color(color());
    if (right < X + W && bottom > Y)
        fl_rectf(right, Y, X + W - right, bottom - Y);
    if (bottom < Y + H)
        fl_rectf(X, bottom, W, Y + H - bottom);
    fl_pop_clip();
}

void Fl_Scroll::paintAreaCb(void* self, int x, int y, int w, int h)
{
    static_cast<Fl_Scroll*>(self)->paintArea(x, y, w, h);
}

void Fl_Scroll::draw()
{
    fixScrollbarOrder();
    int X, Y, W, H;
    bbox(X, Y, W, H);
    uchar d = damage();
    if (d & FL_DAMAGE_ALL) {
        draw_box(box(), x(), y(), w(), h(), color());
        paintArea(X, Y, W, H);
    } else {
        if (d & FL_DAMAGE_SCROLL) {
            fl_scroll(X, Y, W, H, oldx_ - xposition_, oldy_ - yposition_, paintAreaCb, this);
            // Paint what the content does not reach after the move.
            int L = INT_MAX, R = INT_MIN, T = INT_MAX, B = INT_MIN;
            for (int i = 0; i < children(); ++i) {
                const Fl_Widget* o = child(i);
                if (o == &scrollbar || o == &hscrollbar)
                    continue;
                L = std::min(L, o->x());
                R = std::max(R, o->x() + o->w());
                T = std::min(T, o->y());
                B = std::max(B, o->y() + o->h());
            }
            if (L > X)
                paintArea(X, Y, L - X, H);
            if (R < X + W)
                paintArea(R, Y, X + W - R, H);
            if (T > Y)
                paintArea(X, Y, W, T - Y);
            if (B < Y + H)
                paintArea(X, B, W, Y + H - B);
        }
        if (d & FL_DAMAGE_CHILD) {
            fl_push_clip(X, Y, W, H);
            for (int i = 0; i < children(); ++i) {
                Fl_Widget& o = *child(i);
                if (&o != &scrollbar && &o != &hscrollbar)
                    update_child(o);
            }
            fl_pop_clip();
        }
    }

    const Layout l = computeLayout();
    const int size = Fl::scrollbar_size();
    interior(X, Y, W, H);
    if (l.vneeded && !scrollbar.visible()) {
        scrollbar.set_visible();
        d = FL_DAMAGE_ALL;
    } else if (!l.vneeded && scrollbar.visible()) {
        scrollbar.clear_visible();
        paintArea(scrollbar.x(), scrollbar.y(), scrollbar.w(), scrollbar.h());
        d = FL_DAMAGE_ALL;
    }
    if (l.hneeded && !hscrollbar.visible()) {
        hscrollbar.set_visible();
        d = FL_DAMAGE_ALL;
    } else if (!l.hneeded && hscrollbar.visible()) {
        hscrollbar.clear_visible();
        paintArea(hscrollbar.x(), hscrollbar.y(), hscrollbar.w(), hscrollbar.h());
        d = FL_DAMAGE_ALL;
    }
    if (d & FL_DAMAGE_ALL && scrollbar.visible() != hscrollbar.visible()) {
        // The corner square belongs to the content again when only one bar shows.
        paintArea(X + W - size, Y + H - size, size, size);
    }

    scrollbar.resize(X + W - size, l.innerY, size, l.innerH);
    {
        int pos = l.innerY - l.childT, total = l.childB - l.childT, first = 0;
        if (pos < 0) {
            total += -pos;
            first = pos;
        }
        oldy_ = yposition_ = pos;
        scrollbar.value(pos, l.innerH, first, total);
    }
    hscrollbar.resize(l.innerX, Y + H - size, l.innerW, size);
    {
        int pos = l.innerX - l.childL, total = l.childR - l.childL, first = 0;
        if (pos < 0) {
            total += -pos;
            first = pos;
        }
        oldx_ = xposition_ = pos;
        hscrollbar.value(pos, l.innerW, first, total);
    }

    if (d & FL_DAMAGE_ALL) {
        draw_child(scrollbar);
        draw_child(hscrollbar);
        if (scrollbar.visible() && hscrollbar.visible()) {
            fl_color(color());
            fl_rectf(scrollbar.x(), hscrollbar.y(), scrollbar.w(), hscrollbar.h());
        }
    } else {
        update_child(scrollbar);
        update_child(hscrollbar);
    }
}

void Fl_Scroll::resize(int X, int Y, int W, int H)
{
    const int dx = X - x(), dy = Y - y();
    const int dw = W - w(), dh = H - h();
    Fl_Widget::resize(X, Y, W, H);
    fixScrollbarOrder();
    for (int i = 0; i < children(); ++i) {
        Fl_Widget* o = child(i);
        if (o != &scrollbar && o != &hscrollbar)
            o->position(o->x() + dx, o->y() + dy);
    }
    if (dw == 0 && dh == 0) {
        scrollbar.position(X + W - scrollbar.w(), Y);
        hscrollbar.position(X, Y + H - hscrollbar.h());
    } else {
        redraw(); // the bars are laid out again at the next draw
    }
}

int Fl_Scroll::handle(int event)
{
    fixScrollbarOrder();
    return Fl_Group::handle(event);
}

void Fl_Scroll::position(int X, int Y)
{
    const int dx = xposition_ - X;
    const int dy = yposition_ - Y;
    if (!dx && !dy)
        return;
    xposition_ = X;
    yposition_ = Y;
    for (int i = 0; i < children(); ++i) {
        Fl_Widget* o = child(i);
        if (o != &scrollbar && o != &hscrollbar)
            o->position(o->x() + dx, o->y() + dy);
    }
    damage(FL_DAMAGE_SCROLL);
}

void Fl_Scroll::scrollbarCb(Fl_Widget* bar, void* self)
{
    auto* s = static_cast<Fl_Scroll*>(self);
    s->position(s->xposition(), static_cast<Fl_Scrollbar*>(bar)->value());
}

void Fl_Scroll::hscrollbarCb(Fl_Widget* bar, void* self)
{
    auto* s = static_cast<Fl_Scroll*>(self);
    s->position(static_cast<Fl_Scrollbar*>(bar)->value(), s->yposition());
}

} // namespace MekuriCustom
