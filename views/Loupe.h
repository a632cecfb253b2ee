#pragma once

#include <FL/Fl_Window.H>

class ViewerState;

// The loupe: a borderless square window centred on the pointer that shows the spread at full
// size around the point under it. The spread view creates it (stored as the main window's
// loupeWindow, which owns it), moves and paints it with drawLoupe, and destroys it in endMode.
// A left drag moves a sticky loupe; a click or a right press closes it. UI thread only.
class Loupe : public Fl_Window {
  public:
    // A window at screen point (x, y), forced there, labelled "LOUPE", box FL_FLAT_BOX.
    Loupe(int x, int y, int w, int h, ViewerState* owner);
    ~Loupe() override;

    // Repaints the last point drawLoupe showed (the window system may have lost the pixels).
    void draw() override;
    int handle(int event) override;

    ViewerState* owner;
    int grabX = 0, grabY = 0; // pointer inside the loupe at a left press
    int dragging = 0;
    // The spread point last painted, for repainting on expose; `painted` once there is one.
    int lastSpreadX = 0, lastSpreadY = 0;
    bool painted = false;

  private:
    // Ends the spread view's mode on the next event-loop pass, once (the loupe must not
    // destroy itself inside its own event handler).
    void requestClose();
    static void closeCb(void* self);
    bool closePending_ = false;
};
