#pragma once

#include <FL/Fl_Widget.H>

// File > rename: asks for the name the open book's file gets when the book is closed.
void rename_cb(Fl_Widget* widget, void* data);
