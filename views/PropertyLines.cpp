#include "PropertyLines.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {

struct Stamp {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0; // year modulo 100
};

// A time that the calendar cannot break down (far outside any file system's range) prints as
// zeros rather than garbage.
Stamp stampOf(int64_t seconds)
{
    Stamp s;
    const time_t t = static_cast<time_t>(seconds);
    struct tm parts;
    if (!gmtime_r(&t, &parts))
        return s;
    s.day = parts.tm_mday;
    s.month = parts.tm_mon + 1;
    s.year = ((parts.tm_year + 1900) % 100 + 100) % 100;
    s.hour = parts.tm_hour;
    s.minute = parts.tm_min;
    return s;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        out.clear();
    } else if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(&out[0], out.size(), fmt, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace

std::vector<std::string> propertyLines(const std::string& path, int64_t bookTime,
                                       const std::vector<PageEntry>& members)
{
    std::vector<std::string> lines;
    lines.reserve(members.size() + 6);
    lines.push_back(path);
    const Stamp book = stampOf(bookTime);
    lines.push_back(format("update time: %02d-%02d-%02d %02d:%02d", book.day, book.month, book.year,
                           book.hour, book.minute));
    lines.push_back("  Length     Date   Time    Name");
    lines.push_back(" --------    ----   ----    ----");
    // Sizes and the total are 64-bit: a member over 2 GB or a large archive's sum must not
    // print negative. The field still grows past 8 digits.
    long long total = 0;
    for (const PageEntry& m : members) {
        const Stamp s = stampOf(m.time);
        lines.push_back(format(" % 8lld  %02d-%02d-%02d %02d:%02d   %s",
                               static_cast<long long>(m.size), s.day, s.month, s.year, s.hour,
                               s.minute, m.name.c_str()));
        total += m.size;
    }
    lines.push_back(" --------                   -------");
    lines.push_back(
        format(" % 8lld                   %d files", total, static_cast<int>(members.size())));
    return lines;
}
