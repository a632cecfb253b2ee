#include "platform/Event.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Event, AutoResetLetsOneWaitThroughPerSet)
{
    Event e(Event::AutoReset);
    e.set();
    EXPECT_TRUE(e.waitFor(0));
    EXPECT_FALSE(e.waitFor(10)); // cleared by the wait that consumed it
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    Event e(Event::ManualReset);
    e.set();
    EXPECT_TRUE(e.waitFor(0));
    EXPECT_TRUE(e.waitFor(0));
    e.reset();
    EXPECT_FALSE(e.waitFor(10));
}

TEST(Event, SetFromAnotherThreadWakesTheWaiter)
{
    Event e(Event::AutoReset);
    std::atomic<int> woken{0};
    Thread waiter;
    ASSERT_TRUE(waiter.start([&] {
        e.wait();
        woken = 1;
    }));
    EXPECT_FALSE(waiter.waitFor(50));
    EXPECT_EQ(woken.load(), 0);
    e.set();
    EXPECT_TRUE(waiter.waitFor(5000));
    waiter.join();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(e.waitFor(0)); // the waiter consumed the signal
}

TEST(Event, AutoResetWakesOneOfTwoWaitersPerSet)
{
    Event e(Event::AutoReset);
    std::atomic<int> woken{0};
    Thread a, b;
    ASSERT_TRUE(a.start([&] {
        e.wait();
        ++woken;
    }));
    ASSERT_TRUE(b.start([&] {
        e.wait();
        ++woken;
    }));
    e.set();
    // Exactly one gets through; give the other time to (wrongly) pass too.
    const bool aDone = a.waitFor(2000) || b.waitFor(2000);
    EXPECT_TRUE(aDone);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(woken.load(), 1);
    e.set();
    EXPECT_TRUE(a.waitFor(5000));
    EXPECT_TRUE(b.waitFor(5000));
    EXPECT_EQ(woken.load(), 2);
}

TEST(Event, ManualResetWakesEveryWaiter)
{
    Event e(Event::ManualReset);
    std::atomic<int> woken{0};
    Thread a, b;
    ASSERT_TRUE(a.start([&] {
        e.wait();
        ++woken;
    }));
    ASSERT_TRUE(b.start([&] {
        e.wait();
        ++woken;
    }));
    e.set();
    EXPECT_TRUE(a.waitFor(5000));
    EXPECT_TRUE(b.waitFor(5000));
    EXPECT_EQ(woken.load(), 2);
}

TEST(Thread, WaitForTimesOutWhileTheBodyRuns)
{
    Event release(Event::ManualReset);
    Thread t;
    ASSERT_TRUE(t.start([&] { release.wait(); }));
    EXPECT_FALSE(t.waitFor(20));
    release.set();
    EXPECT_TRUE(t.waitFor(5000));
    EXPECT_NE(t.id(), 0u);
}
