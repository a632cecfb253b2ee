#pragma once

// Whether the mouse event being handled was made by the window system from a touch rather
// than by a mouse. The X11 back end of FLTK 1.3 reports no such origin, so this answers false;
// the input rules still ask, so that a back end that knows can answer here. UI thread only.
bool isTouchMouse();
