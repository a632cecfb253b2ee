#include "ModalDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>

#include "platform/ShutdownRequest.h"

void runModal(Fl_Window* dialog)
{
    // Once the program is being ended from outside, a dialog counts as cancelled: it does not
    // open, and one that is open closes.
    if (shuttingDown())
        return;
    dialog->set_modal();
    dialog->show();
    while (dialog->shown() && !shuttingDown())
        Fl::wait();
    dialog->hide();
}

namespace {

struct OkCancel {
    Fl_Window* dialog;
    bool accepted = false;
};

} // namespace

bool runOkCancel(Fl_Window* dialog, Fl_Button* ok, Fl_Button* cancel)
{
    OkCancel outcome{dialog};
    ok->callback(
        [](Fl_Widget*, void* data) {
            auto* o = static_cast<OkCancel*>(data);
            o->accepted = true;
            o->dialog->hide();
        },
        &outcome);
    cancel->callback([](Fl_Widget*, void* data) { static_cast<OkCancel*>(data)->dialog->hide(); },
                     &outcome);
    runModal(dialog);
    return outcome.accepted;
}
