#include "views/PopupTip.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Display names of a five-page book, "*" outside it.
std::string nameOf(int page)
{
    static const std::vector<std::string> names = {"p1.jpg", "p2.jpg(400x600)", "p3.jpg", "p4.jpg",
                                                   "p5.jpg"};
    return page >= 0 && page < static_cast<int>(names.size()) ? names[page] : "*";
}

} // namespace

TEST(TipLines, TheFirstRowOfALoneFirstPageNamesOnlyThatPage)
{
    const TipLines t = tipLinesForRow(0, 1, nameOf);
    EXPECT_EQ(t.line1, "*");
    EXPECT_EQ(t.line2, "p1.jpg");
}

TEST(TipLines, LaterRowsNameTheirTwoPagesWithLabelsWhereKnown)
{
    TipLines t = tipLinesForRow(1, 1, nameOf);
    EXPECT_EQ(t.line1, "p2.jpg(400x600)");
    EXPECT_EQ(t.line2, "p3.jpg");
    t = tipLinesForRow(0, 0, nameOf);
    EXPECT_EQ(t.line1, "p1.jpg");
    EXPECT_EQ(t.line2, "p2.jpg(400x600)");
}

TEST(TipLines, TheLastRowOfAnOddBookHasAnEmptyHalf)
{
    const TipLines t = tipLinesForRow(2, 0, nameOf);
    EXPECT_EQ(t.line1, "p5.jpg");
    EXPECT_EQ(t.line2, "*");
    const TipLines beyond = tipLinesForRow(4, 1, nameOf);
    EXPECT_EQ(beyond.line1, "*");
    EXPECT_EQ(beyond.line2, "*");
}
