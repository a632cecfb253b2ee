#pragma once

#include <FL/Fl_Window.H>

class CatalogView;
class Fl_Button;

// The small modal window shown while a catalog's thumbnails are made: "カタログ作成中…",
// 340 × 200, with the name, the position "(i/N)" and the thumbnail of the archive just done,
// and a "ｷｬﾝｾﾙ" button. Cancelling or closing it asks the building to stop. Owned by its
// catalog window, which deletes it when the building ends. UI thread only.
class CatalogBuildingMonitor : public Fl_Window {
  public:
    // At (x, y) on the screen, exactly there.
    CatalogBuildingMonitor(int x, int y, CatalogView* view);
    ~CatalogBuildingMonitor() override;

    void draw() override;
    int handle(int event) override;

  private:
    static void cancelCb(Fl_Widget*, void* view);

    CatalogView* view_;
    Fl_Button* cancel_;
};
