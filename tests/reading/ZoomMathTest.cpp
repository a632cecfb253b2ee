#include "reading/ZoomMath.h"

#include <gtest/gtest.h>

TEST(FitScale, WholeSpreadFitsBothWays)
{
    const SpreadSize s = spreadSizeOf(1000, 1400, 1000, 1400);
    EXPECT_FLOAT_EQ(fitScale(RSZ_H2V1, s, 1004, 704), 0.5f);
}

TEST(FitScale, HeightFitLeavesRoomForAHorizontalBar)
{
    // 700 / 1000 would make a 3000 x 1000 spread 2100 wide: wider than the view.
    const SpreadSize s = spreadSizeOf(1500, 1000, 1500, 1000);
    EXPECT_FLOAT_EQ(fitScale(RSZ_H0V1, s, 1004, 704), 684.0f / 1000.0f);
    EXPECT_EQ(static_cast<int>(fitScale(RSZ_H0V1, s, 1004, 704) * 1000 + 0.5f), 684);
}

TEST(FitScale, WidthFitLeavesRoomForAVerticalBar)
{
    const SpreadSize s = spreadSizeOf(500, 3000, 500, 3000);
    EXPECT_FLOAT_EQ(fitScale(RSZ_H2V0, s, 1004, 704), 984.0f / 1000.0f);
}

TEST(FitScale, OnePageModesUseTheWiderPage)
{
    // Two pages 400 and 600 wide, 500 high, in 1004 x 704: one page into the view is
    // min(1000 / 600, 700 / 500) = 1.4; the spread is then 1400 wide: a horizontal bar.
    const SpreadSize s = spreadSizeOf(400, 500, 600, 500);
    EXPECT_FLOAT_EQ(s.pageWidth, 600);
    EXPECT_FLOAT_EQ(fitScale(RSZ_H1V1, s, 1004, 704), std::min(1000.0f / 600.0f, 684.0f / 500.0f));
    // One page's width: 1000 / 600; the spread 1667 x 834 needs a vertical bar too.
    EXPECT_FLOAT_EQ(fitScale(RSZ_H1V0, s, 1004, 704), 984.0f / 600.0f);
    EXPECT_FLOAT_EQ(fitScale(99, s, 1004, 704), 1.0f);
}

TEST(FitScale, OnePageModesWithoutBarsKeepTheFirstScale)
{
    const SpreadSize s = spreadSizeOf(100, 100, 100, 100);
    // 0.5: the spread is 100 x 50, inside the view.
    EXPECT_FLOAT_EQ(fitScale(RSZ_H1V1, s, 54, 104), 0.5f);
}

TEST(SpreadSize, MissingPagesCountAsDescribed)
{
    SpreadSize s = spreadSizeOf(600, 800, 0, 0);
    EXPECT_FLOAT_EQ(s.totalWidth, 1200);
    EXPECT_FLOAT_EQ(s.maxHeight, 800);
    s = spreadSizeOf(0, 0, 0, 0);
    EXPECT_FLOAT_EQ(s.totalWidth, 1024);
    EXPECT_FLOAT_EQ(s.maxHeight, 768);
    EXPECT_FLOAT_EQ(s.pageWidth, 512);
    s = spreadSizeOf(500, 900, 600, 800);
    EXPECT_FLOAT_EQ(s.totalWidth, 1100);
    EXPECT_FLOAT_EQ(s.maxHeight, 900);
}

TEST(OpeningZoom, FitsTwoFirstPagesAndStaysWithinLimits)
{
    const float z = openingZoom(1000, 1400, 700, 600);
    EXPECT_NEAR(z, 34.8, 0.001);
    EXPECT_EQ(static_cast<int>(z), 34);
    EXPECT_FLOAT_EQ(openingZoom(0, 100, 700, 600), 100.0f);
    EXPECT_FLOAT_EQ(openingZoom(2, 2, 700, 600), 400.0f);         // a tiny cover
    EXPECT_FLOAT_EQ(openingZoom(100000, 100000, 700, 600), 1.0f); // a huge scan
}

TEST(WheelZoomSteps, InsertsCurrentAndFitZoomsInOrder)
{
    float steps[14];
    int index = -1;
    bool added[2];
    const int count = buildWheelZoomSteps(120, 50, 90, steps, index, added);
    const float expected[] = {7, 15, 25, 35, 50, 65, 80, 90, 100, 120, 150, 200, 300};
    ASSERT_EQ(count, 13);
    for (int i = 0; i < count; ++i)
        EXPECT_FLOAT_EQ(steps[i], expected[i]);
    EXPECT_EQ(index, 9);
    EXPECT_FALSE(added[0]); // 50 was already a base step
    EXPECT_TRUE(added[1]);
}

TEST(WheelZoomSteps, HoldsAtMostFourteenEntries)
{
    float steps[14];
    int index = -1;
    bool added[2];
    EXPECT_EQ(buildWheelZoomSteps(33.3f, 44.4f, 55.5f, steps, index, added), 14);
    EXPECT_FLOAT_EQ(steps[index], 33.3f);
}

TEST(ZoomText, TakesTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(parseZoomText("150"), 150.0);
    EXPECT_DOUBLE_EQ(parseZoomText("100.00"), 100.0);
    EXPECT_DOUBLE_EQ(parseZoomText("abc"), 0.0);
    EXPECT_DOUBLE_EQ(parseZoomText("12x"), 12.0);
}
