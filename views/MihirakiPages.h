#pragma once

#include <FL/Fl_Widget.H>

#include "MekuriScroll.h"
#include "ScrInertiaHdr.h"

class CacheObject;
class Loupe;
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
    // Drags the main window's scroll area; when inertia runs out it ends the view's mode.
    class MPInertiaHdr : public ScrInertiaHdr<MekuriCustom::Fl_Scroll> {
      public:
        explicit MPInertiaHdr(MihirakiPages* owner);

      protected:
        void inertComplete() override;

      private:
        MihirakiPages* owner_;
    };

    // `owner` must already have its scroll area (the view's parent), which the drag moves.
    MihirakiPages(int x, int y, int w, int h, ViewerState* owner);
    // Stops the inertia ticks and a pending click turn.
    ~MihirakiPages() override;

    void draw() override;
    // Drag with inertia (button 1), click-to-turn on either half, the loupe (button 3 while the
    // zoom is below 100 %); see MihirakiPagesInput.cpp.
    int handle(int event) override;

    // Shows the live zoom `newZoom` in a square around window point (x, y) while in MODE_ZOOM.
    void drawZoomPreview(int x, int y, float newZoom);
    // Ends whatever mode is active (applying a live zoom, stopping a drag or its inertia,
    // closing the loupe).
    void endMode();
    // Moves the loupe window's top-left corner to screen point (screenX, screenY) and paints in
    // it the full-size spread around the point (spreadX, spreadY) of the view's displayed
    // pixels. Does nothing without an open loupe.
    void drawLoupe(int screenX, int screenY, int spreadX, int spreadY);
    // Paints the loupe for spread point (spreadX, spreadY) into the current window, which must
    // be the loupe (drawLoupe, or the loupe's own expose).
    void paintLoupe(Loupe* loupe, int spreadX, int spreadY);

    ViewerState* owner;
    int cancelFlag = 0; // a left press ended a mode: its release ends a drag, never turns
    int mode = MODE_IDLE;
    int lastX = 0, lastY = 0; // pointer at the press, then the last one the loupe followed
    unsigned pressTime = 0;   // millisecond clock at the right press (the sticky-loupe rule)
    MPInertiaHdr inertia;     // drags the scroll area and keeps it coasting

  private:
    int leftPress();
    int rightPress();
    int drag();
    int leftRelease();
    int rightRelease();
    // The click turn: the feedback lines now, the turn 0.05 s later. `leftHalf` is the half
    // of the view that was clicked.
    void clickTurn(bool leftHalf);
    void drawTurnLines(bool leftHalf);
    static void turnLeftCb(void* self);
    static void turnRightCb(void* self);

    // The two pictures of the current spread at `scale` and `tag`, placed by the binding
    // (either may be null); the caller gives them back with releasePair.
    void fetchPair(int tag, float scale, CacheObject*& left, CacheObject*& right);
    void releasePair(CacheObject* left, CacheObject* right);
    // Scrolls as `request` (JumpRequest) asks for a spread of spreadW × spreadH; true when the
    // position changed.
    bool applyPlacement(int request, int spreadW, int spreadH);
    void paint(CacheObject* left, CacheObject* right);
};
