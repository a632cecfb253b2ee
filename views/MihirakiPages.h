#pragma once

#include <FL/Fl_Widget.H>

class CacheObject;
class ViewerState;

// Interaction modes of the spread view.
enum SpreadMode {
    MODE_IDLE = 0,
    MODE_DRAG = 1,
    MODE_LOUPE = 2,
    MODE_LOUPE_STICKY = 3,
    MODE_ZOOM = 4,
    MODE_INERTIA = 5
};

// The spread view: the current spread of the open book at the current zoom. It is the only
// content child of the main window's scroll area and sizes itself to the scaled spread; the
// scroll area clips and scrolls it. Draw fetches the two pictures, applies the pending scroll
// placement and paints. UI thread only.
class MihirakiPages : public Fl_Widget {
public:
    MihirakiPages(int x, int y, int w, int h, ViewerState* owner);

    void draw() override;
    int handle(int event) override;

    // Shows the live zoom `newZoom` in a square around window point (x, y) while in MODE_ZOOM.
    void drawZoomPreview(int x, int y, float newZoom);
    // Ends whatever mode is active (applying a live zoom, closing the loupe).
    void endMode();

    ViewerState* owner;
    int cancelFlag = 0;
    int mode = MODE_IDLE;
    int lastX = 0, lastY = 0;
    unsigned pressTime = 0;

private:
    // The two pictures of the current spread at `scale` and `tag`, placed by the binding
    // (either may be null); the caller gives them back with releasePair.
    void fetchPair(int tag, float scale, CacheObject*& left, CacheObject*& right);
    void releasePair(CacheObject* left, CacheObject* right);
    bool applyPlacement(int spreadW, int spreadH);
    void paint(CacheObject* left, CacheObject* right);
};
