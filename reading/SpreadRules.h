#pragma once

#include <string>
#include <vector>

// The pairing of pages into spreads, free of widgets. c is the spread position (even), n the
// page count, s the spread shift (1: the first page stands alone), binding 0 right, 1 left.

// The lines of the spread list: left-hand number, "|", right-hand number, each right-aligned.
std::vector<std::string> spreadListLines(int n, int s, int binding);

// The step forward from c: 2 (a next spread exists), 1 (only the pseudo last page, whose upper
// half is empty), or 0 (none).
int forwardStep(int c, int n, int s);

// The spread position after the spread unit changes from s: the pseudo last page (c = n with
// s = 1) steps back so that the spread keeps real pages; a book without pages stays at 0.
int spreadAfterUnitChange(int c, int n, int s);

// The spread position c whose pages hold `page` (c − s ≤ page ≤ c − s + 1), clamped to the
// first and the last spread (the pseudo last page included); 0 for a book without pages.
int spreadHolding(int page, int n, int s);

// Pages a prefetch of `page` asks for: page and page + 1, those inside the book.
std::vector<int> prefetchPages(int page, int n);

// Why a zoom is refused (the message shown), or null when it is acceptable.
const char* zoomRefusal(float percent);
