#pragma once

#include <string>

#include "persist/PositionStore.h"

// What the reading model remembers of books beyond the one open: where the reader stopped in
// each, and which were opened last. The model tells it what happens and asks it for a
// position; the program keeps it in files (SavedReadingMemory), a test may keep it anywhere.
// Not owned by the model. UI thread only.
class ReadingMemory {
  public:
    virtual ~ReadingMemory() = default;

    // The lower page remembered for `book` (its path, size and time as they are now); -1 when
    // there is none or the book changed since.
    virtual int recall(const BookIdentity& book) = 0;
    // The reader leaves `book` (its identity when it was opened) at the spread whose lower
    // page is `lowerPage` (−1 for the lone first page).
    virtual void keep(const BookIdentity& book, int lowerPage) = 0;
    // The book at the full path `path` opened with its pages.
    virtual void opened(const std::string& path) = 0;
    // The book file or folder at `from` now has the name `to` (full paths): what is kept of it
    // follows.
    virtual void renamed(const std::string& from, const std::string& to) = 0;
};
