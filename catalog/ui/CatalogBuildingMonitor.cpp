#include "CatalogBuildingMonitor.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_draw.H>

#include <cstdio>

#include "CatalogView.h"
#include "platform/Diagnostics.h"
#include "views/ScreenBlit.h"

CatalogBuildingMonitor::CatalogBuildingMonitor(int x, int y, CatalogView* view)
    : Fl_Window(x, y, 340, 200, "カタログ作成中…"), view_(view)
{
    cancel_ = new Fl_Button(135, 170, 50, 18, "ｷｬﾝｾﾙ");
    cancel_->labelsize(12);
    cancel_->callback(cancelCb, view);
    end();
    position(x, y); // exactly there, not where the window system would put it
}

CatalogBuildingMonitor::~CatalogBuildingMonitor()
{
    debugPrint("monitor destructer called.\n");
}

void CatalogBuildingMonitor::cancelCb(Fl_Widget*, void* view)
{
    static_cast<CatalogView*>(view)->cancelRequested = true;
}

int CatalogBuildingMonitor::handle(int event)
{
    // Closed by the user (or hidden at the end): the building stops at its next step.
    if (event == FL_HIDE)
        view_->cancelRequested = true;
    return Fl_Window::handle(event);
}

void CatalogBuildingMonitor::draw()
{
    Fl_Window::draw();
    const int index = view_->monitorIndex;
    const int count = static_cast<int>(view_->model.entries.size());
    if (index < 0 || index >= count)
        return;
    const CatalogEntry& entry = *view_->model.entries[index];
    fl_color(FL_BLACK);
    fl_font(FL_HELVETICA, 14);
    fl_draw(entryName(entry).c_str(), 5, 20);
    char position[32];
    std::snprintf(position, sizeof position, "(%d/%d)", index, count);
    fl_draw(position, 0, 22, w(), 17, FL_ALIGN_CENTER, nullptr, 0);
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(100, 38, kThumbnailBox, kThumbnailBox);
    if (thumbnailFieldsValid(entry)) {
        pageBlit(100 + entry.thumbOffsetX, 38 + entry.thumbOffsetY, entry.thumbWidth,
                 entry.thumbHeight, 0, 0, entry.thumbWidth, entry.thumbHeight, entry.thumbPixels,
                 entry.thumbWidth, entry.thumbHeight);
    }
}
