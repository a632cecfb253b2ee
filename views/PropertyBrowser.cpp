#include "PropertyBrowser.h"

#include <FL/Fl.H>

#include "TouchInput.h"
#include "platform/SystemInfo.h"

PropertyBrowser::PropertyBrowser(int x, int y, int w, int h)
    : Fl_BrowserEX(x, y, w, h), inertia(this)
{
    format_char(0); // names and paths are shown as they are, even when they begin with "@"
}

PropertyBrowser::~PropertyBrowser()
{
    inertia.stop();
}

bool PropertyBrowser::overScrollbar() const
{
    return (scrollbar.visible() && Fl::event_inside(&scrollbar)) ||
           (hscrollbar.visible() && Fl::event_inside(&hscrollbar));
}

int PropertyBrowser::handle(int event)
{
    switch (event) {
    case FL_PUSH:
        if (Fl::event_button() != FL_LEFT_MOUSE)
            break;
        if (inertia.state() != InertiaHdr::IDLE)
            inertia.stop();
        if (overScrollbar())
            break;
        inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
        return 1;
    case FL_DRAG:
        if ((Fl::event_state() & FL_BUTTON1) && inertia.state() == InertiaHdr::TRACKING) {
            inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
            return 1;
        }
        break;
    case FL_RELEASE:
        if (Fl::event_button() != FL_LEFT_MOUSE || inertia.state() != InertiaHdr::TRACKING)
            break;
        if (inertia.endDrag(Fl::event_x(), Fl::event_y(), !isTouchMouse(), Fl::event_is_click()))
            return 1;
        break; // a click: nothing to select in a plain listing; the drag simply ends
    default:
        break;
    }
    return Fl_BrowserEX::handle(event);
}
