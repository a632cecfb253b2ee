#pragma once

#include <FL/Fl_Widget.H>

#include "reading/ReadingModel.h" // the jump requests the page commands take

class Mekuri;

// Main-menu commands (toolkit callbacks, UI thread). Those taking the main window as user
// data get it through the MENU_WITH_WINDOW rule; the others reach it through mainWindow.
// Quit (also the catalog window's quit item): cancels a print job (cancelRunningPrintJob),
// deletes the property and catalog windows and hides the main window, which ends the program
// once the job has unwound. Acts once.
void quit_cb(Fl_Widget* widget, void* window);
// Shows a fresh file property window for the open book (replacing one still open).
void property_cb(Fl_Widget* widget, void* data);
void redraw_cb(Fl_Widget* widget, void* data);

// Navigation between spreads (Navigation.cpp).
void forward_page_cb(int request);
void back_page_cb(int request);
void leftArrow_cb(Fl_Widget* widget, void* data);
void rightArrow_cb(Fl_Widget* widget, void* data);
void jump_cb(Fl_Widget* widget, void* data);
void spreadUnit_cb(Fl_Widget* widget, void* data);
void binding_cb(Fl_Widget* widget, void* data);
// Prefetches pages `page` and `page` + 1 in 0.2 s (each call its own timer).
void schedulePrefetch(int page);
void prefetch_cb(void* page);
