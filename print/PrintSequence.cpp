#include "print/PrintSequence.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "platform/Diagnostics.h"

namespace {

// Reads a decimal number the way strtol does (leading blanks skipped, stops at the first
// character that does not belong to it). False when no number starts there.
bool readNumber(const char* text, long* value, const char** end)
{
    char* stop = nullptr;
    *value = std::strtol(text, &stop, 10);
    *end = stop;
    return stop != text;
}

PageRange makeRange(long first, long last)
{
    PageRange range;
    range.first = static_cast<int>(first);
    range.last = static_cast<int>(last);
    return range;
}

void appendPageList(std::vector<int>& sequence, const std::string& list, int pageCount)
{
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        const std::string item = list.substr(start, comma - start);
        start = comma + 1;
        if (item.empty())
            continue;
        const PageRange range = parsePageRange(item, pageCount);
        if (!range.valid()) {
            sequence.clear();
            return;
        }
        for (int page = range.first; page <= range.last; ++page)
            sequence.push_back(page - 1);
    }
}

} // namespace

PageRange parsePageRange(const std::string& item, int pageCount)
{
    const PageRange invalid;
    int digits = 0;
    size_t minusAt = std::string::npos;
    for (size_t i = 0; i < item.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(item[i]))) {
            ++digits;
        } else if (item[i] == '-') {
            if (minusAt != std::string::npos)
                return invalid;
            minusAt = i;
        }
    }
    if (digits == 0)
        return invalid;
    const char* text = item.c_str();
    const char* end = nullptr;
    long n = 0;
    long m = 0;
    if (minusAt == std::string::npos) {
        readNumber(text, &n, &end);
        return n >= 1 && n <= pageCount ? makeRange(n, n) : invalid;
    }
    if (minusAt == 0) {
        readNumber(text + 1, &m, &end);
        return m >= 1 ? makeRange(1, std::min<long>(m, pageCount)) : invalid;
    }
    if (minusAt == item.size() - 1) {
        readNumber(text, &n, &end);
        return n >= 1 && n <= pageCount ? makeRange(n, pageCount) : invalid;
    }
    // N-M: N must run straight into the minus sign; blanks may precede M.
    if (!readNumber(text, &n, &end) || *end != '-')
        return invalid;
    if (!readNumber(end + 1, &m, &end))
        return invalid;
    if (n < 1 || m > pageCount || m < n)
        return invalid;
    return makeRange(n, m);
}

std::vector<int> bookletOrder(std::vector<int> sequence)
{
    const size_t sheets = (sequence.size() + 3) / 4;
    const size_t slots = sheets * 4;
    sequence.resize(slots, -1);
    std::vector<int> ordered(slots);
    for (size_t s = 0; s < sheets; ++s) {
        ordered[4 * s] = sequence[slots - 1 - 2 * s];
        ordered[4 * s + 1] = sequence[2 * s];
        ordered[4 * s + 2] = sequence[2 * s + 1];
        ordered[4 * s + 3] = sequence[slots - 2 - 2 * s];
    }
    return ordered;
}

std::vector<int> buildPrintSequence(const PrintSettings& settings, int pageCount, int currentPage,
                                    int spreadShift)
{
    std::vector<int> sequence;
    const bool twoUp = settings.printLayout != 0;
    if (twoUp && settings.printRange != 1 && settings.firstPageAlone)
        sequence.push_back(-1);
    switch (settings.printRange) {
    case 0:
        for (int page = 0; page < pageCount; ++page)
            sequence.push_back(page);
        break;
    case 1: {
        const int lower = currentPage - spreadShift; // -1 when the spread holds one page
        // A current page past the book's end (an empty book) has no spread to print.
        if (lower >= pageCount)
            break;
        if (twoUp || lower >= 0)
            sequence.push_back(lower);
        if (lower + 1 >= 0 && lower + 1 < pageCount)
            sequence.push_back(lower + 1);
        break;
    }
    case 2:
        appendPageList(sequence, settings.pageSpec, pageCount);
        if (sequence.empty())
            return sequence; // an invalid item voids the whole list
        break;
    default:
        debugPrint("illegal region value\n");
        break;
    }
    if (twoUp && settings.printRange != 1 && settings.booklet)
        sequence = bookletOrder(std::move(sequence));
    return sequence;
}
