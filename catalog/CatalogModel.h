#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CatalogEntry.h"

// The catalog's records in display order. Each record is allocated on its own; the list shares
// ownership so that code which lets the event loop run while it works on a record (thumbnail
// making) never writes into a record the list has meanwhile dropped.
using CatalogEntries = std::vector<std::shared_ptr<CatalogEntry>>;

// The three orders of the catalog's sort menu, numbered as the trace reports them. kSortNone
// stands for "no sort item checked": the list keeps its order.
enum SortOrder { kSortNone = -1, kSortByName = 0, kSortByTime = 1, kSortBySize = 2 };

// What the catalog window holds of one open folder, without any widget: the window owns one and
// hands it to loading, saving, synchronising and sorting. UI thread only.
struct CatalogModel {
    std::string folderPath;      // the catalog folder without a trailing "/"; empty when none
    CatalogEntries entries;      // display order
    bool modified = false;       // the list differs from the catalog file
    int selectedIndex = -1;      // position in entries, -1 for none
    int sortOrder = kSortByName; // the checked sort item
};

// A new record with every byte zero, or null when memory is short.
std::shared_ptr<CatalogEntry> newCatalogEntry();

// The position of `entry` in the list, -1 when it is no longer there.
int findEntry(const CatalogEntries& entries, const CatalogEntry* entry);
