#include "print/PreviewLayout.h"

#include <algorithm>

PreviewPaper previewPaper(int orientation, int boxWidth, int boxHeight)
{
    PreviewPaper p;
    const bool portrait = orientation == 1;
    p.width = portrait ? 141 : 200;
    p.height = portrait ? 200 : 141;
    p.printableWidth = portrait ? 138 : 196;
    p.printableHeight = portrait ? 196 : 138;
    p.offsetX = (boxWidth - p.width) / 2;
    p.offsetY = (boxHeight - p.height) / 2;
    return p;
}

std::vector<int> previewSlotPages(int layout, bool rightBinding, int first, int second)
{
    if (layout == 0)
        return {first};
    if (layout == 1 && rightBinding)
        return {second, first};
    return {first, second};
}

PreviewSlot previewSlot(const PreviewPaper& paper, int layout, int slot, int page, int width,
                        int height)
{
    PreviewSlot s;
    s.page = page;
    if (width <= 0 || height <= 0)
        return s;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    if (layout == 0) {
        s.scale = std::min(paper.printableWidth / w, paper.printableHeight / h);
        s.x = static_cast<int>((paper.width - w * s.scale) / 2);
        s.y = static_cast<int>((paper.height - h * s.scale) / 2);
    } else if (layout == 1) {
        const int half = paper.width / 2;
        s.scale = std::min((paper.printableWidth / 2) / w, paper.printableHeight / h);
        s.x = (slot == 1 ? half : 0) + static_cast<int>((half - w * s.scale) / 2);
        s.y = static_cast<int>((paper.height - h * s.scale) / 2);
    } else {
        const int half = paper.height / 2;
        s.scale = std::min(paper.printableWidth / w, (paper.printableHeight / 2) / h);
        s.x = static_cast<int>((paper.width - w * s.scale) / 2);
        s.y = (slot == 1 ? half : 0) + static_cast<int>((half - h * s.scale) / 2);
    }
    return s;
}
