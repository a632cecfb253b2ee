#pragma once

#include <string>

#include "Fl_BrowserEX.h"
#include "ScrInertiaHdr.h"

class PopupTip;
class ViewerState;

// The narrow list at the main window's left edge: one row per spread of the open book, a hold
// browser (the selection stays after release). A click on a row selects it on release and the
// list's callback shows that spread; a drag scrolls the list with inertia; resting the pointer
// on a row for a second shows a PopupTip with the names of the row's two pages. UI thread only.
class PageList : public Fl_BrowserEX {
  public:
    // Drags the list itself; its moves and its end take the tip away.
    class PLInertiaHdr : public ScrInertiaHdr<Fl_BrowserEX> {
      public:
        explicit PLInertiaHdr(PageList* list);

      protected:
        void inertiaCallback(int x, int y) override;
        void inertComplete() override;

      private:
        PageList* list_;
    };

    PageList(int x, int y, int w, int h, ViewerState* owner);
    // Stops the inertia ticks and every tip timeout, and destroys a shown tip.
    ~PageList() override;

    int handle(int event) override;

    // Removes the pending show-tip timeout and asks for a shown tip's removal.
    void cancelTip();
    // Finds the row under the pointer, sets the tip lines and arms the one-second timeout.
    void scheduleTip();
    // Shows the tip at the pointer, or moves a shown one there (the timeout's work).
    void showTip();
    // Removes a shown tip on the next event-loop pass (once, however often it is asked).
    void removePopupLazy();
    // Removes the pending show-tip timeout and destroys a shown tip now. The main window calls
    // it when it is hidden and before the program ends.
    void removepopupNow();

    PopupTip* popup = nullptr;
    std::string tipLine1, tipLine2;
    PLInertiaHdr inertia;
    int lastHoverX = -999, lastHoverY = -999;

  private:
    bool overScrollbar() const;
    // Hides, lets the toolkit catch up, and destroys a shown tip.
    void destroyTip();
    int push();
    int release();
    static void showTipCb(void* self);
    static void removeNowCb(void* self);

    ViewerState* owner_;
};
