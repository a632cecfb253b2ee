#include "views/InertiaHdr.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// A handler whose clock the test sets and which records what it was asked to do.
class RecordingInertia : public InertiaHdr {
  public:
    RecordingInertia() : InertiaHdr([this] { return clock; }) {}

    uint32_t clock = 1000;
    std::vector<std::pair<int, int>> drags, moves;
    int starts = 0, completions = 0;

  protected:
    void dragCallback(int x, int y) override { drags.emplace_back(x, y); }
    void inertStart(int, int) override { ++starts; }
    void inertiaCallback(int x, int y) override { moves.emplace_back(x, y); }
    void inertComplete() override { ++completions; }
};

} // namespace

TEST(Inertia, AFlickOfSixtyPixelsInTwentyMillisecondsStartsAt2100AndSlowsBy30)
{
    RecordingInertia h;
    h.feed(100, 100);
    h.clock += 20;
    h.feed(160, 100);
    h.release();
    ASSERT_EQ(h.state(), InertiaHdr::INERTIA);
    EXPECT_EQ(h.starts, 1);
    EXPECT_FLOAT_EQ(h.velocityX(), 2100.0f);
    EXPECT_FLOAT_EQ(h.velocityY(), 0.0f);
    h.clock += 20;
    h.tick();
    EXPECT_FLOAT_EQ(h.velocityX(), 2070.0f);
    // 2070 px/s for 20 ms: 41.4 pixels further.
    ASSERT_EQ(h.moves.size(), 1u);
    EXPECT_EQ(h.moves[0], std::make_pair(201, 100));
    h.stop();
}

TEST(Inertia, APauseLongerThan40MillisecondsBeforeReleaseStartsNothing)
{
    RecordingInertia h;
    h.feed(0, 0);
    h.clock += 10;
    h.feed(50, 0);
    h.clock += 41;
    h.feed(50, 0); // the release sample, after the pause
    h.release();
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
    EXPECT_EQ(h.starts, 0);
}

TEST(Inertia, ThreePixelsOrLessInTheWindowStartNothing)
{
    RecordingInertia h;
    h.feed(0, 0);
    h.clock += 20;
    h.feed(3, 3);
    h.release();
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
    RecordingInertia g;
    g.feed(0, 0);
    g.clock += 20;
    g.feed(4, 0);
    g.release();
    EXPECT_EQ(g.state(), InertiaHdr::INERTIA);
    g.stop();
}

TEST(Inertia, DragsMoveOnlyWhenThePixelChangesAndStayInBounds)
{
    RecordingInertia h;
    h.feed(10, 10);
    h.setBounds(0, 20, 0, 20);
    h.clock += 5;
    h.feed(10, 10); // same pixel: no move
    h.clock += 5;
    h.feed(50, -5); // clamped
    ASSERT_EQ(h.drags.size(), 1u);
    EXPECT_EQ(h.drags[0], std::make_pair(20, 0));
}

TEST(Inertia, ReachingTheEndOfTheRangeStopsThatAxisAndCompletes)
{
    RecordingInertia h;
    h.feed(100, 100);
    h.setBounds(0, 120, 0, 1000);
    h.clock += 20;
    h.feed(110, 100);
    h.release(); // 350 px/s to the right
    ASSERT_EQ(h.state(), InertiaHdr::INERTIA);
    h.clock += 100; // would reach 144: past 120
    h.tick();
    EXPECT_EQ(h.moves.back(), std::make_pair(120, 100));
    EXPECT_FLOAT_EQ(h.velocityX(), 0.0f);
    EXPECT_EQ(h.completions, 1); // no motion left on either axis
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
}

TEST(Inertia, SlowsToAStopUnderThreePixelsPerSecond)
{
    RecordingInertia h;
    h.feed(0, 0);
    h.clock += 20;
    h.feed(10, 0); // 350 px/s
    h.release();
    int ticks = 0;
    while (h.state() == InertiaHdr::INERTIA && ticks < 100) {
        h.clock += 20;
        h.tick();
        ++ticks;
    }
    EXPECT_EQ(h.completions, 1);
    // 350 px/s at 1500 px/s²: about 0.23 s, that is 12 ticks.
    EXPECT_EQ(ticks, 12);
}

TEST(Inertia, StopEndsWithoutCompletion)
{
    RecordingInertia h;
    h.feed(0, 0);
    h.clock += 20;
    h.feed(60, 0);
    h.release();
    h.stop();
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
    EXPECT_EQ(h.completions, 0);
    h.tick(); // a stray tick does nothing
    EXPECT_TRUE(h.moves.empty());
}

TEST(Inertia, AClockThatWrapsEndsInertia)
{
    RecordingInertia h;
    h.clock = 0xFFFFFFF0u;
    h.feed(0, 0);
    h.clock += 10;
    h.feed(50, 0);
    h.release();
    ASSERT_EQ(h.state(), InertiaHdr::INERTIA);
    h.clock = 0xFFFFFFF0u; // earlier than the last sample: as if the counter wrapped
    h.tick();
    EXPECT_EQ(h.completions, 1);
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
}

TEST(Inertia, KeepsAtMostOneHundredSamples)
{
    RecordingInertia h;
    for (int i = 0; i < 300; ++i) {
        h.feed(i, 0);
        h.clock += 1;
    }
    // A steady 1 px/ms drag: the velocity comes from the last 40 ms regardless of history.
    h.release();
    EXPECT_FLOAT_EQ(h.velocityX(), 700.0f);
    h.stop();
}
