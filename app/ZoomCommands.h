#pragma once

#include <FL/Fl_Widget.H>

// Zoom and fit commands of the main window. UI thread only.

// Scale factor (1.0 = 100 %) that fits the current spread by `mode` (see ZoomMath.h); 1.0
// without a book. Fetches the spread's full-size pictures from the cache.
float calcjustscale(int mode);

// Starts a Ctrl + wheel zoom: builds the step list and shows the preview. Then steps it by
// +1 (wheel away from the user), -1 or 0.
void beginWheelZoom();
void stepWheelZoom(int direction);

void zoomPercent_cb(Fl_Widget* widget, void* percent);
void zoomInput_cb(Fl_Widget* widget, void* data);
void fit_cb(Fl_Widget* widget, void* mode);
void quality_cb(Fl_Widget* widget, void* data);
