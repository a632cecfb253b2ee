// libFuzzer target: the print page sequence on arbitrary settings and page lists.
// Input: range, layout, flags, page count (16 bits), current page (16 bits), spread shift,
// then the page list text. Asserted besides the sanitizers' checks: parsePageRange gives a
// range inside the book or none; every slot of a sequence is a page of the book or blank; a
// booklet is a whole number of folded sheets holding the same slots as the plain sequence;
// and a page list prints exactly the pages its items name.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "print/PrintSequence.h"

namespace {

// Real books have at most a few thousand pages; the page list is typed by hand.
constexpr int kMaxPages = 20000;
constexpr size_t kMaxListBytes = 256;

std::vector<std::string> items(const std::string& list)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        if (comma > start)
            out.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

// The pages the list names; `valid` false when an item is invalid.
std::vector<int> expectedPages(const std::string& list, int pageCount, bool* valid)
{
    std::vector<int> pages;
    *valid = false;
    for (const std::string& item : items(list)) {
        const PageRange range = parsePageRange(item, pageCount);
        if (!range.valid())
            return {};
        if (range.first < 1 || range.last > pageCount || (range.first > range.last && pageCount))
            std::abort();
        for (int page = range.first; page <= range.last; ++page)
            pages.push_back(page - 1);
    }
    *valid = true;
    return pages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader in(data, size);
    PrintSettings settings;
    settings.printRange = in.byte() % 4; // 3 is an illegal value, traced
    settings.printLayout = in.byte() % 3;
    const uint8_t flags = in.byte();
    settings.firstPageAlone = (flags & 1) != 0;
    settings.booklet = (flags & 2) != 0;
    const int pageCount = in.u16() % (kMaxPages + 1);
    const int currentPage = in.u16() % (pageCount + 1);
    const int spreadShift = in.byte() & 1;
    settings.pageSpec.assign(reinterpret_cast<const char*>(in.rest()),
                             std::min(in.restSize(), kMaxListBytes));

    const std::vector<int> sequence =
        buildPrintSequence(settings, pageCount, currentPage, spreadShift);
    for (int slot : sequence) {
        if (slot != -1 && (slot < 0 || slot >= pageCount))
            std::abort();
    }
    const bool twoUp = settings.printLayout != 0;
    const bool booklet = twoUp && settings.printRange != 1 && settings.booklet;
    if (booklet && sequence.size() % 4 != 0)
        std::abort();

    // The plain sequence, to compare the booklet and the page list against.
    PrintSettings plainSettings = settings;
    plainSettings.booklet = false;
    std::vector<int> plain = buildPrintSequence(plainSettings, pageCount, currentPage, spreadShift);
    if (booklet && !plain.empty()) {
        std::vector<int> a = sequence;
        plain.resize(a.size(), -1);
        std::sort(a.begin(), a.end());
        std::sort(plain.begin(), plain.end());
        if (a != plain)
            std::abort();
    }
    if (settings.printRange == 2 && !booklet) {
        bool valid = false;
        std::vector<int> expected = expectedPages(settings.pageSpec, pageCount, &valid);
        if (valid && twoUp && settings.firstPageAlone)
            expected.insert(expected.begin(), -1);
        if (expected != sequence)
            std::abort();
    }
    return 0;
}
