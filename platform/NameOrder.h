#pragma once

#include <string>

// The program's name order: pages, the property list, the catalog's name order and the next
// book all compare names through compareNames. By default it is mbsicmp (Text.h); switched to
// the natural order, runs of digits compare by their value.

// mbsicmp's character rules, except that a run of ASCII digits against another run compares by
// value: the runs' lengths after their leading zeros, then digit by digit (never converted to a
// number, so any length works). A digit run against any other character compares as mbsicmp
// compares the digit. Names equal in value are ordered by the first run whose leading zeros
// differ, fewer first ("a1" < "a01"), and only then are equal. Returns <0, 0 or >0.
// Pure, any thread, linear in the names' lengths, no allocation.
int naturalCompare(const std::string& a, const std::string& b);

// Sets the process-wide name order: true natural, false mbsicmp (the default). Any thread.
void setNaturalNameOrder(bool natural);
// The current setting. Any thread.
bool naturalNameOrder();

// `a` against `b` in the given order: naturalCompare when `natural`, else mbsicmp. A sort must
// read naturalNameOrder() once and pass it here, so that a switch during the sort cannot hand
// the sort an inconsistent comparison.
int compareNames(const std::string& a, const std::string& b, bool natural);
// The same in the current order, for single comparisons (not for sorts, see above).
int compareNames(const std::string& a, const std::string& b);
