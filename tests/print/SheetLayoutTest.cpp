#include "print/SheetLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SheetRect rect(int x, int y, int w, int h)
{
    SheetRect r;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    return r;
}

void expectRect(const SheetRect& r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

// A4 at 600 dpi less 6.35 mm side and 12.7 mm top and bottom margins.
constexpr int kA4W = 4658;
constexpr int kA4H = 6416;

} // namespace

TEST(SingleSlot, FillsThePrintableAreaInOneDirectionAndCentres)
{
    expectRect(singleSlotRect(4800, 6600, 1000, 1500), 200, 0, 4400, 6600);
    // s = 6416 / 2100 in single precision; 2100 × s rounds to 6416.0 in float.
    expectRect(singleSlotRect(kA4W, kA4H, 1500, 2100), 37, 0, 4582, 6416);
    // A landscape picture on portrait paper is fitted to the width.
    expectRect(singleSlotRect(kA4W, kA4H, 2100, 1500), 0, 1544, 4658, 3327);
}

TEST(SingleSlot, EmptyPictureGivesAnEmptyRectangle)
{
    EXPECT_EQ(singleSlotRect(kA4W, kA4H, 0, 100), SheetRect());
    EXPECT_EQ(singleSlotRect(kA4W, kA4H, 100, -1), SheetRect());
}

TEST(SideBySideSlot, EachHalfKeepsATwoPercentMargin)
{
    // Landscape A4: halves of 3208 dots; s = min(0.98 × 4658 / 2100, 0.98 × 3208 / 1500).
    expectRect(sideBySideSlotRect(kA4H, kA4W, 1500, 2100, false), 32, 128, 3143, 4401);
    expectRect(sideBySideSlotRect(kA4H, kA4W, 1500, 2100, true), 3240, 128, 3143, 4401);
    // A square page limited by the half's width.
    expectRect(sideBySideSlotRect(kA4H, kA4W, 1000, 1000, true), 3240, 757, 3143, 3143);
    // Portrait paper: a half of 2329 dots.
    expectRect(sideBySideSlotRect(kA4W, kA4H, 1500, 2100, true), 2352, 1610, 2282, 3195);
}

TEST(StackedSlot, UpperAndLowerHalves)
{
    expectRect(stackedSlotRect(kA4W, kA4H, 2100, 1500, false), 128, 32, 4401, 3143);
    expectRect(stackedSlotRect(kA4W, kA4H, 2100, 1500, true), 128, 3240, 4401, 3143);
    expectRect(stackedSlotRect(kA4W, kA4H, 1500, 2100, true), 1206, 3240, 2245, 3143);
}

TEST(SheetFilter, OddAndEvenSheets)
{
    std::vector<int> odd, even, all;
    for (int sheet = 1; sheet <= 5; ++sheet) {
        if (sheetSelected(0, sheet))
            all.push_back(sheet);
        if (sheetSelected(1, sheet))
            odd.push_back(sheet);
        if (sheetSelected(2, sheet))
            even.push_back(sheet);
    }
    EXPECT_EQ(all, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(odd, (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(even, (std::vector<int>{2, 4}));
    EXPECT_FALSE(sheetSelected(3, 1));
}

TEST(PlanSheets, TwoUpWithALoneFirstPageOnThreePages)
{
    const auto sheets = planSheets({-1, 0, 1, 2}, 1, 0, 3);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, -1);
    EXPECT_EQ(sheets[0].second, 0);
    EXPECT_EQ(sheets[1].first, 1);
    EXPECT_EQ(sheets[1].second, 2);
}

TEST(PlanSheets, TwoUpOfThreePagesLeavesTheLastPartnerBlank)
{
    const auto sheets = planSheets({0, 1, 2}, 2, 0, 3);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[1].number, 2);
    EXPECT_EQ(sheets[1].first, 2);
    EXPECT_EQ(sheets[1].second, -1);
}

TEST(PlanSheets, SecondSlotOutsideTheBookIsBlank)
{
    const auto sheets = planSheets({0, 7}, 1, 0, 3);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].second, -1);
}

TEST(PlanSheets, FilteredSheetsAreStillCounted)
{
    const auto odd = planSheets({0, 1, 2, 3, 4}, 0, 1, 5);
    ASSERT_EQ(odd.size(), 5u);
    std::vector<int> printed;
    for (const PlannedSheet& s : odd)
        if (s.printed)
            printed.push_back(s.first);
    EXPECT_EQ(printed, (std::vector<int>{0, 2, 4}));
    const auto even = planSheets({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 1, 2, 10);
    ASSERT_EQ(even.size(), 5u);
    printed.clear();
    for (const PlannedSheet& s : even)
        if (s.printed)
            printed.push_back(s.number);
    EXPECT_EQ(printed, (std::vector<int>{2, 4}));
}

TEST(BinariseDecision, ColourPrinterSendsColourUnlessAskedToBinarise)
{
    PrintSettings s;
    s.ditherMode = 3;
    s.printerDevmode.color = 2;
    EXPECT_FALSE(binariseForPrinter(s));
    s.binariseOnColourPrinter = true;
    EXPECT_TRUE(binariseForPrinter(s));
    s.binariseOnColourPrinter = false;
    s.printerDevmode.color = 1;
    EXPECT_TRUE(binariseForPrinter(s));
    s.printerDevmode.color = 7; // anything but colour counts as monochrome
    EXPECT_TRUE(binariseForPrinter(s));
}

TEST(BinariseDecision, ColourPagesExcludedGoToThePrinterAsGrey)
{
    PrintSettings s;
    s.ditherMode = 4;
    EXPECT_EQ(slotDitherMode(s, true), 4);
    s.excludeColourPages = true;
    EXPECT_EQ(slotDitherMode(s, true), 0);
    EXPECT_EQ(slotDitherMode(s, false), 4); // a monochrome page is still binarised
}

TEST(SheetRectCompare, EqualityLooksAtAllFields)
{
    EXPECT_EQ(rect(1, 2, 3, 4), rect(1, 2, 3, 4));
    EXPECT_FALSE(rect(1, 2, 3, 4) == rect(1, 2, 3, 5));
}
