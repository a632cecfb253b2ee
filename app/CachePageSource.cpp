#include "app/CachePageSource.h"

#include "pipeline/CacheObject.h"
#include "views/ViewerState.h"

CachePrintPage::CachePrintPage(ViewerState& viewer, CacheObject* object)
    : viewer_(viewer), object_(object)
{
    if (object_)
        pixels_ = object_->imageData(&width_, &height_);
}

CachePrintPage::~CachePrintPage()
{
    if (object_)
        viewer_.releaseEntry(object_);
}

int CachePageSource::pageCount() const
{
    return viewer_.pageCount();
}

std::unique_ptr<PrintPage> CachePageSource::fetch(int page)
{
    if (page < 0 || page >= viewer_.pageCount())
        return nullptr;
    CacheObject* object =
        viewer_.prepareEntry(FILTEREDIMG, page, viewer_.filterParam1, viewer_.filterParam2, 100.0f);
    if (!object)
        return nullptr;
    auto held = std::make_unique<CachePrintPage>(viewer_, object);
    if (!held->pixels() || held->width() <= 0 || held->height() <= 0)
        return nullptr; // the destructor gives the reference back
    return held;
}
