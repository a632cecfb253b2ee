#pragma once

#include <functional>
#include <string>

#include "CatalogModel.h"

// File-name search of the catalog window, free of widgets: matching and where a forward or
// backward search continues. The window owns the search text, mode and last hit position.
// Pure functions; any thread.

enum SearchMode { kSearchSubstring = 0, kSearchPattern = 1 };

// Longest search text kept from the dialog's field (bytes, cut at a character boundary).
constexpr size_t kSearchTextMax = 126;

// The search text as kept from the dialog's field.
std::string searchTextFromField(const std::string& field);

// Whether `name` matches `text`, both lower-cased first (A–Z and full-width Ａ–Ｚ): mode 0, the
// text occurs anywhere in the name; mode 1, the whole name matches the text as a file-name
// pattern (* ? [a-z] [!x] {a,b} \x).
bool entryMatches(const std::string& name, const std::string& text, int mode);

// The next hit after `position` (-1 = before the first) among `count` entries, testing them in
// order with `matches`; -1 when there is none or `position` is past count − 2 (then nothing is
// tested).
int searchForward(int count, int position, const std::function<bool(int)>& matches);

// The previous hit before `position`, or from the last entry when `position` is -1; -1 when
// there is none or `position` is out of -1..count − 1.
int searchBackward(int count, int position, const std::function<bool(int)>& matches);

// The two searches over a catalog's names: the hit, -1 when there is none (the window then
// shows its "no further / no earlier matching file" box), or kSearchNotRun when the text or the
// list is empty (the window does nothing).
constexpr int kSearchNotRun = -2;
int searchForward(const CatalogEntries& entries, const std::string& text, int mode, int position);
int searchBackward(const CatalogEntries& entries, const std::string& text, int mode, int position);
