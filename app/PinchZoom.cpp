#include "PinchZoom.h"

#include "Mekuri.h"
#include "views/MihirakiPages.h"
#include "views/ViewerState.h"

namespace {

// The main window's spread view as a live-zoom view.
class SpreadZoomView : public LiveZoomView {
  public:
    explicit SpreadZoomView(MihirakiPages* pages) : pages_(pages) {}
    int mode() const override { return pages_->mode; }
    void enterZoomMode() override { pages_->mode = MODE_ZOOM; }
    void endMode() override { pages_->endMode(); }
    void preview(int x, int y, float zoom) override { pages_->drawZoomPreview(x, y, zoom); }

  private:
    MihirakiPages* pages_;
};

} // namespace

float pinchZoom(float distance, float zoomPercent, float startDistance)
{
    return distance * zoomPercent / startDistance;
}

void pinchBegin(ViewerState& state, LiveZoomView& view, int x, int y, float distance)
{
    if (view.mode() != MODE_IDLE) {
        view.endMode();
        return;
    }
    if (!(distance > 0))
        return;
    state.zoomAnchorX = x;
    state.zoomAnchorY = y;
    state.gestureStartDistance = distance;
    view.enterZoomMode();
    state.zoomStepIndex = -1;
    state.gestureZoom = state.zoomPercent;
}

void pinchUpdate(ViewerState& state, LiveZoomView& view, float distance)
{
    if (view.mode() != MODE_ZOOM || state.zoomStepIndex != -1)
        return;
    state.gestureZoom = pinchZoom(distance, state.zoomPercent, state.gestureStartDistance);
    view.preview(state.zoomAnchorX, state.zoomAnchorY, state.gestureZoom);
}

void pinchEnd(LiveZoomView& view)
{
    if (view.mode() == MODE_ZOOM)
        view.endMode();
}

void pinchBeginOnScreen(int screenX, int screenY, float distance)
{
    Mekuri* w = mainWindow;
    SpreadZoomView view(w->pages);
    pinchBegin(*w, view, screenX - w->x(), screenY - w->y(), distance);
}

void pinchUpdateMain(float distance)
{
    SpreadZoomView view(mainWindow->pages);
    pinchUpdate(*mainWindow, view, distance);
}

void pinchEndMain()
{
    SpreadZoomView view(mainWindow->pages);
    pinchEnd(view);
}
