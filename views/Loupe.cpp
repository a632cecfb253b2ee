#include "Loupe.h"

#include <FL/Fl.H>

#include <cstdlib>

#include "MihirakiPages.h"
#include "ViewerState.h"

Loupe::Loupe(int x, int y, int w, int h, ViewerState* owner_)
    : Fl_Window(x, y, w, h, "LOUPE"), owner(owner_)
{
    type(FL_WINDOW);
    box(FL_FLAT_BOX);
    force_position(1);
    end();
}

Loupe::~Loupe()
{
    Fl::remove_timeout(closeCb, this);
}

void Loupe::draw()
{
    // The window system shows the window after the press that made it painted it, and drops
    // what was drawn before; paint the last point again.
    if (painted && owner->pages)
        owner->pages->paintLoupe(this, lastSpreadX, lastSpreadY);
}

int Loupe::handle(int event)
{
    switch (event) {
    case FL_PUSH:
        if (Fl::event_button() == FL_LEFT_MOUSE) {
            grabX = Fl::event_x();
            grabY = Fl::event_y();
            dragging = 1;
            return 1;
        }
        if (Fl::event_button() == FL_RIGHT_MOUSE) {
            requestClose();
            dragging = 0;
            return 1;
        }
        break;
    case FL_DRAG: {
        if (!(Fl::event_state() & FL_BUTTON1) || !dragging)
            break;
        // Relative to the loupe, which moved with the last event: the travel since then.
        const int dx = Fl::event_x() - grabX, dy = Fl::event_y() - grabY;
        if (std::abs(dx) + std::abs(dy) <= 2)
            return 1;
        MihirakiPages* pages = owner->pages;
        const Fl_Window* top = owner->topWindow();
        const int half = owner->loupeSize / 2;
        pages->drawLoupe(x() + dx, y() + dy, x() + half + dx - top->x() - pages->x(),
                         y() + half + dy - top->y() - pages->y());
        return 1;
    }
    case FL_RELEASE:
        if (Fl::event_button() == FL_LEFT_MOUSE) {
            if (!Fl::event_is_click())
                dragging = 0;
            else
                requestClose();
            return 1;
        }
        break;
    default:
        break;
    }
    return Fl_Window::handle(event);
}

void Loupe::requestClose()
{
    if (closePending_)
        return;
    closePending_ = true;
    Fl::add_timeout(0.0, closeCb, this);
}

void Loupe::closeCb(void* self)
{
    auto* loupe = static_cast<Loupe*>(self);
    loupe->closePending_ = false;
    if (loupe->owner->pages)
        loupe->owner->pages->endMode(); // destroys the loupe
}
