#pragma once

#include <FL/Fl_Multiline_Input.H>

class CatalogView;

// The in-place rename field over a catalog cell: a multi-line input holding the archive's name.
// Return and Tab apply the name (Tab then renames the next entry, Shift+Tab the previous one),
// Escape and losing the focus discard it; only the first of these counts. It grows as its text
// needs more lines. UI thread only.
//
// The field may be asked to go away while its own key handling runs a dialog; it then hides at
// once and is deleted when that handling has returned.
class RenameField : public Fl_Multiline_Input {
  public:
    RenameField(int x, int y, int w, int h, CatalogView* view);

    int handle(int event) override;

    // Deletes the field now, or hides it and deletes it once its running handler returns.
    static void discard(RenameField* field);

  private:
    void onTab(bool backwards);

    CatalogView* view_;
    int depth_ = 0;
    bool discarded_ = false;
};

// Drops the rename's pending timers (the field's removal, the next Tab rename) of `view`.
void removeRenameTimers(CatalogView* view);
