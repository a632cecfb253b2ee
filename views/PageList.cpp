#include "PageList.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "PopupTip.h"
#include "TouchInput.h"
#include "ViewerState.h"
#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"

namespace {

constexpr double kTipDelay = 1.0;
constexpr int kTipHeight = 28;

} // namespace

PageList::PLInertiaHdr::PLInertiaHdr(PageList* list)
    : ScrInertiaHdr<Fl_BrowserEX>(list), list_(list)
{
}

void PageList::PLInertiaHdr::inertiaCallback(int x, int y)
{
    list_->cancelTip();
    ScrInertiaHdr<Fl_BrowserEX>::inertiaCallback(x, y);
}

void PageList::PLInertiaHdr::inertComplete()
{
    list_->cancelTip();
}

PageList::PageList(int x, int y, int w, int h, ViewerState* owner)
    : Fl_BrowserEX(x, y, w, h), inertia(this), owner_(owner)
{
    type(FL_HOLD_BROWSER); // what Fl_Hold_Browser is
}

PageList::~PageList()
{
    inertia.stop();
    Fl::remove_timeout(removeNowCb, this);
    Fl::remove_timeout(showTipCb, this);
    // No event pass while the windows are being destroyed.
    delete popup;
    popup = nullptr;
}

bool PageList::overScrollbar() const
{
    return (scrollbar.visible() && Fl::event_inside(&scrollbar)) ||
           (hscrollbar.visible() && Fl::event_inside(&hscrollbar));
}

int PageList::handle(int event)
{
    const int ex = Fl::event_x(), ey = Fl::event_y();
    switch (event) {
    case FL_PUSH:
        if (Fl::event_button() == FL_LEFT_MOUSE) {
            cancelTip();
            if (!overScrollbar())
                return push();
        }
        break;
    case FL_DRAG:
        if ((Fl::event_state() & FL_BUTTON1) && inertia.state() == InertiaHdr::TRACKING) {
            cancelTip();
            inertia.beginOrFeed(ex, ey, tickCount());
            return 1;
        }
        break;
    case FL_RELEASE:
        if (Fl::event_button() == FL_LEFT_MOUSE && inertia.state() == InertiaHdr::TRACKING)
            return release();
        break;
    case FL_ENTER:
        if (ex != lastHoverX || ey != lastHoverY) {
            lastHoverX = ex;
            lastHoverY = ey;
            cancelTip();
            if (owner_->bookOpen)
                scheduleTip();
        }
        break;
    case FL_MOVE:
        if (ex != lastHoverX || ey != lastHoverY) {
            cancelTip();
            if (owner_->bookOpen)
                scheduleTip();
            lastHoverX = ex;
            lastHoverY = ey;
        }
        break;
    case FL_LEAVE:
        cancelTip();
        break;
    case FL_HIDE:
        cancelTip();
        inertia.stop();
        break;
    default:
        break;
    }
    return Fl_BrowserEX::handle(event);
}

int PageList::push()
{
    // The browser does not see this press: a row is chosen on release, and only by a click.
    inertia.stop();
    inertia.beginOrFeed(Fl::event_x(), Fl::event_y(), tickCount());
    return 1;
}

int PageList::release()
{
    cancelTip();
    if (inertia.endDrag(Fl::event_x(), Fl::event_y(), !isTouchMouse(), Fl::event_is_click()))
        return 1;
    // A click: the browser's own press selects the row under the pointer, its release runs
    // the callback.
    Fl_BrowserEX::handle(FL_PUSH);
    return Fl_BrowserEX::handle(FL_RELEASE);
}

void PageList::cancelTip()
{
    Fl::remove_timeout(showTipCb, this);
    if (popup)
        removePopupLazy();
}

void PageList::scheduleTip()
{
    if (!owner_->bookOpen)
        return;
    void* item = find_item(Fl::event_y());
    if (!item)
        return;
    const int row = lineno(item) - 1;
    const TipLines lines = tipLinesForRow(
        row, owner_->spreadShift, [this](int page) { return owner_->pageDisplayName(page); });
    tipLine1 = lines.line1;
    tipLine2 = lines.line2;
    Fl::remove_timeout(showTipCb, this);
    if (tipLine1 == "*" && tipLine2 == "*")
        return;
    Fl::add_timeout(kTipDelay, showTipCb, this);
}

void PageList::showTipCb(void* self)
{
    static_cast<PageList*>(self)->showTip();
}

void PageList::showTip()
{
    fl_font(0, 10);
    const int width =
        static_cast<int>(std::max(fl_width(tipLine1.c_str()), fl_width(tipLine2.c_str())) + 8);
    int mx, my;
    Fl::get_mouse(mx, my);
    const Fl_Window* top = window();
    const int left = x() + (top ? top->x_root() : 0);
    const int upper = y() + (top ? top->y_root() : 0);
    if (mx < left || mx >= left + w() || my < upper || my >= upper + h()) {
        debugPrint("cancel popup\n");
        return;
    }
    if (popup) {
        popup->resize(mx, my - kTipHeight, width, kTipHeight);
        popup->redraw();
        return;
    }
    Fl_Group* current = Fl_Group::current();
    Fl_Group::current(nullptr); // a window of its own, not a child of the list's window
    popup = new PopupTip(mx, my - kTipHeight - 1, width, kTipHeight, this);
    Fl_Group::current(current);
    popup->show();
}

void PageList::removePopupLazy()
{
    if (Fl::has_timeout(removeNowCb, this))
        return;
    Fl::add_timeout(0.0, removeNowCb, this);
}

void PageList::removeNowCb(void* self)
{
    // Only the tip: the move that asked for this removal has armed a new wait already, and
    // that wait must run.
    static_cast<PageList*>(self)->destroyTip();
}

void PageList::removepopupNow()
{
    Fl::remove_timeout(showTipCb, this);
    destroyTip();
}

void PageList::destroyTip()
{
    if (!popup)
        return;
    // Taken out first: the event pass below may run another removal.
    PopupTip* tip = popup;
    popup = nullptr;
    tip->hide();
    Fl::check();
    delete tip;
}
