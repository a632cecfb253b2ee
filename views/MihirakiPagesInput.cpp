// The spread view's mouse input: dragging with inertia, click-to-turn and the loupe.
#include "MihirakiPages.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "Loupe.h"
#include "TouchInput.h"
#include "ViewerState.h"
#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"

namespace {

// Holding button 3 for less than this leaves the loupe open.
constexpr unsigned kStickyClickMs = 200;
constexpr double kTurnDelay = 0.05;

} // namespace

int MihirakiPages::handle(int event)
{
    switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
        // Holding the keyboard focus lets key presses reach the main window's key table.
        return 1;
    case FL_PUSH:
        if (Fl::event_button() == FL_LEFT_MOUSE)
            return leftPress();
        if (Fl::event_button() == FL_RIGHT_MOUSE)
            return rightPress();
        return 0;
    case FL_DRAG:
        return drag();
    case FL_RELEASE:
        if (Fl::event_button() == FL_LEFT_MOUSE)
            return leftRelease();
        if (Fl::event_button() == FL_RIGHT_MOUSE)
            return rightRelease();
        return 0;
    case FL_HIDE:
        endMode();
        return 0;
    default:
        return Fl_Widget::handle(event);
    }
}

int MihirakiPages::leftPress()
{
    if (mode != MODE_IDLE) {
        endMode();
        cancelFlag = 1;
    }
    take_focus();
    if (Fl::event_clicks() > 0)
        return 1; // the second press of a double click begins no drag
    inertia.stop();
    if (!inertia.target())
        inertia.target(owner->scrollArea);
    inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
    lastX = Fl::event_x();
    lastY = Fl::event_y();
    mode = MODE_DRAG;
    return 1;
}

int MihirakiPages::rightPress()
{
    if (!(owner->zoomPercent < 100.0f))
        return 0;
    if (mode != MODE_IDLE) {
        endMode(); // the press only closes the current mode
        return 1;
    }
    lastX = Fl::event_x();
    lastY = Fl::event_y();
    pressTime = tickCount();
    mode = MODE_LOUPE;
    const int Z = owner->loupeSize;
    Fl_Window* top = owner->topWindow();
    const int screenX = top->x() + lastX - Z / 2;
    const int screenY = top->y() + lastY - Z / 2;
    Fl_Group* current = Fl_Group::current();
    Fl_Group::current(nullptr); // a top-level window, not a child of whatever is being built
    Loupe* loupe = new Loupe(screenX, screenY, Z, Z, owner);
    Fl_Group::current(current);
    loupe->clear_border();
    owner->loupeWindow = loupe;
    loupe->show();
    drawLoupe(screenX, screenY, lastX - x(), lastY - y());
    return 1;
}

int MihirakiPages::drag()
{
    const int state = Fl::event_state();
    if (state & FL_BUTTON1) {
        if (mode != MODE_DRAG) {
            debugPrint("FL_DRAG event receive while not dragging\n");
            return 0;
        }
        inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
        return 1;
    }
    if (state & FL_BUTTON3) {
        if (!(owner->zoomPercent < 100.0f))
            return 0;
        if (mode != MODE_LOUPE) {
            debugPrint("FL_DRAG event receive while not dragging");
            return 0;
        }
        if (Fl_Window* loupe = owner->loupeWindow)
            drawLoupe(loupe->x() + Fl::event_x() - lastX, loupe->y() + Fl::event_y() - lastY,
                      Fl::event_x() - x(), Fl::event_y() - y());
        lastX = Fl::event_x();
        lastY = Fl::event_y();
        return 1;
    }
    return 0;
}

int MihirakiPages::leftRelease()
{
    if (!isTouchMouse())
        inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
    if (cancelFlag || !Fl::event_is_click()) {
        // The end of a drag.
        inertia.release();
        if (mode == MODE_IDLE)
            debugPrint("FL_RELEASE event receive while not dragging");
        if (inertia.state() == InertiaHdr::INERTIA)
            mode = MODE_INERTIA;
        else
            endMode();
        cancelFlag = 0;
        return 1;
    }
    endMode();
    // After the second press of a double click no drag was running; the release sample must
    // not leave the handler tracking.
    inertia.stop();
    const MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    const bool leftHalf = Fl::event_x() - area->x() < area->w() / 2;
    const bool rightBound = owner->binding == RIGHT_BINDING;
    const bool forward = leftHalf == rightBound;
    if (!(forward ? owner->canGoForward() : owner->canGoBack()))
        return 1;
    clickTurn(leftHalf);
    owner->prefetch(owner->turnTarget(forward));
    return 1;
}

int MihirakiPages::rightRelease()
{
    if (Fl::event_is_click() && mode == MODE_LOUPE &&
        static_cast<unsigned>(tickCount() - pressTime) < kStickyClickMs) {
        mode = MODE_LOUPE_STICKY;
        return 1;
    }
    endMode();
    return 1;
}

void MihirakiPages::clickTurn(bool leftHalf)
{
    drawTurnLines(leftHalf);
    Fl::add_timeout(kTurnDelay, leftHalf ? turnLeftCb : turnRightCb, this);
}

void MihirakiPages::drawTurnLines(bool leftHalf)
{
    const MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    int ix, iy, iw, ih;
    area->interior(ix, iy, iw, ih);
    // The last row of the interior is left out.
    const int usableW = std::min(iw - (area->scrollbar.visible() ? 16 : 0), w());
    const int usableH = std::min(ih - 1 - (area->hscrollbar.visible() ? 16 : 0), h());
    Fl_Window* top = owner->topWindow();
    top->make_current();
    fl_color(FL_BLACK);
    const int y0 = iy, y1 = iy + usableH - 1;
    // Lines 1, 2, 3 … 9 pixels apart, running inwards from the clicked edge.
    int offset = 0;
    for (int i = 0; i < 10; ++i) {
        offset += i;
        const int lx = leftHalf ? ix + offset : ix + usableW - 1 - offset;
        fl_line(lx, y0, lx, y1);
    }
    Fl::flush(); // also sends the lines to the display
}

void MihirakiPages::turnLeftCb(void* self)
{
    static_cast<MihirakiPages*>(self)->owner->leftArrow();
}

void MihirakiPages::turnRightCb(void* self)
{
    static_cast<MihirakiPages*>(self)->owner->rightArrow();
}
