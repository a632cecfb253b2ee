#include "CatalogPage.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "CatalogView.h"
#include "RenameField.h"
#include "catalog/CatalogGrid.h"
#include "views/ScreenBlit.h"

CatalogPage::CatalogPage(int x, int y, int w, int h, CatalogView* view, CatalogScroll* scroll)
    : Fl_Widget(x, y, w, h), inertia(scroll, this), view_(view)
{
    box(FL_NO_BOX);
}

CatalogPage::~CatalogPage()
{
    inertia.stop();
}

void CatalogPage::resize(int X, int Y, int W, int H)
{
    if (view_->renameOpen())
        view_->endRenameWithoutApplying();
    Fl_Widget::resize(X, Y, W, H);
}

void CatalogPage::draw()
{
    const Fl_Window* window = this->window();
    if (!window)
        return;
    const int columns = view_->columns();
    const int count = static_cast<int>(view_->model.entries.size());
    fl_font(FL_HELVETICA, 12);
    for (int i = 0; i < count; ++i) {
        const CellOrigin origin{x() + (i % columns) * kCellWidth,
                                y() + (i / columns) * kCellHeight};
        if (!cellOnWindow(origin, window->w(), window->h()))
            continue;
        if (!fl_not_clipped(origin.x, origin.y, kCellWidth, kCellHeight))
            continue;
        drawCell(i, origin.x, origin.y);
    }
}

void CatalogPage::drawCell(int index, int X, int Y)
{
    const CatalogEntry& entry = *view_->model.entries[index];
    const CellOrigin origin{X, Y};
    const bool selected = index == view_->model.selectedIndex;
    // The cell is always repainted whole, so it starts from the window's grey.
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(X, Y, kCellWidth, kCellHeight);
    const Fl_Color background = selected ? FL_SELECTION_COLOR : FL_BACKGROUND_COLOR;
    if (selected) {
        const GridRect r = selectionRect(origin);
        fl_color(FL_SELECTION_COLOR);
        fl_rectf(r.x, r.y, r.w, r.h);
    }
    fl_color(selected ? fl_contrast(FL_FOREGROUND_COLOR, FL_SELECTION_COLOR) : FL_BLACK);
    const std::vector<std::string> lines = labelLines(entryName(entry));
    for (size_t k = 0; k < lines.size(); ++k) {
        const GridRect r = labelRect(origin, static_cast<int>(k));
        if (!lines[k].empty() && fl_not_clipped(r.x, r.y, r.w, r.h))
            fl_draw(lines[k].c_str(), r.x, r.y, r.w, r.h, FL_ALIGN_LEFT | FL_ALIGN_INSIDE, nullptr,
                    0);
    }
    if (thumbnailFieldsValid(entry)) {
        const GridRect pic = thumbnailRect(origin, entry);
        pageBlit(pic.x, pic.y, pic.w, pic.h, 0, 0, pic.w, pic.h, entry.thumbPixels, pic.w, pic.h);
        fl_color(background);
        for (const GridRect& strip : thumbnailMargins(origin, entry))
            fl_rectf(strip.x, strip.y, strip.w, strip.h);
    } else {
        const GridRect frame = emptyFrameRect(origin);
        fl_color(FL_BLACK);
        fl_rect(frame.x, frame.y, frame.w, frame.h);
    }
}

int CatalogPage::handle(int event)
{
    CatalogView::Running running(view_);
    switch (event) {
    case FL_PUSH:
        return handlePush();
    case FL_DRAG:
        if ((Fl::event_state() & FL_BUTTON1) && inertia.state() == InertiaHdr::TRACKING) {
            inertia.beginOrFeed(Fl::event_x(), Fl::event_y());
            return 1;
        }
        return 0;
    case FL_RELEASE:
        return handleRelease();
    case FL_HIDE:
        inertia.stop();
        return 0;
    case FL_FOCUS:
    case FL_UNFOCUS:
        return 1; // keys reach the window's F2, F3 and F4 through the page
    default:
        return Fl_Widget::handle(event);
    }
}

int CatalogPage::handlePush()
{
    if (view_->endRenameWithoutApplying())
        return 1;
    const int button = Fl::event_button();
    if (button == FL_LEFT_MOUSE) {
        take_focus();
        inertia.stop();
        inertia.beginOrFeed(Fl::event_x(), Fl::event_y());
        return 1;
    }
    if (button != FL_RIGHT_MOUSE)
        return 0;
    CatalogScroll* scroll = view_->scrollArea();
    const GridHit hit =
        hitTest(Fl::event_x(), Fl::event_y(), scroll->xposition(), scroll->yposition(), w(), h(),
                view_->columns(), static_cast<int>(view_->model.entries.size()));
    if (hit.kind == GridHit::Entry) {
        view_->selectEntry(hit.index);
        view_->showPopupMenu(Fl::event_x_root(), Fl::event_y_root());
    } else if (hit.kind == GridHit::Empty) {
        view_->selectEntry(-1);
    }
    return 1;
}

int CatalogPage::handleRelease()
{
    if (Fl::event_button() != FL_LEFT_MOUSE)
        return 1;
    const bool tracking = inertia.state() == InertiaHdr::TRACKING;
    // Mouse messages synthesised from touch never reach this program on X11.
    if (tracking)
        inertia.beginOrFeed(Fl::event_x(), Fl::event_y());
    if (Fl::event_clicks() > 0 && Fl::event_is_click()) {
        inertia.stop();
        view_->openSelected();
        return 1;
    }
    if (Fl::event_is_click()) {
        inertia.stop();
        CatalogScroll* scroll = view_->scrollArea();
        const GridHit hit =
            hitTest(Fl::event_x(), Fl::event_y(), scroll->xposition(), scroll->yposition(), w(),
                    h(), view_->columns(), static_cast<int>(view_->model.entries.size()));
        if (hit.kind == GridHit::Entry) {
            if (hit.index == view_->model.selectedIndex && inNameArea(hit.pageX, hit.pageY))
                view_->beginRename(hit.index);
            else
                view_->selectEntry(hit.index);
        } else if (hit.kind == GridHit::Empty) {
            view_->selectEntry(-1);
        }
        return 1;
    }
    if (tracking)
        inertia.release();
    return 1;
}
