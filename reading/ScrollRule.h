#pragma once

// The scrollbar rule of the main window's scroll area: a 2-pixel frame on each side and
// 16-pixel scrollbars that appear only when needed. Pure arithmetic; any thread.

struct ScrollNeeds {
    bool horizontal = false;
    bool vertical = false;
    int maxX = 0; // largest horizontal scroll offset
    int maxY = 0; // largest vertical scroll offset
};

// Which bars content of contentW × contentH needs in a view of viewW × viewH, with the
// largest offsets that then apply.
ScrollNeeds needScrollbars(int contentW, int contentH, int viewW, int viewH);

// The scroll position clamped into what `needs` allows: min(current, max) on an axis with a
// bar, 0 on an axis without one.
void clampScroll(const ScrollNeeds& needs, int& x, int& y);
