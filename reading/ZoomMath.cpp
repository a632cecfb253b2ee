#include "ZoomMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ScrollRule.h"

SpreadSize spreadSizeOf(int rightW, int rightH, int leftW, int leftH)
{
    SpreadSize s;
    const bool right = rightW > 0 && rightH > 0;
    const bool left = leftW > 0 && leftH > 0;
    if (right && left) {
        s.totalWidth = static_cast<float>(rightW + leftW);
        s.maxHeight = static_cast<float>(std::max(rightH, leftH));
        s.pageWidth = static_cast<float>(std::max(rightW, leftW));
    } else if (right || left) {
        const int w = right ? rightW : leftW;
        s.totalWidth = 2.0f * static_cast<float>(w);
        s.maxHeight = static_cast<float>(right ? rightH : leftH);
        s.pageWidth = static_cast<float>(w);
    } else {
        // No page to measure: assume two pages of half the default spread.
        s.totalWidth = 1024;
        s.maxHeight = 768;
        s.pageWidth = 512;
    }
    return s;
}

float fitScale(int mode, const SpreadSize& spread, int areaW, int areaH)
{
    const float TW = spread.totalWidth, MH = spread.maxHeight, PW = spread.pageWidth;
    const float VW = static_cast<float>(areaW - 4), VH = static_cast<float>(areaH - 4);
    switch (mode) {
    case RSZ_H0V1: {
        float s = VH / MH;
        if (std::ceil(TW * VH / MH) > VW)
            s = (VH - 16) / MH;
        return s;
    }
    case RSZ_H2V1:
        return std::min(VW / TW, VH / MH);
    case RSZ_H2V0: {
        float s = VW / TW;
        if (std::ceil(VW * MH / TW) > VH)
            s = (VW - 16) / TW;
        return s;
    }
    case RSZ_H1V1: {
        const float s0 = std::min(VW / PW, VH / MH);
        const ScrollNeeds n = needScrollbars(static_cast<int>(std::ceil(TW * s0)),
                                             static_cast<int>(std::ceil(MH * s0)), areaW, areaH);
        if (!n.horizontal && !n.vertical)
            return s0;
        const float vw = n.vertical ? VW - 16 : VW;
        const float vh = n.horizontal ? VH - 16 : VH;
        return std::min(vw / PW, vh / MH);
    }
    case RSZ_H1V0: {
        const float s0 = VW / PW;
        const ScrollNeeds n = needScrollbars(static_cast<int>(std::ceil(TW * s0)),
                                             static_cast<int>(std::ceil(MH * s0)), areaW, areaH);
        return n.vertical ? (VW - 16) / PW : s0;
    }
    default:
        return 1.0f;
    }
}

float openingZoom(int pageW, int pageH, int areaW, int areaH)
{
    if (pageW <= 0 || pageH <= 0)
        return 100.0f;
    const double zoom = 100.0 * std::min(static_cast<double>(areaW - 4) / (2.0 * pageW),
                                         static_cast<double>(areaH - 4) / pageH);
    return static_cast<float>(std::clamp(zoom, 1.0, 400.0));
}

int buildWheelZoomSteps(float zoomPercent, float fitWhole, float fitHeight, float* steps,
                        int& index, bool added[2])
{
    static const float base[11] = {7, 15, 25, 35, 50, 65, 80, 100, 150, 200, 300};
    int count = 11;
    std::copy(base, base + 11, steps);
    const float extras[3] = {zoomPercent, fitWhole, fitHeight};
    for (int i = 0; i < 3; ++i) {
        const bool present = std::find(steps, steps + count, extras[i]) != steps + count;
        if (!present)
            steps[count++] = extras[i];
        if (i > 0)
            added[i - 1] = !present;
    }
    std::sort(steps, steps + count);
    index = static_cast<int>(std::find(steps, steps + count, zoomPercent) - steps);
    return count;
}

double parseZoomText(const char* text)
{
    return std::strtod(text, nullptr);
}
