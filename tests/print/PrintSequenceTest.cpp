#include "print/PrintSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "print/PreviewLayout.h"
#include "print/SheetLayout.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Sequence = std::vector<int>;

PrintSettings pageList(const std::string& list, int layout = 0)
{
    PrintSettings s;
    s.printRange = 2;
    s.pageSpec = list;
    s.printLayout = layout;
    return s;
}

PrintSettings allPages(int layout, bool firstPageAlone, bool booklet)
{
    PrintSettings s;
    s.printRange = 0;
    s.printLayout = layout;
    s.firstPageAlone = firstPageAlone;
    s.booklet = booklet;
    return s;
}

PrintSettings currentSpread(int layout)
{
    PrintSettings s;
    s.printRange = 1;
    s.printLayout = layout;
    return s;
}

void expectRange(const std::string& item, int pages, int first, int last)
{
    const PageRange r = parsePageRange(item, pages);
    EXPECT_EQ(r.first, first) << "'" << item << "' of " << pages;
    EXPECT_EQ(r.last, last) << "'" << item << "' of " << pages;
}

} // namespace

TEST(ParsePageRange, SinglePage)
{
    expectRange("1", 10, 1, 1);
    expectRange("10", 10, 10, 10);
    expectRange(" 4", 10, 4, 4); // leading blanks are skipped by the number reader
    expectRange("3a", 10, 3, 3); // other characters are passed over
    expectRange("0", 10, -1, -1);
    expectRange("11", 10, -1, -1);
    expectRange("a3", 10, -1, -1); // no number where reading starts
}

TEST(ParsePageRange, OpenStartIsCutToTheBook)
{
    expectRange("-2", 10, 1, 2);
    expectRange("-20", 10, 1, 10);
    expectRange("-0", 10, -1, -1);
}

TEST(ParsePageRange, OpenEndRunsToTheLastPage)
{
    expectRange("8-", 10, 8, 10);
    expectRange("10-", 10, 10, 10);
    expectRange("11-", 10, -1, -1);
    expectRange("0-", 10, -1, -1);
}

TEST(ParsePageRange, ClosedRange)
{
    expectRange("3-5", 10, 3, 5);
    expectRange("5-5", 10, 5, 5);
    expectRange("1- 3", 10, 1, 3); // blanks may precede the second number
    expectRange("5-3", 10, -1, -1);
    expectRange("3-11", 10, -1, -1);
    expectRange("0-3", 10, -1, -1);
    expectRange("1 - 3", 10, -1, -1); // the first number must run into the minus sign
    expectRange("1 -3", 10, -1, -1);
}

TEST(ParsePageRange, MalformedItems)
{
    expectRange("3-5-7", 10, -1, -1);
    expectRange("--3", 10, -1, -1);
    expectRange("-", 10, -1, -1);
    expectRange("abc", 10, -1, -1);
    expectRange("", 10, -1, -1);
    expectRange("99999999999999999999", 10, -1, -1);
    expectRange("1-99999999999999999999", 10, -1, -1);
}

TEST(BuildPrintSequence, PageListKeepsTheOrderGiven)
{
    EXPECT_EQ(buildPrintSequence(pageList("3-5,1"), 10, 0, 0), (Sequence{2, 3, 4, 0}));
    EXPECT_EQ(buildPrintSequence(pageList("-2"), 10, 0, 0), (Sequence{0, 1}));
    EXPECT_EQ(buildPrintSequence(pageList("8-"), 10, 0, 0), (Sequence{7, 8, 9}));
    EXPECT_EQ(buildPrintSequence(pageList("1,,2,"), 10, 0, 0), (Sequence{0, 1}));
    EXPECT_EQ(buildPrintSequence(pageList("2,2"), 10, 0, 0), (Sequence{1, 1}));
}

TEST(BuildPrintSequence, AnInvalidItemVoidsTheWholeList)
{
    EXPECT_TRUE(buildPrintSequence(pageList("5-3"), 10, 0, 0).empty());
    EXPECT_TRUE(buildPrintSequence(pageList("1 - 3"), 10, 0, 0).empty());
    EXPECT_TRUE(buildPrintSequence(pageList("1,2,x"), 10, 0, 0).empty());
    PrintSettings twoUp = pageList("1,99", 1);
    twoUp.firstPageAlone = true; // the leading blank slot goes too
    EXPECT_TRUE(buildPrintSequence(twoUp, 10, 0, 0).empty());
}

