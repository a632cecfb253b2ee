#include "reading/SpreadRules.h"

#include <gtest/gtest.h>

#include <climits>

using Lines = std::vector<std::string>;

TEST(SpreadList, FourPagesLoneFirstRightBinding)
{
    EXPECT_EQ(spreadListLines(4, 1, 0), (Lines{"1|", "  3|  2", "|  4"}));
}

TEST(SpreadList, FivePagesLoneFirstRightBinding)
{
    EXPECT_EQ(spreadListLines(5, 1, 0), (Lines{"1|", "  3|  2", "  5|  4"}));
}

TEST(SpreadList, FivePagesPairedLeftBinding)
{
    EXPECT_EQ(spreadListLines(5, 0, 1), (Lines{"  1|  2", "  3|  4", "  5|"}));
}

TEST(SpreadList, LeftBindingMirrorsTheNumbers)
{
    EXPECT_EQ(spreadListLines(4, 1, 1), (Lines{"|  1", "  2|  3", "  4|"}));
    EXPECT_EQ(spreadListLines(4, 0, 0), (Lines{"  2|  1", "  4|  3"}));
}

TEST(SpreadList, OnePageAndNoPage)
{
    EXPECT_EQ(spreadListLines(1, 1, 0), (Lines{"1|"}));
    EXPECT_EQ(spreadListLines(0, 0, 0), Lines{});
}

TEST(Forward, ReachesThePseudoLastPageThenStops)
{
    // n = 4, s = 1: 0 → 2 → 4 (pseudo last page) → nothing.
    EXPECT_EQ(forwardStep(0, 4, 1), 2);
    EXPECT_EQ(forwardStep(2, 4, 1), 1);
    EXPECT_EQ(forwardStep(4, 4, 1), 0);
    // n = 5, s = 1: the last spread c = 4 is full.
    EXPECT_EQ(forwardStep(2, 5, 1), 2);
    EXPECT_EQ(forwardStep(4, 5, 1), 0);
    // n = 5, s = 0: c = 4 shows page 5 alone.
    EXPECT_EQ(forwardStep(2, 5, 0), 2);
    EXPECT_EQ(forwardStep(4, 5, 0), 0);
    EXPECT_EQ(forwardStep(0, 1, 1), 0);
}

TEST(Prefetch, AsksOnlyForPagesInsideTheBook)
{
    EXPECT_EQ(prefetchPages(-1, 10), std::vector<int>{0});
    EXPECT_EQ(prefetchPages(9, 10), std::vector<int>{9});
    EXPECT_EQ(prefetchPages(4, 10), (std::vector<int>{4, 5}));
    EXPECT_TRUE(prefetchPages(-3, 10).empty());
}

TEST(ZoomLimits, AcceptsOneToFourHundredPercent)
{
    EXPECT_EQ(zoomRefusal(400), nullptr);
    EXPECT_EQ(zoomRefusal(1), nullptr);
    EXPECT_STREQ(zoomRefusal(400.5f), "デカ過ぎ\nメモリなくなっちゃうよ\n");
    EXPECT_STREQ(zoomRefusal(0.99f), "小さ過ぎ\n");
}

TEST(SpreadHolding, ASavedPageFindsItsSpreadWithinTheBook)
{
    // n = 7, s = 1: spreads (−1, 0), (1, 2), (3, 4), (5, 6).
    EXPECT_EQ(spreadHolding(-1, 7, 1), 0);
    EXPECT_EQ(spreadHolding(0, 7, 1), 0);
    EXPECT_EQ(spreadHolding(1, 7, 1), 2);
    EXPECT_EQ(spreadHolding(2, 7, 1), 2);
    EXPECT_EQ(spreadHolding(6, 7, 1), 6);
    // n = 7, s = 0: spreads (0, 1), (2, 3), (4, 5), (6, 7).
    EXPECT_EQ(spreadHolding(0, 7, 0), 0);
    EXPECT_EQ(spreadHolding(3, 7, 0), 2);
    EXPECT_EQ(spreadHolding(6, 7, 0), 6);
    // Past the end: the last spread, the pseudo last page included; no overflow at the limit.
    EXPECT_EQ(spreadHolding(9, 4, 1), 4);
    EXPECT_EQ(spreadHolding(9, 4, 0), 2);
    EXPECT_EQ(spreadHolding(INT_MAX, 5, 1), 4);
    EXPECT_EQ(spreadHolding(3, 0, 1), 0);
}

TEST(SpreadUnit, ThePseudoLastPageStepsBackAndABookWithoutPagesStaysAtItsStart)
{
    EXPECT_EQ(spreadAfterUnitChange(4, 4, 1), 2); // pages 3-4 after the change
    EXPECT_EQ(spreadAfterUnitChange(2, 4, 1), 2);
    EXPECT_EQ(spreadAfterUnitChange(4, 4, 0), 4);
    EXPECT_EQ(spreadAfterUnitChange(0, 1, 1), 0);
    // A book that opened without pages (an archive of text files): never a spread before 0.
    EXPECT_EQ(spreadAfterUnitChange(0, 0, 1), 0);
}
