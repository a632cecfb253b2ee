#pragma once

#include "reading/ScrollRule.h"

// The arithmetic of the mouse wheel, free of widgets. d is the signed wheel distance: 120 a
// notch, positive when the wheel turns away from the user. Pure; any thread.

// d for the toolkit's vertical wheel step (FLTK: positive dy turns towards the user).
int wheelDistance(int eventDy);

// Lines the spread list's top line moves back: d / 60, toward zero (2 a notch).
int listWheelLines(int d);
// Pixels the spread moves up: d / 3, toward zero (40 a notch).
int spreadWheelPixels(int d);

// A wheel step may turn the page only more than half a second after the last scrolling step.
bool wheelMayTurnPage(double now, double lastWheelTime);

enum WheelAction { WHEEL_NOTHING, WHEEL_SCROLL, WHEEL_BACK, WHEEL_FORWARD };

struct SpreadWheel {
    WheelAction action = WHEEL_NOTHING;
    int newY = 0;       // the vertical offset to set for WHEEL_SCROLL
    bool stamp = false; // lastWheelTime becomes now
};

// What a wheel step without Ctrl does over the spread: turn back or forward (when the spread
// fits in height, or is scrolled to the edge the wheel turns towards, and the last scrolling
// step is more than 0.5 s ago), else scroll by spreadWheelPixels within 0 … maxY and stamp
// the time. `needs` is the scrollbar rule for the spread in the scroll area, `y` the current
// vertical offset.
SpreadWheel spreadWheel(int d, double now, double lastWheelTime, const ScrollNeeds& needs, int y);