TEST(BuildPrintSequence, AllPages)
{
    EXPECT_EQ(buildPrintSequence(allPages(0, false, false), 3, 0, 0), (Sequence{0, 1, 2}));
    // The one-page layout ignores the two-up options.
    EXPECT_EQ(buildPrintSequence(allPages(0, true, true), 3, 0, 0), (Sequence{0, 1, 2}));
    EXPECT_EQ(buildPrintSequence(allPages(1, true, false), 3, 0, 0), (Sequence{-1, 0, 1, 2}));
    EXPECT_EQ(buildPrintSequence(allPages(2, false, false), 3, 0, 0), (Sequence{0, 1, 2}));
}

TEST(BuildPrintSequence, BookletOfEightPages)
{
    EXPECT_EQ(buildPrintSequence(allPages(1, false, true), 8, 0, 0),
              (Sequence{7, 0, 1, 6, 5, 2, 3, 4}));
}

TEST(BuildPrintSequence, BookletOfTenPagesIsPaddedToTwelveSlots)
{
    // Slots 10 and 11 are blank: 11, 0, 1, 10, 9, 2, 3, 8, 7, 4, 5, 6 by slot.
    EXPECT_EQ(bookletOrder({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
              (Sequence{11, 0, 1, 10, 9, 2, 3, 8, 7, 4, 5, 6}));
    EXPECT_EQ(buildPrintSequence(allPages(2, false, true), 10, 0, 0),
              (Sequence{-1, 0, 1, -1, 9, 2, 3, 8, 7, 4, 5, 6}));
}

TEST(BuildPrintSequence, BookletWithALoneFirstPage)
{
    // Five pages behind a blank: six slots padded to eight.
    EXPECT_EQ(buildPrintSequence(allPages(1, true, true), 5, 0, 0),
              (Sequence{-1, -1, 0, -1, 4, 1, 2, 3}));
    EXPECT_EQ(buildPrintSequence(allPages(1, false, true), 5, 0, 0),
              (Sequence{-1, 0, 1, -1, -1, 2, 3, 4}));
}

TEST(BuildPrintSequence, CurrentSpread)
{
    // First spread with the first page alone: a blank slot and page 1 two-up, page 1 alone
    // in the one-page layout.
    EXPECT_EQ(buildPrintSequence(currentSpread(1), 10, 0, 1), (Sequence{-1, 0}));
    EXPECT_EQ(buildPrintSequence(currentSpread(0), 10, 0, 1), (Sequence{0}));
    EXPECT_EQ(buildPrintSequence(currentSpread(1), 10, 2, 1), (Sequence{1, 2}));
    EXPECT_EQ(buildPrintSequence(currentSpread(0), 10, 4, 0), (Sequence{4, 5}));
    // The lone last page.
    EXPECT_EQ(buildPrintSequence(currentSpread(1), 5, 4, 0), (Sequence{4}));
}

TEST(BuildPrintSequence, CurrentSpreadOfABookWithoutThatPageIsEmpty)
{
    // Found by fuzzing: an empty book, two-up, printed page 0 of 0.
    EXPECT_TRUE(buildPrintSequence(currentSpread(2), 0, 0, 0).empty());
    EXPECT_TRUE(buildPrintSequence(currentSpread(0), 0, 0, 0).empty());
    EXPECT_TRUE(buildPrintSequence(currentSpread(1), 6, 6, 0).empty());
}

TEST(BuildPrintSequence, CurrentSpreadIgnoresLoneFirstPageAndBooklet)
{
    PrintSettings s = currentSpread(1);
    s.firstPageAlone = true;
    s.booklet = true;
    EXPECT_EQ(buildPrintSequence(s, 10, 2, 1), (Sequence{1, 2}));
}

TEST(BuildPrintSequence, UnknownRangeIsTraced)
{
    PrintSettings s;
    s.printRange = 3;
    CaptureStderr();
    const Sequence sequence = buildPrintSequence(s, 10, 0, 0);
    EXPECT_EQ(GetCapturedStderr(), "illegal region value\n");
    EXPECT_TRUE(sequence.empty());
}

TEST(PrintSettingsDefaults, AFirstJobPrintsEveryPageUprightOneASheetHalftonedByThePrinter)
{
    const PrintSettings s;
    // Every page in order, wherever the reader is.
    const Sequence pages = buildPrintSequence(s, 5, 2, 1);
    EXPECT_EQ(pages, (Sequence{0, 1, 2, 3, 4}));
    const std::vector<PlannedSheet> sheets = planSheets(pages, s.printLayout, s.sheetFilter, 5);
    ASSERT_EQ(sheets.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheets[i].first, i);
        EXPECT_EQ(sheets[i].second, -1);
        EXPECT_TRUE(sheets[i].printed);
    }
    const PreviewPaper paper = previewPaper(s.paperOrientation, 200, 200);
    EXPECT_GT(paper.height, paper.width);
    EXPECT_EQ(slotDitherMode(s, false), 0);
    EXPECT_TRUE(s.printerName.empty()); // the system's default printer
}
