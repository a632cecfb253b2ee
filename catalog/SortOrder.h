#pragma once

#include "CatalogModel.h"
#include "platform/NameOrder.h"

// "Less than" predicates of the three catalog orders. No secondary key: equal keys end in no
// defined order.

// Ascending by name in the program's name order (platform/NameOrder.h), read once when the
// predicate is made so that one sort never sees two orders.
struct ByFileNameForEntry {
    bool natural = naturalNameOrder();
    bool operator()(const CatalogEntry& a, const CatalogEntry& b) const;
};

// Newest first (signed 64-bit modification time).
struct ByTimeForEntry {
    bool operator()(const CatalogEntry& a, const CatalogEntry& b) const;
};

// Largest first (signed 32-bit size).
struct BySizeForEntry {
    bool operator()(const CatalogEntry& a, const CatalogEntry& b) const;
};

// Traces "current strategy=%d", sorts `entries` by `order` (kSortNone or an unknown number
// leaves them as they are) and returns the new position of the record that was at `selected`;
// `selected` comes back unchanged when it was -1 or out of range. UI thread.
int applySortOrder(CatalogEntries& entries, int order, int selected);

// applySortOrder on the model's own list, order and selection; does not mark it modified.
void applySortOrder(CatalogModel& model);
