#include "catalog/CatalogGrid.h"

#include <gtest/gtest.h>

#include "CatalogTestSupport.h"

using namespace catalogtest;

TEST(CatalogGrid, ColumnsFollowTheWindowWidth)
{
    EXPECT_EQ(gridColumns(pageWidthFor(170)), 1);
    EXPECT_EQ(gridColumns(pageWidthFor(319)), 1);
    EXPECT_EQ(gridColumns(pageWidthFor(320)), 2);
    EXPECT_EQ(gridColumns(pageWidthFor(619)), 3);
    EXPECT_EQ(gridColumns(pageWidthFor(620)), 4);
    EXPECT_EQ(gridColumns(0), 1);
    EXPECT_EQ(gridColumns(-50), 1);
}

TEST(CatalogGrid, PageHeightIsOneRowAtLeastAndCapped)
{
    EXPECT_EQ(gridPageHeight(0, 4), 180);
    EXPECT_EQ(gridPageHeight(4, 4), 180);
    EXPECT_EQ(gridPageHeight(5, 4), 360);
    EXPECT_EQ(gridRows(1000, 4), 250);
    EXPECT_EQ(gridPageHeight(1000, 4), 32743);
    EXPECT_EQ(gridPageHeight(181 * 4, 4), 32580); // the last row that fits whole
}

TEST(CatalogGrid, CellOriginsFollowTheScrollPosition)
{
    const CellOrigin first = cellOrigin(0, 4, 0, 0);
    EXPECT_EQ(first.x, 2);
    EXPECT_EQ(first.y, 22);
    const CellOrigin sixth = cellOrigin(5, 4, 0, 200);
    EXPECT_EQ(sixth.x, 2 + 150);
    EXPECT_EQ(sixth.y, 22 + 180 - 200);
    EXPECT_TRUE(cellOnWindow(sixth, 640, 480));
    EXPECT_FALSE(cellOnWindow(cellOrigin(0, 4, 0, 202), 640, 480)); // bottom edge at 0
    EXPECT_FALSE(cellOnWindow(cellOrigin(12, 4, 0, 0), 640, 480));  // row 3 starts at 562
}

TEST(CatalogGrid, CellPartsSitWhereTheCellLayoutPutsThem)
{
    const CellOrigin o{100, 50};
    auto entry = makeEntry("a.zip", 1, 1, 85, 128);
    const GridRect pic = thumbnailRect(o, *entry);
    EXPECT_EQ(pic.x, 100 + 11 + 21);
    EXPECT_EQ(pic.y, 50 + 2);
    EXPECT_EQ(pic.w, 85);
    const GridRect label = labelRect(o, 2);
    EXPECT_EQ(label.x, 105);
    EXPECT_EQ(label.y, 50 + 115 + 32);
    EXPECT_EQ(label.w, 140);
    EXPECT_EQ(label.h, 46);
    EXPECT_EQ(emptyFrameRect(o).y, 51);
    EXPECT_EQ(selectionRect(o).w, 148);
    // A portrait thumbnail leaves a strip on each side, none above or below.
    const auto margins = thumbnailMargins(o, *entry);
    ASSERT_EQ(margins.size(), 2u);
    EXPECT_EQ(margins[0].x, 111);
    EXPECT_EQ(margins[0].w, 21);
    EXPECT_EQ(margins[1].x, 111 + 21 + 85);
    EXPECT_EQ(margins[1].w, 22);
    EXPECT_TRUE(thumbnailMargins(o, *makeEntry("b", 1, 1, 128, 128)).empty());
    EXPECT_EQ(thumbnailMargins(o, *makeEntry("c", 1, 1, 128, 85)).size(), 2u);
}

TEST(CatalogGrid, RepaintRectStaysInsideTheScrollArea)
{
    GridRect r = cellRepaintRect({2, 10}, 400);
    EXPECT_EQ(r.y, 22);
    EXPECT_EQ(r.h, 10 + 180 - 22);
    r = cellRepaintRect({2, 300}, 400);
    EXPECT_EQ(r.y, 300);
    EXPECT_EQ(r.h, 398 - 300);
    EXPECT_EQ(r.w, 150);
}

