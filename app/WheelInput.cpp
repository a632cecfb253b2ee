#include "WheelInput.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Window.H>

#include <algorithm>

#include "Commands.h"
#include "Mekuri.h"
#include "WheelRules.h"
#include "ZoomCommands.h"
#include "catalog/ui/CatalogPage.h"
#include "catalog/ui/CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"
#include "views/PropertyBrowser.h"

namespace {

// The list a wheel step over `below` scrolls: the spread list or a property listing.
Fl_Browser* wheelList(Fl_Widget* below)
{
    for (Fl_Widget* o = below; o; o = o->parent()) {
        if (auto* list = dynamic_cast<PageList*>(o))
            return list;
        if (auto* listing = dynamic_cast<PropertyBrowser*>(o))
            return listing;
    }
    return nullptr;
}

bool inside(Fl_Widget* below, Fl_Widget* group)
{
    return below && group && (below == group || group->contains(below));
}

void wheelBackCb(void*)
{
    back_page_cb(JUMP_TO_BOTTOM);
}

void wheelForwardCb(void*)
{
    forward_page_cb(JUMP_TO_TOP);
}

int wheelList(Fl_Browser* list, int d)
{
    MihirakiPages* pages = mainWindow->pages;
    pages->endMode();
    if (pages->mode != MODE_IDLE)
        return 0;
    // The tip would name a row that is no longer under the pointer.
    if (auto* pageList = dynamic_cast<PageList*>(list))
        pageList->cancelTip();
    const int lines = listWheelLines(d);
    if (lines == 0 || !list->scrollbar.visible())
        return 1; // every line shows already
    const int top = std::clamp(list->topline() - lines, 1, std::max(1, list->size()));
    if (top != list->topline())
        list->topline(top);
    // Past the last line the list would show blank space: stop where the scrollbar ends.
    const int bottom = static_cast<int>(list->scrollbar.maximum());
    if (list->position() > bottom)
        list->position(bottom);
    return 1;
}

int wheelSpread(int d)
{
    Mekuri* w = mainWindow;
    MihirakiPages* pages = w->pages;
    if (pages->mode == MODE_INERTIA)
        pages->endMode();
    if (pages->mode != MODE_IDLE)
        return 0;
    const double now = wallSeconds();
    MekuriCustom::Fl_Scroll* area = w->scrollArea;
    const ScrollNeeds needs = needScrollbars(pages->w(), pages->h(), area->w(), area->h());
    const SpreadWheel step = spreadWheel(d, now, w->lastWheelTime, needs, area->yposition());
    switch (step.action) {
    case WHEEL_BACK:
        Fl::add_timeout(0.0, wheelBackCb);
        return 1;
    case WHEEL_FORWARD:
        Fl::add_timeout(0.0, wheelForwardCb);
        return 1;
    case WHEEL_SCROLL:
        area->position(area->xposition(), step.newY);
        break;
    default:
        break;
    }
    if (step.stamp)
        w->lastWheelTime = now;
    return 1;
}

int wheelZoom(int d)
{
    Mekuri* w = mainWindow;
    if (!w->bookOpen)
        return 1;
    MihirakiPages* pages = w->pages;
    if (pages->mode == MODE_IDLE)
        beginWheelZoom();
    if (pages->mode == MODE_ZOOM)
        stepWheelZoom(d > 0 ? 1 : d < 0 ? -1 : 0);
    else if (pages->mode == MODE_INERTIA)
        pages->endMode();
    return 1;
}

// The widget a wheel step is for: the innermost visible widget under the pointer. Not the
// toolkit's below-mouse widget: FLTK on X11 holds pointer motion back until the queue is
// drained, so a wheel step right after a move would still find the widget the pointer left.
Fl_Widget* wheelTarget(Fl_Window* window)
{
    if (!window)
        return nullptr;
    const int ex = Fl::event_x(), ey = Fl::event_y();
    Fl_Widget* found = window;
    for (Fl_Group* group = window; group;) {
        Fl_Widget* hit = nullptr;
        for (int i = group->children(); i--;) {
            Fl_Widget* o = group->child(i);
            // Children of a window have window coordinates; a subwindow starts anew.
            if (o->visible() && !o->as_window() && ex >= o->x() && ex < o->x() + o->w() &&
                ey >= o->y() && ey < o->y() + o->h()) {
                hit = o;
                break;
            }
        }
        if (!hit)
            break;
        found = hit;
        group = hit->as_group();
    }
    return found;
}

} // namespace

void installInputHandlers()
{
    Fl::event_dispatch(appEventHandler);
}

int appEventHandler(int event, Fl_Window* window)
{
    Mekuri* w = mainWindow;
    // A modal dialog keeps the wheel and the keys to itself, as the toolkit would.
    const bool blocked = Fl::modal() && Fl::modal() != window;
    if (event == FL_MOUSEWHEEL && !blocked) {
        if (!w)
            return 1;
        const int d = wheelDistance(Fl::event_dy());
        if (handleWheel(wheelTarget(window), window, d, (Fl::event_state() & FL_CTRL) != 0))
            return 1;
    } else if (event == FL_KEYUP && w && !blocked &&
               (Fl::event_key() == FL_Control_L || Fl::event_key() == FL_Control_R)) {
        if (endCtrlZoom())
            return 1;
    }
    return Fl::handle_(event, window);
}

int handleWheel(Fl_Widget* below, Fl_Window* window, int d, bool ctrl)
{
    Mekuri* w = mainWindow;
    if (Fl_Browser* list = wheelList(below))
        return wheelList(list, d);
    // The catalog window: its grid scrolls (or its in-place rename ends); its other widgets
    // take no wheel.
    if (CatalogView* catalog = w->catalogView; catalog && window == catalog) {
        if (!inside(below, catalog->scrollArea()))
            return 1;
        MihirakiPages* pages = w->pages;
        pages->endMode();
        if (pages->mode != MODE_IDLE)
            return 0;
        return catalog->handleWheel(d);
    }
    if (inside(below, w->scrollArea))
        return ctrl ? wheelZoom(d) : wheelSpread(d);
    // Elsewhere in the program's own windows a wheel step does nothing; other windows (the
    // toolkit's dialogs and file chooser) keep their own wheel handling.
    if (window == w || window == w->propertyWindow || window == w->loupeWindow)
        return 1;
    return 0;
}

int endCtrlZoom()
{
    Mekuri* w = mainWindow;
    if (w->pages->mode != MODE_ZOOM)
        return 0;
    const float zoom = w->zoomStepIndex == -1 ? w->gestureZoom : w->zoomSteps[w->zoomStepIndex];
    debugPrint("end scaling scale %d\n", static_cast<int>(zoom));
    w->pages->endMode();
    return 1;
}
