#pragma once

#include <FL/Fl_Widget.H>

#include <string>

// Moves the file at `oldPath` to `newPath`, never replacing a file already there. Equal paths
// count as done without touching the file. On failure shows the rename-failure box with the
// system's reason, traces, and returns 0; 1 on success. UI thread.
int renameFile(const std::string& oldPath, const std::string& newPath);

// File > rename: asks for the name the open book's file gets when the book is closed.
void rename_cb(Fl_Widget* widget, void* data);
