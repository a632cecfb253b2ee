#include "app/WheelRules.h"

#include <gtest/gtest.h>

#include "catalog/CatalogWindowRules.h"

TEST(WheelRules, ANotchIsTwoListLinesFortyPixelsOrOneCatalogRow)
{
    EXPECT_EQ(wheelDistance(-1), 120); // away from the user
    EXPECT_EQ(wheelDistance(1), -120);
    EXPECT_EQ(listWheelLines(120), 2);
    EXPECT_EQ(spreadWheelPixels(120), 40);
    EXPECT_EQ(wheelScrollPosition(0, -120, 1800, 600), 180); // the catalog grid: a row
    EXPECT_EQ(listWheelLines(-240), -4);
    EXPECT_EQ(spreadWheelPixels(-240), -80);
}

TEST(WheelRules, AFineWheelStepOfSixtyIsTwentyPixelsOneLineAndNoCatalogRow)
{
    EXPECT_EQ(spreadWheelPixels(60), 20);
    EXPECT_EQ(listWheelLines(60), 1);
    EXPECT_EQ(wheelScrollPosition(360, 60, 1800, 600), 360); // the catalog grid stays
    // Toward zero on both sides.
    EXPECT_EQ(listWheelLines(-59), 0);
    EXPECT_EQ(spreadWheelPixels(-100), -33);
}

TEST(WheelRules, PagesTurnOnlyMoreThanHalfASecondAfterTheLastScroll)
{
    EXPECT_FALSE(wheelMayTurnPage(10.5, 10.0));
    EXPECT_TRUE(wheelMayTurnPage(10.501, 10.0));
    EXPECT_TRUE(wheelMayTurnPage(1.0, 0.0)); // the first step of a run
}

TEST(SpreadWheel, ASpreadThatFitsTurnsOnEachStepAfterAPause)
{
    const ScrollNeeds fits = needScrollbars(800, 600, 1000, 800);
    SpreadWheel r = spreadWheel(-120, 5.0, 0.0, fits, 0);
    EXPECT_EQ(r.action, WHEEL_FORWARD);
    EXPECT_FALSE(r.stamp);
    r = spreadWheel(120, 5.0, 0.0, fits, 0);
    EXPECT_EQ(r.action, WHEEL_BACK);
    // Within half a second of a scroll: no turn, the offset stays 0, the time is stamped.
    r = spreadWheel(-120, 5.2, 5.0, fits, 0);
    EXPECT_EQ(r.action, WHEEL_NOTHING);
    EXPECT_EQ(r.newY, 0);
    EXPECT_TRUE(r.stamp);
}

TEST(SpreadWheel, SpinningDownATallSpreadScrollsToItsBottomThenTurnsAfterAPause)
{
    const ScrollNeeds tall = needScrollbars(800, 1000, 1000, 800); // maxY 204
    ASSERT_TRUE(tall.vertical);
    ASSERT_EQ(tall.maxY, 204);
    double now = 1.0, last = 0.0;
    int y = 0;
    std::vector<int> offsets;
    for (int notch = 0; notch < 7; ++notch) {
        const SpreadWheel r = spreadWheel(-120, now, last, tall, y);
        ASSERT_NE(r.action, WHEEL_FORWARD) << "notch " << notch;
        ASSERT_NE(r.action, WHEEL_BACK) << "notch " << notch;
        if (r.action == WHEEL_SCROLL)
            y = r.newY;
        if (r.stamp)
            last = now;
        offsets.push_back(y);
        now += 0.1;
    }
    EXPECT_EQ(offsets, (std::vector<int>{40, 80, 120, 160, 200, 204, 204}));
    // The same spin up at the top, and a step down at the bottom, turn after a pause.
    EXPECT_EQ(spreadWheel(-120, now + 0.6, last, tall, y).action, WHEEL_FORWARD);
    EXPECT_EQ(spreadWheel(120, now + 0.6, last, tall, 0).action, WHEEL_BACK);
    // In the middle a pause changes nothing: it scrolls.
    const SpreadWheel mid = spreadWheel(120, now + 0.6, last, tall, 100);
    EXPECT_EQ(mid.action, WHEEL_SCROLL);
    EXPECT_EQ(mid.newY, 60);
}

TEST(SpreadWheel, TheFirstStepOfATallSpreadAtItsTopGoesBack)
{
    const ScrollNeeds tall = needScrollbars(800, 1000, 1000, 800);
    EXPECT_EQ(spreadWheel(120, 3.0, 0.0, tall, 0).action, WHEEL_BACK);
    // Within the pause the same step only tries to scroll past the top.
    const SpreadWheel r = spreadWheel(120, 3.0, 2.9, tall, 0);
    EXPECT_EQ(r.action, WHEEL_NOTHING);
    EXPECT_EQ(r.newY, 0);
}
