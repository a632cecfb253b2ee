#include "reading/ScrollRule.h"

#include <gtest/gtest.h>

TEST(NeedScrollbars, ContentInsideTheFrameNeedsNone)
{
    const ScrollNeeds n = needScrollbars(696, 596, 700, 600);
    EXPECT_FALSE(n.horizontal);
    EXPECT_FALSE(n.vertical);
    EXPECT_EQ(n.maxX, 0);
    EXPECT_EQ(n.maxY, 0);
}

TEST(NeedScrollbars, TallContentNeedsAVerticalBarAndMaybeAHorizontalOne)
{
    ScrollNeeds n = needScrollbars(680, 1000, 700, 600);
    EXPECT_TRUE(n.vertical);
    EXPECT_FALSE(n.horizontal); // 680 <= 700 - 20
    EXPECT_EQ(n.maxY, 1000 - 600 + 4);
    EXPECT_EQ(n.maxX, 680 - 700 + 4 + 16);
    n = needScrollbars(690, 1000, 700, 600);
    EXPECT_TRUE(n.vertical);
    EXPECT_TRUE(n.horizontal); // the vertical bar narrows the view below 690
    EXPECT_EQ(n.maxX, 690 - 700 + 4 + 16);
    EXPECT_EQ(n.maxY, 1000 - 600 + 4 + 16);
}

TEST(NeedScrollbars, WideContentNeedsAHorizontalBarAndMaybeAVerticalOne)
{
    ScrollNeeds n = needScrollbars(2000, 580, 700, 600);
    EXPECT_TRUE(n.horizontal);
    EXPECT_FALSE(n.vertical); // 580 <= 600 - 20
    EXPECT_EQ(n.maxX, 2000 - 700 + 4);
    n = needScrollbars(2000, 590, 700, 600);
    EXPECT_TRUE(n.horizontal);
    EXPECT_TRUE(n.vertical);
}

TEST(ClampScroll, KeepsOffsetsWithinTheBarsAndZeroesAxesWithoutOne)
{
    const ScrollNeeds n = needScrollbars(2000, 580, 700, 600);
    int x = 5000, y = 30;
    clampScroll(n, x, y);
    EXPECT_EQ(x, n.maxX);
    EXPECT_EQ(y, 0);
    // Enlarged until the spread fits: both offsets become 0.
    const ScrollNeeds fits = needScrollbars(600, 500, 700, 600);
    x = 100;
    y = 100;
    clampScroll(fits, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}
