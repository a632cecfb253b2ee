#pragma once

// The arithmetic of fitting and zooming, free of widgets so it can be tested alone.

enum FitMode {
    RSZ_H0V1 = 0, // the spread's height to the view
    RSZ_H2V1 = 1, // the whole spread into the view
    RSZ_H2V0 = 2, // the spread's width to the view
    RSZ_H1V1 = 3, // one page (the wider) into the view
    RSZ_H1V0 = 4  // one page's width to the view
};

// The spread a fit is computed for, at 100 %: total width, larger height, wider page width.
struct SpreadSize {
    float totalWidth = 1024;
    float maxHeight = 768;
    float pageWidth = 512;
};

// The spread size from the widths and heights of its two pages at 100 % (0 for a page that is
// missing): one page counts twice; none gives 1024 × 768 with half of that as the page width.
SpreadSize spreadSizeOf(int rightW, int rightH, int leftW, int leftH);

// Scale factor (1.0 = 100 %) that fits `spread` into a scroll area of areaW × areaH (frame and
// bars included) by `mode`, in single precision; 1.0 for an unknown mode.
float fitScale(int mode, const SpreadSize& spread, int areaW, int areaH);

// The zoom a book opens at: a spread of two first pages of w × h fits the area; 100 for a zero
// size. Kept within 1 … 400 so a tiny cover cannot ask for gigabytes at the next pages.
float openingZoom(int pageW, int pageH, int areaW, int areaH);

// The Ctrl + wheel zoom list: the 11 base steps plus the current zoom and the two fit zooms
// (each unless already present), ascending. Returns the count (≤ 14) and sets `index` to the
// entry equal to the current zoom; `added` tells which fit zooms were appended (the first for
// the whole spread, the second for its height).
int buildWheelZoomSteps(float zoomPercent, float fitWhole, float fitHeight, float* steps,
                        int& index, bool added[2]);

// The numeric zoom dialog's text: the leading number, 0 when there is none.
double parseZoomText(const char* text);
