#include "ScrollRule.h"

#include <algorithm>

ScrollNeeds needScrollbars(int contentW, int contentH, int viewW, int viewH)
{
    ScrollNeeds needs;
    if (contentW <= viewW - 4 && contentH <= viewH - 4) {
        // neither
    } else if (contentH > viewH - 4) {
        needs.vertical = true;
        needs.horizontal = contentW > viewW - 20;
    } else {
        needs.horizontal = true;
        needs.vertical = contentH > viewH - 20;
    }
    needs.maxX = contentW - viewW + 4 + (needs.vertical ? 16 : 0);
    needs.maxY = contentH - viewH + 4 + (needs.horizontal ? 16 : 0);
    return needs;
}

void clampScroll(const ScrollNeeds& needs, int& x, int& y)
{
    x = needs.horizontal ? std::min(x, needs.maxX) : 0;
    y = needs.vertical ? std::min(y, needs.maxY) : 0;
}
