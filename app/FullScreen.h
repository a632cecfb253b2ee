#pragma once

class Fl_Window;

// The window system's side of the main window's full screen. FLTK's own fullscreen() is not
// used: without a window manager it hides the window and shows it again (hiding the main
// window ends the catalog window and a print job) and grabs the keyboard from every other
// window. UI thread only; the window must be shown.

// The rectangle of the screen the window lies on.
void screenAreaOf(Fl_Window* window, int& x, int& y, int& w, int& h);

// True when a window manager that keeps a full-screen state for its windows (the freedesktop
// window-manager hints) runs on the display.
bool windowManagerKeepsFullScreen();

// Asks that window manager to give `window` the full-screen state or take it away; the new
// size arrives later, as a resize of the window.
void askWindowManagerFullScreen(Fl_Window* window, bool on);

// Puts the window above the others (without a window manager nothing else does).
void raiseWindow(Fl_Window* window);
