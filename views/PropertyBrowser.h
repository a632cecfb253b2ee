#pragma once

#include "Fl_BrowserEX.h"
#include "ScrInertiaHdr.h"

// The read-only listing of the file property window: a text browser that a button-1 drag
// scrolls with inertia; a press on its scrollbars scrolls as usual. UI thread only.
class PropertyBrowser : public Fl_BrowserEX {
  public:
    PropertyBrowser(int x, int y, int w, int h);
    // Stops the inertia ticks first.
    ~PropertyBrowser() override;

    int handle(int event) override;

    ScrInertiaHdr<Fl_BrowserEX> inertia; // its completion does nothing

  private:
    bool overScrollbar() const;
};
