#pragma once

class ViewerState;

// Two-finger pinch zoom. X11 under FLTK 1.3 has no pinch source, so nothing calls these in the
// program yet; they keep the rules ready for a back end that reports pinches. UI thread only.

// The spread view's side of a live zoom, apart so the rules can be tested without a window.
class LiveZoomView {
  public:
    virtual ~LiveZoomView() = default;
    virtual int mode() const = 0;
    virtual void enterZoomMode() = 0;
    // Ends the current mode; from the zoom mode it applies the zoom reached (setZoom).
    virtual void endMode() = 0;
    virtual void preview(int x, int y, float zoom) = 0;
};

// The zoom a pinch asks for: the finger distance relative to the start, times the zoom.
float pinchZoom(float distance, float zoomPercent, float startDistance);

// Begin: a view in any mode only ends that mode; otherwise the pinch starts at window point
// (x, y) with the finger distance (a distance that is not positive starts nothing: no ratio can
// come of it).
void pinchBegin(ViewerState& state, LiveZoomView& view, int x, int y, float distance);
// Update while zooming: gestureZoom follows the fingers and the preview shows it.
void pinchUpdate(ViewerState& state, LiveZoomView& view, float distance);
// End while zooming: ends the mode, which applies gestureZoom (refused beyond 1 … 400 %).
void pinchEnd(LiveZoomView& view);

// The same for the main window's spread view; (screenX, screenY) is the gesture point.
void pinchBeginOnScreen(int screenX, int screenY, float distance);
void pinchUpdateMain(float distance);
void pinchEndMain();
