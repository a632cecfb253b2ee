#pragma once

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

// Drag scrolling with inertia, shared by every scrolling view. The owning widget feeds the
// pointer positions of a button-1 drag; the handler moves the content so that the point under
// the pointer stays under it, estimates the release velocity from the last 40 ms, and then
// keeps the content moving with a deceleration of 1500 px/s² on a 20 ms timer until it is
// slower than 3 px/s. How the content moves and what happens at the end are virtual.
// UI thread only. The destructor stops the timer, so no tick reaches a destroyed owner.
class InertiaHdr {
  public:
    using Clock = std::function<uint32_t()>; // milliseconds, wrapping at 2^32

    enum State { IDLE = 0, TRACKING = 1, INERTIA = 2 };

    explicit InertiaHdr(Clock clock = nullptr);
    virtual ~InertiaHdr();
    InertiaHdr(const InertiaHdr&) = delete;
    InertiaHdr& operator=(const InertiaHdr&) = delete;

    // Removes a pending tick and goes idle (no completion call).
    void stop();
    // Adds a pointer sample (the first one starts a drag).
    void feed(int x, int y);
    // Ends the drag; starts inertia when the pointer moved fast enough in the last 40 ms.
    void release();
    // One inertia step (run by the 20 ms timer; public so the arithmetic can be driven).
    void tick();

    int state() const { return state_; }
    float velocityX() const { return vx_; }
    float velocityY() const { return vy_; }
    void setBounds(int minX, int maxX, int minY, int maxY);
    // Replaces the millisecond clock (null: the system's); tests drive the arithmetic with it.
    void setClock(Clock clock) { clock_ = std::move(clock); }

  protected:
    virtual void dragCallback(int x, int y);
    virtual void inertStart(int x, int y) = 0;
    virtual void inertiaCallback(int x, int y) = 0;
    virtual void inertComplete() = 0;

    float startX_ = 0, startY_ = 0;

  private:
    struct Sample {
        float x, y, t;
    };
    static void tickCb(void* self);
    uint32_t now() const;
    void resetBounds();
    void addSample(float x, float y);
    void schedule();

    Clock clock_;
    int state_ = IDLE;
    int minX_, maxX_, minY_, maxY_;
    std::deque<Sample> samples_; // newest first, at most 100
    float x0_ = 0, y0_ = 0, t0_ = 0;
    float vx_ = 0, vy_ = 0, vt_ = 0;
    uint32_t startTime_ = 0;
};
