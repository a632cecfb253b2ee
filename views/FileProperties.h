#pragma once

#include <string>

class Fl_Window;

// Builds and shows the modal file property window for the book file (archive or folder) at
// `path`: every member with its size and time, sorted by name (see PropertyLines.h), centred
// over `owner` 80 pixels below its top. Returns the window, which the caller stores in
// `*holder` and owns; its OK button (and its close box) destroys the window `*holder` refers to
// and clears the holder. Null when the book cannot be listed (traced). The caller destroys the
// window its holder still refers to first. UI thread only.
Fl_Window* showFileProperties(const std::string& path, Fl_Window* owner, Fl_Window** holder);
