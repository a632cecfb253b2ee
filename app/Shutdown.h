#pragma once

// Ending the program from outside as Quit ends it. A termination signal wakes the event loop,
// which cancels the open dialogs and message boxes, saves the catalog and performs the book's
// pending rename at once, then quits through quit_cb (the print job, the windows, the main
// window's destructor). When the display connection is lost, the catalog is saved and the
// rename performed before the process ends, drawing nothing.

// Installs the signal handlers, the event loop's watch on their wake-up pipe and the display
// connection's I/O-error handler. Call once, after the main window is shown. UI thread.
void installShutdownHandling();
