#include "print/SheetLayout.h"

#include <algorithm>

namespace {

// A w × h image scaled by s and centred in a box of boxW × boxH at (left, top).
SheetRect centred(int left, int top, int boxW, int boxH, int w, int h, float s)
{
    SheetRect r;
    r.x = left + static_cast<int>((boxW - w * s) / 2);
    r.y = top + static_cast<int>((boxH - h * s) / 2);
    r.width = static_cast<int>(w * s);
    r.height = static_cast<int>(h * s);
    return r;
}

} // namespace

SheetRect singleSlotRect(int printableWidth, int printableHeight, int imageWidth, int imageHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return SheetRect();
    const float s = std::min(static_cast<float>(printableWidth) / imageWidth,
                             static_cast<float>(printableHeight) / imageHeight);
    return centred(0, 0, printableWidth, printableHeight, imageWidth, imageHeight, s);
}

SheetRect sideBySideSlotRect(int printableWidth, int printableHeight, int imageWidth,
                             int imageHeight, bool rightHalf)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return SheetRect();
    const int half = printableWidth / 2;
    const float s = std::min(0.98f * printableHeight / imageHeight, 0.98f * half / imageWidth);
    return centred(rightHalf ? half : 0, 0, half, printableHeight, imageWidth, imageHeight, s);
}

SheetRect stackedSlotRect(int printableWidth, int printableHeight, int imageWidth, int imageHeight,
                          bool lowerHalf)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return SheetRect();
    const int half = printableHeight / 2;
    const float s = std::min(0.98f * half / imageHeight, 0.98f * printableWidth / imageWidth);
    return centred(0, lowerHalf ? half : 0, printableWidth, half, imageWidth, imageHeight, s);
}

bool sheetSelected(int sheetFilter, int sheetNumber)
{
    return sheetFilter == 0 || (sheetFilter == 1 && sheetNumber % 2 == 1) ||
           (sheetFilter == 2 && sheetNumber % 2 == 0);
}

std::vector<PlannedSheet> planSheets(const std::vector<int>& sequence, int layout, int sheetFilter,
                                     int pageCount)
{
    std::vector<PlannedSheet> sheets;
    const size_t step = layout == 0 ? 1 : 2;
    int number = 1;
    for (size_t i = 0; i < sequence.size(); i += step, ++number) {
        PlannedSheet sheet;
        sheet.number = number;
        sheet.first = sequence[i];
        if (step == 2 && i + 1 < sequence.size()) {
            const int next = sequence[i + 1];
            sheet.second = next >= 0 && next < pageCount ? next : -1;
        }
        sheet.printed = sheetSelected(sheetFilter, number);
        sheets.push_back(sheet);
    }
    return sheets;
}

bool binariseForPrinter(const PrintSettings& settings)
{
    return settings.binariseOnColourPrinter || settings.printerDevmode.color != 2;
}

int slotDitherMode(const PrintSettings& settings, bool colourPage)
{
    if (settings.excludeColourPages && colourPage)
        return 0;
    return settings.ditherMode;
}
