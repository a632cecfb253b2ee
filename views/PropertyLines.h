#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/PageEntry.h"

// The file property listing in the style of an archive listing: the path, the book's update
// time, a header, one line per member (size, date, time, name) and a total line. Times are the
// stored seconds broken down by the UTC calendar, the year printed modulo 100. `members` are
// listed in the order given. Pure; any thread.
std::vector<std::string> propertyLines(const std::string& path, int64_t bookTime,
                                       const std::vector<PageEntry>& members);