TEST(CatalogGrid, HitTestFindsEntriesEmptyPartsAndOutside)
{
    // Window 640 wide: page 620, 4 columns; 6 entries, two rows; scrolled 100 down.
    const int pageWidth = 620, pageHeight = gridPageHeight(6, 4);
    GridHit hit = hitTest(2 + 160, 22 + 190 - 100, 0, 100, pageWidth, pageHeight, 4, 6);
    EXPECT_EQ(hit.kind, GridHit::Entry);
    EXPECT_EQ(hit.index, 5);
    hit = hitTest(2 + 460, 22 + 190 - 100, 0, 100, pageWidth, pageHeight, 4, 6);
    EXPECT_EQ(hit.kind, GridHit::Empty); // column 3 of row 1: below the last archive
    hit = hitTest(2 + 605, 30, 0, 0, pageWidth, pageHeight, 4, 6);
    EXPECT_EQ(hit.kind, GridHit::Empty); // right of the fourth column
    EXPECT_EQ(hitTest(1, 30, 0, 0, pageWidth, pageHeight, 4, 6).kind, GridHit::Outside);
    EXPECT_EQ(hitTest(30, 22 + 360, 0, 0, pageWidth, pageHeight, 4, 6).kind, GridHit::Outside);
    EXPECT_EQ(hitTest(2 + 620, 30, 0, 0, pageWidth, pageHeight, 4, 6).kind, GridHit::Outside);
}

TEST(CatalogGrid, NameAreaIsBelowTheThumbnail)
{
    EXPECT_TRUE(inNameArea(5, 131));
    EXPECT_TRUE(inNameArea(150 + 144, 180 + 175));
    EXPECT_FALSE(inNameArea(4, 140));
    EXPECT_FALSE(inNameArea(145, 140));
    EXPECT_FALSE(inNameArea(50, 130));
    EXPECT_FALSE(inNameArea(50, 176));
}

TEST(CatalogGrid, LabelsAreCutIntoThreeLinesOfTwentyBytes)
{
    EXPECT_EQ(labelLines("abcdefghijklmnopqrstuvwxy"),
              (std::vector<std::string>{"abcdefghijklmnopqrst", "uvwxy"}));
    // The double-byte あ would take bytes 20 and 21 of the first line: it starts the second.
    EXPECT_EQ(labelLines("abcdefghijklmnopqrsあいう"),
              (std::vector<std::string>{"abcdefghijklmnopqrs", "あいう"}));
    // Half-width kana count one byte, like ASCII.
    EXPECT_EQ(labelLines("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅ").front(), "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ");
    std::string sixtyFive(65, 'x');
    const auto lines = labelLines(sixtyFive);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], std::string(20, 'x')); // past 60 bytes nothing shows
    EXPECT_TRUE(labelLines("").empty());
}

TEST(CatalogGrid, ScrollingBringsTheCellIntoView)
{
    // Window 400 high: scroll area 380, 10 rows (1800 high), one column.
    const int wh = 400, area = 380, page = gridPageHeight(10, 1);
    EXPECT_EQ(scrollToShowEntry(0, 1, 500, wh, page, area), 0);             // up to the top
    EXPECT_EQ(scrollToShowEntry(3, 1, 0, wh, page, area), 540 + 179 - 376); // bottom into view
    EXPECT_EQ(scrollToShowEntry(2, 1, 300, wh, page, area), 300);           // already visible
    EXPECT_EQ(scrollToShowEntry(9, 1, 0, wh, page, area), 22 + 1620 + 179 - 398);
    EXPECT_EQ(scrollToShowEntry(9, 1, 0, wh, page, 1000), page - 1000 + 4);     // clamped
    EXPECT_EQ(scrollToShowEntry(1, 1, 77, wh, gridPageHeight(2, 1), area), 77); // no bar
    EXPECT_EQ(scrollToShowEntry(-1, 1, 77, wh, page, area), 77);
}

TEST(CatalogGrid, ResizeKeepsTheScrollPositionWithinThePage)
{
    EXPECT_EQ(scrollAfterResize(1000, 400, 1800), 1000);
    EXPECT_EQ(scrollAfterResize(1700, 400, 1800), 1800 + 24 - 400);
    EXPECT_EQ(scrollAfterResize(100, 400, 360), 0);
    EXPECT_TRUE(verticalBarNeeded(377, 380));
    EXPECT_FALSE(verticalBarNeeded(376, 380));
    EXPECT_EQ(maxVerticalScroll(100, 380), 0);
}
