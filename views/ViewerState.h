#pragma once

#include <string>

class CacheObject;
class Fl_Output;
class Fl_Window;
class PageList;
class MihirakiPages;
namespace MekuriCustom {
class Fl_Scroll;
}

enum { RIGHT_BINDING = 0, LEFT_BINDING = 1 };

// The book state the main window carries and every view reads and writes: the spread
// position, binding, zoom and pending scroll placement, and the widgets the views reach one
// another through. The main window derives from it and supplies the operations the views call
// back into (turning pages, zooming, fetching pictures). UI thread only.
class ViewerState {
public:
    virtual ~ViewerState() = default;

    // Pages in the open book; 0 when none is open.
    virtual int pageCount() const = 0;
    // A picture of the open book from the cache (see CacheManager::prepareEntry), with one
    // reference the caller gives back with releaseEntry; null when there is none.
    virtual CacheObject* prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                                      float scale) = 0;
    virtual void releaseEntry(CacheObject* object) = 0;
    // The single place the zoom changes once a book is open (refuses values outside 1 … 400).
    virtual void setZoom(float percent) = 0;
    // The actions of the left and right arrows (forward or back by the binding).
    virtual void leftArrow() = 0;
    virtual void rightArrow() = 0;
    // Queues the pictures of pages `page` and `page` + 1 for the worker.
    virtual void prefetch(int page) = 0;
    // The name shown for a page: its label once decoded, else its name.
    virtual std::string pageDisplayName(int page) const = 0;
    // The top-level window the views belong to.
    virtual Fl_Window* topWindow() = 0;

    int bookOpen = 0;
    int currentPage = 0; // spread position, always even
    int binding = RIGHT_BINDING;
    int spreadShift = 1;
    float zoomPercent = 100.0f;
    float* zoomSteps = nullptr; // owned by the main window, 14 entries
    int zoomStepCount = 0;
    int zoomStepIndex = 0;
    float gestureZoom = 100.0f;
    int zoomAnchorX = 0, zoomAnchorY = 0;
    int savedScrollX = 0, savedScrollY = 0;
    float gestureStartDistance = 0.0f;
    float filterParam1 = 1.0f;
    float filterParam2 = 0.0f;
    int highQualityReduction = 1;
    int jumpRequest = 0;
    int loupeSize = 600;
    Fl_Window* loupeWindow = nullptr; // the open loupe, owned by the spread view's mode

    MekuriCustom::Fl_Scroll* scrollArea = nullptr;
    MihirakiPages* pages = nullptr;
    Fl_Output* zoomField = nullptr;
    PageList* pageList = nullptr;
};
