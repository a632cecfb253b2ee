#pragma once

#include <vector>

// Where the print dialog's preview puts the paper and the pages of the first sheet. The preview
// paper is a fixed model of an A-size sheet (141 × 200 upright, 138 × 196 of it printable);
// each page is scaled to its slot and drawn unscaled at that size. Scales are single precision
// and positions are truncated. Pure functions; any thread.

// The paper of the preview centred in its box; every size and offset in screen pixels.
struct PreviewPaper {
    int width = 0;
    int height = 0;
    int printableWidth = 0;
    int printableHeight = 0;
    int offsetX = 0; // paper's left edge inside the box
    int offsetY = 0; // paper's top edge inside the box
};

// The paper for `orientation` (1 portrait, anything else landscape: 200 × 141, printable
// 196 × 138) centred in a box of boxWidth × boxHeight: offsets (box − paper) div 2.
PreviewPaper previewPaper(int orientation, int boxWidth, int boxHeight);

// One page of the preview: its scale and the top-left corner of the scaled picture, relative
// to the paper's top-left corner.
struct PreviewSlot {
    int page = -1; // page index, -1 for a blank slot
    float scale = 0.0f;
    int x = 0;
    int y = 0;
};

// The pages the sheet's slots show, in slot order (single; left then right; upper then lower),
// for the first two elements `first` and `second` of the page sequence (-1 when missing).
// Layout 1 follows the binding: right binding puts `first` in the right slot.
std::vector<int> previewSlotPages(int layout, bool rightBinding, int first, int second);

// The placement of a width × height picture in slot `slot` (0 or 1, as previewSlotPages
// numbers them) of `layout` on `paper`. Scale 0 for a picture without size.
PreviewSlot previewSlot(const PreviewPaper& paper, int layout, int slot, int page, int width,
                        int height);
