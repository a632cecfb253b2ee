#pragma once

#include <FL/Fl_Widget.H>

#include <string>

// Opening and closing books, and handing folders to the catalog. UI thread only.

// Opens the book at `path` (closing any open one first): lists and orders its pages, titles
// the window, fills the spread list, computes a first zoom. 1 when the book is open with at
// least one page, else 0 (each failure is reported to the user). Refused (0) while another
// open is still listing.
int openBook(const std::string& path);
// Closes the open book: empties the cache, forgets the pages and performs a pending rename.
void closeBook();
// Opens a book the user chose ("開く", the recent books): openBook, then the view cleared at
// once and the spread shown from its start.
void openChosenBook(const std::string& path);

// Fills the inside of the scroll area's frame with light grey at once (before a long open).
void clearViewArea();

// What the user wants of a folder: its catalog, its pictures as a book, or nothing.
enum FolderMode { FOLDER_CATALOG, FOLDER_IMAGES, FOLDER_CANCEL };
FolderMode askFolderMode();

// Opens a command-line or dropped path: a folder after asking, a catalog file in the catalog,
// anything else as a book.
void startupOpen();
void openDroppedPath(const std::string& path);
// The first local path of a text/uri-list (or a plain path), decoded; empty when none or
// refused (another host, a malformed URI: traced).
std::string firstDroppedPath(const char* text);
// The text of a drop on the main or the catalog window (its FL_PASTE): refused while a modal
// window is shown, ignored while another drop is handled, else its first path is opened by
// openDroppedPath from a zero-delay timer. 0 when the spread view could not leave its mode.
int dropText(const char* text);

void open_cb(Fl_Widget* widget, void* data);
void close_cb(Fl_Widget* widget, void* window);
void catalog_cb(Fl_Widget* widget, void* window);
