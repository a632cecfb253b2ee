#pragma once

#include <string>

class Fl_Output;
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

    MekuriCustom::Fl_Scroll* scrollArea = nullptr;
    MihirakiPages* pages = nullptr;
    Fl_Output* zoomField = nullptr;
    PageList* pageList = nullptr;
};
