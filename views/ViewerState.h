#pragma once

#include "reading/ReadingModel.h"

class CacheObject;
class Fl_Output;
class Fl_Window;
class PageList;
class MihirakiPages;
namespace MekuriCustom {
class Fl_Scroll;
}

// What the views share with the main window: the book state of the reading model (read
// only: the model's commands change it), the state of a live zoom and the loupe, which the
// spread view keeps here, and the widgets the views reach one another through. The main
// window derives from it and supplies the operations the views call back into (turning pages,
// ending a live zoom, fetching pictures). UI thread only.
class ViewerState : public ReadingModel {
  public:
    // A picture of the open book from the cache (see CacheManager::prepareEntry), with one
    // reference the caller gives back with releaseEntry; null when there is none.
    virtual CacheObject* prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                                      float scale) = 0;
    virtual void releaseEntry(CacheObject* object) = 0;
    // Ends a live zoom at `zoom` (ReadingModel::endLiveZoom) and shows what changed.
    virtual void applyLiveZoom(float zoom) = 0;
    // The actions of the left and right arrows (forward or back by the binding).
    virtual void leftArrow() = 0;
    virtual void rightArrow() = 0;
    // Queues the pictures of pages `page` and `page` + 1 for the worker.
    virtual void prefetch(int page) = 0;
    // The top-level window the views belong to.
    virtual Fl_Window* topWindow() = 0;

    float* zoomSteps = nullptr; // owned by the main window, 14 entries
    int zoomStepCount = 0;
    int zoomStepIndex = 0;
    float gestureZoom = 100.0f;
    int zoomAnchorX = 0, zoomAnchorY = 0;
    int savedScrollX = 0, savedScrollY = 0;
    float gestureStartDistance = 0.0f;
    int highQualityReduction = 1;
    int loupeSize = 600;
    Fl_Window* loupeWindow = nullptr; // the open loupe, owned by the spread view's mode

    MekuriCustom::Fl_Scroll* scrollArea = nullptr;
    MihirakiPages* pages = nullptr;
    Fl_Output* zoomField = nullptr;
    PageList* pageList = nullptr;
};
