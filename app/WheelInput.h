#pragma once

class Fl_Widget;
class Fl_Window;

// The program's own event handling ahead of the widgets: the mouse wheel (list and spread
// scrolling, wheel page turns, Ctrl + wheel zoom) and the release of Ctrl that ends a wheel
// zoom. FLTK hands the wheel to the widget under the pointer, whose own wheel scrolling (the
// browsers', the scrollbars') would win over a handler added with Fl::add_handler, so these
// rules run from the event dispatch, before the toolkit offers the event to any widget.
// UI thread only.

// Installs appEventHandler as the toolkit's event dispatch. Call once, at start-up.
void installInputHandlers();

// The dispatch: the wheel and Ctrl releases go through the rules below first; anything they
// do not consume goes on to the toolkit's own dispatch.
int appEventHandler(int event, Fl_Window* window);

// One wheel step of distance d over `below` (the innermost widget under the pointer) in
// `window`, with Ctrl held or not. 1 when consumed.
int handleWheel(Fl_Widget* below, Fl_Window* window, int d, bool ctrl);

// Ends a Ctrl + wheel zoom (applying the step reached): 1 when one was running.
int endCtrlZoom();
