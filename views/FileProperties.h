#pragma once

#include <string>

class Fl_Window;

// Builds and shows the modal file property window for the book file (archive or folder) at
// `path`: every member with its size and time, sorted by name (see PropertyLines.h), centred
// over `owner` 80 pixels below its top. Returns the window, which the caller stores in
// `*holder` and owns; its OK button (and its close box) destroys that window and clears the
// holder when it still refers to it. Null when the book cannot be listed (traced), and when
// `owner` was hidden or a shut-down from outside began while the book was listed (the
// listing pumps events). A window a repeated command stored in `*holder` meanwhile is closed.
// The caller destroys the window its holder still refers to first. UI thread only.
Fl_Window* showFileProperties(const std::string& path, Fl_Window* owner, Fl_Window** holder);
