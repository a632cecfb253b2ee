#include "app/PinchZoom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/MihirakiPages.h"
#include "views/ViewerState.h"

namespace {

class State : public ViewerState {
  public:
    CacheObject* prepareEntry(int, int, float, float, float) override { return nullptr; }
    void releaseEntry(CacheObject*) override {}
    void applyLiveZoom(float zoom) override { (void)endLiveZoom(zoom); }
    void leftArrow() override {}
    void rightArrow() override {}
    void prefetch(int) override {}
    Fl_Window* topWindow() override { return nullptr; }
};

// Records what the pinch asks of the spread view; its endMode applies gestureZoom as the
// real view's does.
class View : public LiveZoomView {
  public:
    explicit View(State& s) : state(s) {}
    int mode() const override { return current; }
    void enterZoomMode() override { current = MODE_ZOOM; }
    void endMode() override
    {
        ++ends;
        if (current == MODE_ZOOM)
            state.applyLiveZoom(state.gestureZoom);
        current = MODE_IDLE;
    }
    void preview(int x, int y, float zoom) override { previews.push_back({x, y, zoom}); }

    struct Preview {
        int x, y;
        float zoom;
    };
    State& state;
    int current = MODE_IDLE;
    int ends = 0;
    std::vector<Preview> previews;
};

} // namespace

TEST(Pinch, TheZoomFollowsTheFingerDistance)
{
    EXPECT_FLOAT_EQ(pinchZoom(300, 50, 150), 100);
    EXPECT_FLOAT_EQ(pinchZoom(75, 80, 150), 40);
}

TEST(Pinch, ABeginUpdatesAndEndApplyTheZoomReached)
{
    State s;
    (void)s.setZoom(50);
    View v(s);
    pinchBegin(s, v, 300, 200, 100);
    EXPECT_EQ(v.current, MODE_ZOOM);
    EXPECT_EQ(s.zoomStepIndex, -1);
    EXPECT_FLOAT_EQ(s.gestureZoom, 50);
    EXPECT_EQ(s.zoomAnchorX, 300);
    EXPECT_EQ(s.zoomAnchorY, 200);
    pinchUpdate(s, v, 150);
    pinchUpdate(s, v, 300);
    ASSERT_EQ(v.previews.size(), 2u);
    EXPECT_FLOAT_EQ(v.previews[0].zoom, 75);
    EXPECT_FLOAT_EQ(v.previews[1].zoom, 150);
    EXPECT_EQ(v.previews[1].x, 300);
    EXPECT_FLOAT_EQ(s.zoomPercent, 50); // unchanged until the end
    pinchEnd(v);
    EXPECT_FLOAT_EQ(s.zoomPercent, 150);
    EXPECT_EQ(v.current, MODE_IDLE);
}

TEST(Pinch, APinchWhileTheLoupeIsShownOnlyClosesIt)
{
    State s;
    View v(s);
    v.current = MODE_LOUPE;
    pinchBegin(s, v, 10, 10, 100);
    EXPECT_EQ(v.ends, 1);
    EXPECT_EQ(v.current, MODE_IDLE);
    pinchUpdate(s, v, 200);
    EXPECT_TRUE(v.previews.empty());
    pinchEnd(v);
    EXPECT_EQ(v.ends, 1); // no zoom was running
}

TEST(Pinch, AStartWithoutFingerDistanceStartsNothing)
{
    State s;
    View v(s);
    pinchBegin(s, v, 10, 10, 0);
    EXPECT_EQ(v.current, MODE_IDLE);
    pinchUpdate(s, v, 200);
    EXPECT_TRUE(v.previews.empty());
}

TEST(Pinch, UpdatesDuringAWheelZoomAreIgnored)
{
    State s;
    View v(s);
    v.current = MODE_ZOOM;
    s.zoomStepIndex = 3; // a Ctrl + wheel zoom owns the zoom mode
    pinchUpdate(s, v, 200);
    EXPECT_TRUE(v.previews.empty());
}
