#include "InertiaHdr.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cmath>

#include "platform/SystemInfo.h"

namespace {

constexpr size_t kMaxSamples = 100;
constexpr float kWindowMs = 40.0f;
constexpr float kMinTravel = 3.0f;
constexpr float kVelocityFactor = 0.7f;
constexpr float kDeceleration = 1.5f; // px/s per ms, that is 1500 px/s²
constexpr float kStopSpeed = 3.0f;
constexpr double kTickSeconds = 0.02;

} // namespace

InertiaHdr::InertiaHdr(Clock clock) : clock_(std::move(clock))
{
    resetBounds();
}

InertiaHdr::~InertiaHdr()
{
    Fl::remove_timeout(tickCb, this);
}

uint32_t InertiaHdr::now() const
{
    return clock_ ? clock_() : tickCount();
}

void InertiaHdr::resetBounds()
{
    minX_ = INT_MIN;
    maxX_ = INT_MAX;
    minY_ = INT_MIN;
    maxY_ = INT_MAX;
}

void InertiaHdr::setBounds(int minX, int maxX, int minY, int maxY)
{
    minX_ = minX;
    maxX_ = maxX;
    minY_ = minY;
    maxY_ = maxY;
}

void InertiaHdr::stop()
{
    Fl::remove_timeout(tickCb, this);
    state_ = IDLE;
    resetBounds();
}

void InertiaHdr::dragCallback(int, int)
{
}

void InertiaHdr::addSample(float x, float y)
{
    if (samples_.size() >= kMaxSamples)
        samples_.pop_back();
    samples_.push_front({x, y, static_cast<float>(now() - startTime_)});
}

void InertiaHdr::feed(int x, int y)
{
    switch (state_) {
    case IDLE:
        samples_.clear();
        startTime_ = now();
        addSample(static_cast<float>(x), static_cast<float>(y));
        startX_ = static_cast<float>(x);
        startY_ = static_cast<float>(y);
        state_ = TRACKING;
        break;
    case TRACKING: {
        const int cx = std::clamp(x, minX_, maxX_);
        const int cy = std::clamp(y, minY_, maxY_);
        const Sample& newest = samples_.front();
        if (cx != static_cast<int>(newest.x) || cy != static_cast<int>(newest.y))
            dragCallback(cx, cy);
        addSample(static_cast<float>(cx), static_cast<float>(cy));
        break;
    }
    default:
        break;
    }
}

void InertiaHdr::release()
{
    if (state_ != TRACKING || samples_.empty()) {
        state_ = IDLE;
        return;
    }
    const Sample s0 = samples_.front();
    if (samples_.back().t > s0.t) {
        state_ = IDLE;
        return;
    }
    // The oldest sample no more than 40 ms before the newest.
    Sample si = s0;
    for (auto it = samples_.rbegin(); it != samples_.rend(); ++it) {
        if (it->t >= s0.t - kWindowMs) {
            si = *it;
            break;
        }
    }
    if (si.t == s0.t ||
        (std::fabs(s0.x - si.x) <= kMinTravel && std::fabs(s0.y - si.y) <= kMinTravel)) {
        state_ = IDLE;
        return;
    }
    x0_ = s0.x;
    y0_ = s0.y;
    t0_ = s0.t;
    const float f = 1000.0f / (s0.t - si.t) * kVelocityFactor;
    vx_ = f * (s0.x - si.x);
    vy_ = f * (s0.y - si.y);
    vt_ = 0;
    state_ = INERTIA;
    inertStart(static_cast<int>(x0_), static_cast<int>(y0_));
    schedule();
}

void InertiaHdr::schedule()
{
    // One pending tick at most, even when a new flick starts before an old tick has run.
    Fl::remove_timeout(tickCb, this);
    Fl::add_timeout(kTickSeconds, tickCb, this);
}

void InertiaHdr::tickCb(void* self)
{
    static_cast<InertiaHdr*>(self)->tick();
}

void InertiaHdr::tick()
{
    if (state_ != INERTIA)
        return;
    const float T = static_cast<float>(now() - startTime_);
    if (t0_ > T) { // the millisecond clock wrapped around
        inertComplete();
        state_ = IDLE;
        return;
    }
    if (t0_ < T) {
        const float dt = T - t0_;
        const float speed = std::sqrt(vx_ * vx_ + vy_ * vy_ + vt_ * vt_);
        const float slower = std::max(0.0f, speed - kDeceleration * dt);
        if (speed > 0) {
            vx_ *= slower / speed;
            vy_ *= slower / speed;
            vt_ *= slower / speed;
        }
        if (std::fabs(vx_) < 1)
            vx_ = 0;
        if (std::fabs(vy_) < 1)
            vy_ = 0;
        float x = x0_ + vx_ * dt / 1000.0f;
        float y = y0_ + vy_ * dt / 1000.0f;
        if (x < minX_ || x > maxX_) {
            x = std::clamp(x, static_cast<float>(minX_), static_cast<float>(maxX_));
            vx_ = 0;
        }
        if (y < minY_ || y > maxY_) {
            y = std::clamp(y, static_cast<float>(minY_), static_cast<float>(maxY_));
            vy_ = 0;
        }
        if (static_cast<int>(x) != static_cast<int>(x0_) ||
            static_cast<int>(y) != static_cast<int>(y0_))
            inertiaCallback(static_cast<int>(x), static_cast<int>(y));
        x0_ = x;
        y0_ = y;
        t0_ = T;
    }
    if (std::sqrt(vx_ * vx_ + vy_ * vy_ + vt_ * vt_) < kStopSpeed) {
        inertComplete();
        state_ = IDLE;
        return;
    }
    schedule();
}
