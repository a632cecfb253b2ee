#pragma once

#include <FL/Fl_Widget.H>

// The commands that step between books and through a book's order: the next and previous
// book of the folder (Ctrl + Page Down / Page Up and their menu items) and the natural name
// order's menu item. UI thread only.

// Opens the next (`forward`) or previous book of the open book's folder; refused while a
// print job runs. A book that opened starts at its first spread, as the open command's does.
void stepBook(bool forward);
void nextBook_cb(Fl_Widget* widget, void* data);
void previousBook_cb(Fl_Widget* widget, void* data);

// "数字順に並べる": the name order follows the item's check mark; the open book is listed
// again and an open catalog shown by name sorted again. While a print job runs the change is
// refused with the print box and the mark put back.
void naturalOrder_cb(Fl_Widget* widget, void* data);
