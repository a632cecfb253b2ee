#include "WheelRules.h"

#include <algorithm>

namespace {

constexpr double kTurnPause = 0.5;

} // namespace

int wheelDistance(int eventDy)
{
    return -120 * eventDy;
}

int listWheelLines(int d)
{
    return d / 60;
}

int spreadWheelPixels(int d)
{
    return d / 3;
}

bool wheelMayTurnPage(double now, double lastWheelTime)
{
    return now - lastWheelTime > kTurnPause;
}

SpreadWheel spreadWheel(int d, double now, double lastWheelTime, const ScrollNeeds& needs, int y)
{
    SpreadWheel r;
    if (wheelMayTurnPage(now, lastWheelTime)) {
        if (!needs.vertical) {
            // The spread fits in height: every step turns (a step of 0 does nothing).
            r.action = d > 0 ? WHEEL_BACK : d < 0 ? WHEEL_FORWARD : WHEEL_NOTHING;
            return r;
        }
        if (y <= 0 && d > 0) {
            r.action = WHEEL_BACK;
            return r;
        }
        if (y >= needs.maxY && d < 0) {
            r.action = WHEEL_FORWARD;
            return r;
        }
    }
    const int maxY = needs.vertical ? std::max(0, needs.maxY) : 0;
    r.newY = std::clamp(y - spreadWheelPixels(d), 0, maxY);
    r.action = r.newY != y ? WHEEL_SCROLL : WHEEL_NOTHING;
    r.stamp = true;
    return r;
}
