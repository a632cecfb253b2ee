#include "ModalDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

void runModal(Fl_Window* dialog)
{
    dialog->set_modal();
    dialog->show();
    while (dialog->shown())
        Fl::wait();
}
