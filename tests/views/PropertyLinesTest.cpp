#include "views/PropertyLines.h"

#include <gtest/gtest.h>

namespace {

PageEntry member(const std::string& name, uint32_t size, int64_t time)
{
    PageEntry e;
    e.name = name;
    e.size = size;
    e.time = time;
    return e;
}

} // namespace

TEST(PropertyLines, AnEmptyArchiveShowsTheHeaderAndAZeroTotal)
{
    const auto lines = propertyLines("/books/empty.zip", 0, {});
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "/books/empty.zip");
    EXPECT_EQ(lines[1], "update time: 01-01-70 00:00");
    EXPECT_EQ(lines[2], "  Length     Date   Time    Name");
    EXPECT_EQ(lines[3], " --------    ----   ----    ----");
    EXPECT_EQ(lines[4], " --------                   -------");
    EXPECT_EQ(lines[5], "        0                   0 files");
}

TEST(PropertyLines, MembersShowSizeDayMonthYearAndTimeByTheUtcCalendar)
{
    // 2023-11-14 22:13:20 UTC and 1999-12-31 23:59:59 UTC.
    const auto lines =
        propertyLines("/b/x.zip", 1700000000,
                      {member("a.jpg", 1234, 1700000000), member("sub/b.jpg", 56, 946684799)});
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1], "update time: 14-11-23 22:13");
    EXPECT_EQ(lines[4], "     1234  14-11-23 22:13   a.jpg");
    EXPECT_EQ(lines[5], "       56  31-12-99 23:59   sub/b.jpg");
    EXPECT_EQ(lines[7], "     1290                   2 files");
}

TEST(PropertyLines, SizesPastEightDigitsWidenTheirColumn)
{
    const auto lines =
        propertyLines("/b", 0, {member("big.jpg", 123456789, 0), member("s.jpg", 99999999, 0)});
    // The blank before the field, then the sign's blank the field keeps for every number.
    EXPECT_EQ(lines[4], "  123456789  01-01-70 00:00   big.jpg");
    EXPECT_EQ(lines[5], "  99999999  01-01-70 00:00   s.jpg");
    EXPECT_EQ(lines[7], "  223456788                   2 files");
}

TEST(PropertyLines, SizesAndTotalsPastTwoGigabytesStayPositive)
{
    const auto lines =
        propertyLines("/b", 0, {member("a", 4000000000u, 0), member("b", 4000000000u, 0)});
    EXPECT_EQ(lines[4], "  4000000000  01-01-70 00:00   a");
    EXPECT_EQ(lines[7], "  8000000000                   2 files");
}

TEST(PropertyLines, TimesBeforeNineteenSeventyAndFarAwayStillPrint)
{
    // 1969-12-31 23:00 UTC: the year modulo 100 stays two digits.
    auto lines = propertyLines("/b", -3600, {});
    EXPECT_EQ(lines[1], "update time: 31-12-69 23:00");
    // A time the calendar cannot break down prints as zeros.
    lines = propertyLines("/b", INT64_MAX, {});
    EXPECT_EQ(lines[1], "update time: 00-00-00 00:00");
}
