#include <FL/Fl.H>

#include "CatalogWindow.h"
#include "Commands.h"
#include "Mekuri.h"
#include "platform/Diagnostics.h"
#include "print/PrintJob.h"
#include "views/FileProperties.h"
#include "views/MekuriScroll.h"

namespace {

void redrawScrollArea(void*)
{
    if (mainWindow && mainWindow->scrollArea)
        mainWindow->scrollArea->redraw();
}

} // namespace

void quit_cb(Fl_Widget*, void* window)
{
    debugPrint("quit_cb called\n");
    auto* w = static_cast<Mekuri*>(window);
    if (!w || w->quitting)
        return;
    w->quitting = 1;
    cancelRunningPrintJob();
    delete w->propertyWindow;
    w->propertyWindow = nullptr;
    deleteCatalogWindow(w);
    w->hide();
}

void property_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    delete w->propertyWindow;
    w->propertyWindow = nullptr;
    if (!w->bookOpen)
        return;
    // For a folder book the folder and its name together name the folder itself.
    w->propertyWindow = showFileProperties(w->bookFolder + w->bookFileName, w, &w->propertyWindow);
}

void redraw_cb(Fl_Widget*, void*)
{
    Fl::add_timeout(0.0, redrawScrollArea);
}
