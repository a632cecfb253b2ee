#pragma once

#include <string>
#include <vector>

#include "print/PrintSettings.h"

// Which pages a print job prints, in which order and in which slot. A page sequence holds
// page indices of the open book (0-based) and -1 for a blank slot; with layout 0 each element
// fills a sheet, with layouts 1 and 2 elements 2k and 2k + 1 share sheet k + 1.
// Pure functions; any thread.

// Pages (first, last), 1-based, named by one item of a page list; (-1, -1) when invalid.
struct PageRange {
    int first = -1;
    int last = -1;
    bool valid() const { return first != -1; }
};

// Reads one item of a page list ("N", "-M", "N-", "N-M") for a book of `pageCount` pages.
// "-M" is cut to the book's end; "N-M" needs N ≥ 1, N ≤ M ≤ pageCount. An item with two minus
// signs or no digit is invalid, and so is one with a blank between N and the minus sign.
PageRange parsePageRange(const std::string& item, int pageCount);

// The page sequence of `settings` (range, layout, firstPageAlone, booklet, pageSpec) for a
// book of `pageCount` pages whose current spread starts at `currentPage` with `spreadShift`.
// An invalid page-list item gives an empty sequence. A booklet's sequence is padded with
// blank slots to a multiple of four and ordered so that the sheets, printed on both sides
// and folded, give the pages in order.
std::vector<int> buildPrintSequence(const PrintSettings& settings, int pageCount, int currentPage,
                                    int spreadShift);

// Reorders `sequence` (padded with -1 to a multiple of four first) for booklet printing.
std::vector<int> bookletOrder(std::vector<int> sequence);
