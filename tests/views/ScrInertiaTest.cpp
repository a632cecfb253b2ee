#include "views/ScrInertiaHdr.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Scroll.H>
#include <gtest/gtest.h>

#include <string>

#include "views/Fl_BrowserEX.h"
#include "views/MihirakiPages.h"
#include "views/ViewerState.h"

namespace {

// A book state with no book: enough for the spread view to be built and its modes driven.
class NoBook : public ViewerState {
  public:
    CacheObject* prepareEntry(int, int, float, float, float) override { return nullptr; }
    void releaseEntry(CacheObject*) override {}
    void applyLiveZoom(float zoom) override { (void)endLiveZoom(zoom); }
    void leftArrow() override {}
    void rightArrow() override {}
    void prefetch(int) override {}
    Fl_Window* topWindow() override { return nullptr; }
};

} // namespace

TEST(ScrInertia, AScrollAreaFollowsThePointerWithinItsScrollbarRanges)
{
    Fl_Group::current(nullptr);
    Fl_Scroll area(0, 0, 200, 200);
    Fl_Box content(0, 0, 1000, 1000);
    area.end();
    // What the area's draw would set: 800 pixels of travel each way.
    area.scrollbar.value(0, 200, 0, 1000);
    area.hscrollbar.value(0, 200, 0, 1000);
    uint32_t clock = 0;
    ScrInertiaHdr<Fl_Scroll> h(&area, [&] { return clock; });
    h.beginOrFeed(100, 100);
    clock += 10;
    h.beginOrFeed(50, 40); // the content moves with the pointer: up and left
    EXPECT_EQ(area.xposition(), 50);
    EXPECT_EQ(area.yposition(), 60);
    clock += 10;
    h.beginOrFeed(-5000, 5000); // past the end one way, past the start the other
    EXPECT_EQ(area.xposition(), 800);
    EXPECT_EQ(area.yposition(), 0);
    h.stop();
}

TEST(ScrInertia, ABrowserMovesOnlyAlongAnAxisWhoseScrollbarShows)
{
    Fl_Group::current(nullptr);
    Fl_BrowserEX list(0, 0, 100, 100);
    list.end();
    list.scrollbar.set_visible();
    list.scrollbar.value(0, 100, 0, 500);
    list.hscrollbar.clear_visible();
    uint32_t clock = 0;
    ScrInertiaHdr<Fl_BrowserEX> h(&list, [&] { return clock; });
    h.beginOrFeed(50, 80);
    clock += 10;
    h.beginOrFeed(20, 50);
    EXPECT_EQ(list.position(), 30);
    EXPECT_EQ(list.hposition(), 0); // no horizontal bar: no horizontal move
    clock += 10;
    h.beginOrFeed(20, 5000); // clamped at the top of the list
    EXPECT_EQ(list.position(), 0);
    h.stop();
}

TEST(ScrInertia, AFlickOfTheScrollAreaKeepsMovingAfterRelease)
{
    Fl_Group::current(nullptr);
    Fl_Scroll area(0, 0, 200, 200);
    Fl_Box content(0, 0, 200, 2000);
    area.end();
    area.scrollbar.value(0, 200, 0, 2000);
    area.hscrollbar.value(0, 200, 0, 200);
    uint32_t clock = 0;
    ScrInertiaHdr<Fl_Scroll> h(&area, [&] { return clock; });
    h.beginOrFeed(100, 500);
    clock += 20;
    EXPECT_TRUE(h.endDrag(100, 440, true, false)); // released 60 px up, 20 ms later
    ASSERT_EQ(h.state(), InertiaHdr::INERTIA);
    const int released = area.yposition();
    EXPECT_EQ(released, 60);
    clock += 20;
    h.tick();
    EXPECT_GT(area.yposition(), released);
    h.stop();

    // A click ends without inertia; a touch release is not fed, so a stale point cannot move
    // the content.
    h.beginOrFeed(100, 500);
    EXPECT_FALSE(h.endDrag(100, 500, true, true));
    EXPECT_EQ(h.state(), InertiaHdr::IDLE);
    const int before = area.yposition();
    h.beginOrFeed(100, 500);
    EXPECT_FALSE(h.endDrag(100, 100, false, true));
    EXPECT_EQ(area.yposition(), before);
}

TEST(SpreadViewInertia, EndingADragOrItsInertiaStopsTheHandler)
{
    Fl_Group::current(nullptr);
    NoBook state;
    MekuriCustom::Fl_Scroll area(0, 0, 300, 300);
    state.scrollArea = &area;
    MihirakiPages pages(2, 2, 1000, 1000, &state);
    area.end();
    // What the area's draw would set for the 1000-pixel spread.
    area.scrollbar.value(0, 296, 0, 1000);
    area.hscrollbar.value(0, 296, 0, 1000);
    uint32_t clock = 0;
    pages.inertia.setClock([&] { return clock; });

    pages.mode = MODE_DRAG;
    pages.inertia.beginOrFeed(10, 10);
    ASSERT_EQ(pages.inertia.state(), InertiaHdr::TRACKING);
    pages.endMode();
    EXPECT_EQ(pages.mode, MODE_IDLE);
    EXPECT_EQ(pages.inertia.state(), InertiaHdr::IDLE);

    pages.inertia.beginOrFeed(100, 100);
    clock += 20;
    pages.inertia.beginOrFeed(40, 100);
    pages.inertia.release();
    ASSERT_EQ(pages.inertia.state(), InertiaHdr::INERTIA);
    pages.mode = MODE_INERTIA;
    pages.endMode();
    EXPECT_EQ(pages.mode, MODE_IDLE);
    EXPECT_EQ(pages.inertia.state(), InertiaHdr::IDLE);
}

TEST(SpreadViewInertia, InertiaThatRunsOutEndsTheViewsMode)
{
    Fl_Group::current(nullptr);
    NoBook state;
    MekuriCustom::Fl_Scroll area(0, 0, 300, 300);
    state.scrollArea = &area;
    MihirakiPages pages(2, 2, 1000, 1000, &state);
    area.end();
    // What the area's draw would set for the 1000-pixel spread.
    area.scrollbar.value(0, 296, 0, 1000);
    area.hscrollbar.value(0, 296, 0, 1000);
    uint32_t clock = 0;
    pages.inertia.setClock([&] { return clock; });
    pages.mode = MODE_DRAG;
    pages.inertia.beginOrFeed(100, 100);
    clock += 20;
    pages.inertia.beginOrFeed(90, 100); // 350 px/s
    pages.inertia.release();
    ASSERT_EQ(pages.inertia.state(), InertiaHdr::INERTIA);
    pages.mode = MODE_INERTIA;
    for (int i = 0; i < 100 && pages.inertia.state() == InertiaHdr::INERTIA; ++i) {
        clock += 20;
        pages.inertia.tick();
    }
    EXPECT_EQ(pages.inertia.state(), InertiaHdr::IDLE);
    EXPECT_EQ(pages.mode, MODE_IDLE);
}
