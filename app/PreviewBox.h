#pragma once

#include <FL/Fl_Widget.H>

class Mekuri;

// The print dialog's preview of the first sheet: the paper (turned by the printer record's
// orientation) with the pages of the first sheet in their slots, drawn from the dialog's
// current widgets as the printer would get them: binarised or grey when the printer gets no
// colour, else in colour. Pictures come from the main window's cache while drawing and are
// given back at once. UI thread only.
class PreviewBox : public Fl_Widget {
  public:
    PreviewBox(int x, int y, int w, int h, Mekuri* window);
    void draw() override;

  private:
    Mekuri* window_;
};
