#include "Shutdown.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <unistd.h>

#include <vector>

#include "Commands.h"
#include "ExitSave.h"
#include "LastingCommands.h"
#include "Mekuri.h"
#include "PrintDialog.h"
#include "catalog/ui/CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/ShutdownRequest.h"

namespace {

void saveMainWindow()
{
    Mekuri* w = mainWindow;
    if (!w)
        return;
    CatalogModel* catalog = w->catalogView ? &w->catalogView->model : nullptr;
    keepSettingsAtExit(w);
    w->keepPosition();
    w->settleRename([catalog](const std::string& folder, std::string& name, std::string& newName) {
        saveBeforeExit(catalog, folder, name, newName);
    });
}

std::vector<Fl_Window*> shownWindows()
{
    std::vector<Fl_Window*> windows;
    for (Fl_Window* win = Fl::first_window(); win; win = Fl::next_window(win))
        windows.push_back(win);
    return windows;
}

// Every loop that waits for a dialog ends once its window is hidden: the program's own modal
// loops, the toolkit's message boxes and file chooser. A pulled-down menu or pop-up menu runs
// its own loop until Escape. The print dialog waits for quitAfterSignal, which closes it as
// its own キャンセル would.
void cancelOpenDialogs()
{
    if (Fl_Window* grab = Fl::grab()) {
        Fl::e_keysym = FL_Escape;
        Fl::handle(FL_KEYBOARD, grab);
    }
    for (Fl_Window* win : shownWindows()) {
        if (win->modal() && !win->menu_window() && win != mainWindow->printDialog)
            win->hide();
    }
}

// Runs from the event loop once the loops of the cancelled dialogs have returned (or inside
// a running job's event pump, which quit_cb ends as Quit does).
void quitAfterSignal(void*)
{
    Mekuri* w = mainWindow;
    cancelOpenDialogs();
    closePrintDialog(w);
    quit_cb(nullptr, w);
    // The loupe or a tip left on screen would keep the event loop running.
    for (Fl_Window* win : shownWindows())
        win->hide();
}

void shutdownWakeCb(int fd, void*)
{
    const int signal = takeShutdownSignal();
    if (signal == 0)
        return;
    Fl::remove_fd(fd);
    debugPrint("shutdown: cancelling dialogs and quitting\n");
    cancelOpenDialogs();
    // Saved first, so that nothing later in the shut-down (a worker that does not stop, a
    // dialog loop that does not end before the watchdog) can lose it.
    saveMainWindow();
    Fl::add_timeout(0.0, quitAfterSignal);
}

// Ends the process itself with _exit: Xlib would call exit when this returns, whose static
// destructors unload the plug-ins while the worker may still be decoding in one. The worker is
// not joined: nothing it holds needs saving, and waiting for it could outlast the session.
int displayLost(Display*)
{
    endAfterDisplayLost(saveMainWindow, [](int status) { _exit(status); });
    return 0;
}

} // namespace

void installShutdownHandling()
{
    // The toolkit installs its own handler when it opens the display; this one replaces it.
    fl_open_display();
    XSetIOErrorHandler(displayLost);
    const int fd = installShutdownSignals();
    if (fd >= 0)
        Fl::add_fd(fd, FL_READ, shutdownWakeCb);
}
