#pragma once

#include <FL/Fl_Window.H>

// Files dropped on the program's top-level windows (the main window, the catalog window).
// UI thread only.
//
// FLTK 1.3 on X11 sends FL_DND_ENTER and FL_DND_DRAG to the window under the pointer (its
// answer to FL_DND_DRAG becomes the drag source's XdndStatus), but the final FL_DND_RELEASE,
// and the FL_PASTE with the dropped text/uri-list after it, to Fl::belowmouse(). A window
// becomes belowmouse only when a handler makes it so, as the toolkit's text fields do for
// themselves: a window that takes drops claims it while a drag moves over it. The toolkit
// delivers all of these events whether or not a modal window is shown.

// Answers FL_DND_ENTER, FL_DND_DRAG, FL_DND_LEAVE and FL_DND_RELEASE for `window`: 1 (the
// drop will come to `window`), or 0 while a modal window is shown, traced once per drag.
int answerDropEvent(Fl_Window* window, int event);

// True, with a trace line, when a modal window is shown: a drop that arrives now is refused.
bool dropRefusedWhileModal();
