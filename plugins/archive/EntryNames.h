#pragma once

#include <string>

#include "plugins/SpiAbi.h"

struct archive;

// Entry names as the program receives them. Any thread; pure functions.

// Makes a name read from an archive header UTF-8: valid UTF-8 is kept as it is; otherwise the
// bytes are decoded as code page 932 (names written by Japanese Windows tools), and when they
// are not cp932 either every byte that breaks UTF-8 becomes U+FFFD, so the name stays usable.
std::string entryNameToUtf8(const std::string& raw);

// Splits an entry name at its last "/" into the record's path field (ending in "/", or empty)
// and file-name field, each NUL-ended. False, with the record untouched, when the file name is
// empty or a part does not fit its field: such an entry is left out rather than listed under
// a cut name that could lose its extension or collide with another entry.
bool splitEntryName(const std::string& name, SpiFileInfo& record);

// A short text naming how the current entry of `a` is stored, for the record's method field:
// the LZH method ("-lh5-") or the archive kind ("rar", "rar5", "7z", "tar", "zip").
std::string methodText(archive* a);
