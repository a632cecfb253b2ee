#include "CatalogView.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>

#include <algorithm>
#include <cstdint>

#include "CatalogBuildingMonitor.h"
#include "CatalogCommands.h"
#include "CatalogPage.h"
#include "RenameField.h"
#include "catalog/CatalogGrid.h"
#include "catalog/SortOrder.h"
#include "platform/Diagnostics.h"
#include "views/DropTarget.h"

CatalogView::Running::Running(CatalogView* view) : view_(view)
{
    view_->guard_.enter();
}

CatalogView::Running::~Running()
{
    if (view_->guard_.leave() && !view_->deleting_) {
        view_->deleting_ = true;
        delete view_;
    }
}

CatalogView::CatalogView(int width, int height, CatalogHost& host)
    : Fl_Window(width, height, "カタログ"), host(host)
{
    callback(windowCb);
    menuBar_ = new Fl_Menu_Bar(0, 0, width, 20);
    menuBar_->copy(catalogMenu, this);
    menuBar_->textsize(14);
    scroll_ = new CatalogScroll(0, 20, width, height - 20);
    page_ = new CatalogPage(kPageLeft, kPageTop, pageWidthFor(width), 600, this, scroll_);
    scroll_->end();
    end();
    resizable(nullptr);
    size_range(170, 204);
}

CatalogView::~CatalogView()
{
    debugPrint("CatalogView destructor called\n");
    deleting_ = true;
    Fl::remove_timeout(buildCatalogCb, this);
    Fl::remove_timeout(popupCb, this);
    removeRenameTimers(this);
    closeCatalogFolder();
    Fl::remove_idle(idleCb, this);
}

void CatalogView::dispose(CatalogView* view)
{
    if (!view || view->disposing_)
        return;
    view->disposing_ = true;
    view->hide();
    // The catalog is saved now, even when the window itself must wait for its running code.
    view->closeCatalogFolder();
    view->model.folderPath.clear();
    if (view->guard_.requestDeletion() && !view->deleting_) {
        view->deleting_ = true;
        delete view;
    }
}

void CatalogView::windowCb(Fl_Widget* window, void*)
{
    // Escape must not close the catalog (and with it the program).
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    auto* view = static_cast<CatalogView*>(window);
    Running running(view);
    view->hide();
}

void CatalogView::closeMainCb(void* host)
{
    static_cast<CatalogHost*>(host)->requestClose();
}

void CatalogView::applyHideRule()
{
    Fl_Window* main = host.hostWindow();
    const bool mainShown = main && main->shown();
    const HideRuleAction action = hideRuleAction(shown(), disposing_, host.closingCatalog(),
                                                 mainShown, mainShown && !main->visible());
    if (action.restoreMain)
        main->show();
    // Posted, as the window system would: the main window's close deletes this window.
    if (action.closeMain)
        Fl::add_timeout(0.0, closeMainCb, &host);
}

int CatalogView::handle(int event)
{
    Running running(this);
    switch (event) {
    case FL_KEYBOARD:
        switch (Fl::event_key()) {
        case FL_F + 2:
            if (model.selectedIndex >= 0)
                beginRename(model.selectedIndex);
            return 1;
        case FL_F + 3:
            searchForward();
            return 1;
        case FL_F + 4:
            searchBackward();
            return 1;
        default:
            return Fl_Window::handle(event);
        }
    case FL_HIDE:
        Fl_Window::handle(event);
        applyHideRule();
        return 0;
    case FL_MOUSEWHEEL:
        // The program's wheel handler scrolls the grid (handleWheel).
        if (Fl::event_inside(scroll_))
            return 0;
        return Fl_Window::handle(event);
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
    case FL_DND_RELEASE:
        return answerDropEvent(this, event); // the dropped files arrive as FL_PASTE
    case FL_PASTE:
        return host.dropText(Fl::event_text());
    default:
        return Fl_Window::handle(event);
    }
}

