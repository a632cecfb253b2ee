#include "DropTarget.h"

#include <FL/Fl.H>

#include "platform/Diagnostics.h"

namespace {

bool refusalTraced = false; // the drag over a window now has been refused once already

bool modalOver(const Fl_Window* window)
{
    return Fl::modal() && Fl::modal() != window;
}

} // namespace

int answerDropEvent(Fl_Window* window, int event)
{
    switch (event) {
    case FL_DND_ENTER:
        refusalTraced = false;
        [[fallthrough]];
    case FL_DND_DRAG:
    case FL_DND_RELEASE:
        if (modalOver(window)) {
            if (!refusalTraced)
                debugPrint("drop refused: a modal window is shown\n");
            refusalTraced = true;
            return 0;
        }
        if (event != FL_DND_RELEASE)
            Fl::belowmouse(window);
        return 1;
    case FL_DND_LEAVE:
        return 1;
    default:
        return 0;
    }
}

bool dropRefusedWhileModal()
{
    if (!Fl::modal())
        return false;
    debugPrint("drop refused: a modal window is shown\n");
    return true;
}