void CatalogView::resize(int X, int Y, int W, int H)
{
    const int oldW = w(), oldH = h();
    Fl_Window::resize(X, Y, W, H);
    if (W == oldW && H == oldH)
        return;
    menuBar_->resize(0, 0, W, 20);
    scroll_->resize(0, 20, W, H - 20);
    const int width = pageWidthFor(W);
    const int height = gridPageHeight(static_cast<int>(model.entries.size()), gridColumns(width));
    page_->resize(page_->x(), page_->y(), width, height);
    scroll_->scroll_to(0, scrollAfterResize(scroll_->yposition(), H, height));
    redraw();
}

int CatalogView::columns() const
{
    return gridColumns(page_->w());
}

void CatalogView::layoutPage()
{
    const int width = pageWidthFor(w());
    const int height = gridPageHeight(static_cast<int>(model.entries.size()), gridColumns(width));
    page_->resize(page_->x(), page_->y(), width, height);
    int v = scroll_->yposition();
    if (verticalBarNeeded(height, scroll_->h()))
        v = std::min(v, maxVerticalScroll(height, scroll_->h()));
    else
        v = 0;
    if (v != scroll_->yposition() || scroll_->xposition() != 0)
        scroll_->scroll_to(0, v);
    scroll_->redraw();
}

void CatalogView::selectEntry(int position)
{
    if (position == model.selectedIndex)
        return;
    if (position >= static_cast<int>(model.entries.size()) || position < -1)
        position = -1;
    if (shown()) {
        invalidateCell(model.selectedIndex, true);
        invalidateCell(position, false);
    }
    scrollEntryIntoView(position);
    model.selectedIndex = position;
}

void CatalogView::scrollEntryIntoView(int position)
{
    if (!shown() || position < 0 || position >= static_cast<int>(model.entries.size()))
        return;
    const int v =
        scrollToShowEntry(position, columns(), scroll_->yposition(), h(), page_->h(), scroll_->h());
    if (v != scroll_->yposition())
        scroll_->scroll_to(scroll_->xposition(), v);
}

void CatalogView::invalidateCell(int position, bool erase)
{
    (void)erase; // the page repaints a cell whole, from the window's grey up
    if (!shown() || position < 0 || position >= static_cast<int>(model.entries.size()))
        return;
    const CellOrigin origin =
        cellOrigin(position, columns(), scroll_->xposition(), scroll_->yposition());
    const GridRect r = cellRepaintRect(origin, h());
    if (r.h <= 0)
        return;
    page_->damage(FL_DAMAGE_ALL, r.x, r.y, r.w, r.h);
    if (renameField)
        renameField->redraw(); // it lies over the cell
}

void CatalogView::sortBy(int order)
{
    model.sortOrder = order;
    applySortOrder(model);
    scrollEntryIntoView(model.selectedIndex);
    redraw();
}

int CatalogView::handleWheel(int d)
{
    Running running(this);
    if (endRenameWithoutApplying())
        return 1;
    const int v = wheelScrollPosition(scroll_->yposition(), d, page_->h(), scroll_->h());
    if (v != scroll_->yposition())
        scroll_->scroll_to(scroll_->xposition(), v);
    return 1;
}

void CatalogView::showPopupMenu(int rootX, int rootY)
{
    popupRootX_ = rootX;
    popupRootY_ = rootY;
    Fl::remove_timeout(popupCb, this);
    Fl::add_timeout(0.0, popupCb, this);
}

void CatalogView::popupCb(void* data)
{
    auto* view = static_cast<CatalogView*>(data);
    Running running(view);
    if (!view->shown() || view->model.selectedIndex < 0)
        return;
    // The menu opens with its first item under the pointer. Without a button the toolkit takes
    // the position relative to the window of the last event, whichever that was.
    const int x = view->popupRootX_ - (Fl::event_x_root() - Fl::event_x());
    const int y = view->popupRootY_ - (Fl::event_y_root() - Fl::event_y());
    const Fl_Menu_Item* picked = catalogPopupMenu[0].popup(x, y, nullptr, &catalogPopupMenu[0]);
    if (picked && picked->callback())
        picked->do_callback(view, view);
}

CatalogView* makeCatalogWindow(CatalogHost& host)
{
    int x, y, w, h;
    Fl::screen_work_area(x, y, w, h);
    auto* view = new CatalogView(static_cast<int>(w * 0.7), static_cast<int>(h * 0.7), host);
    view->show();
    view->page()->take_focus();
    return view;
}
