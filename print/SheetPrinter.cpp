#include "print/SheetPrinter.h"

#include "platform/Diagnostics.h"
#include "platform/UiHooks.h"
#include "print/ColourPage.h"
#include "print/PixelOutput.h"
#include "print/SheetLayout.h"

namespace {

std::unique_ptr<PrintPage> fetchPage(const SheetJob& job, int page)
{
    if (page < 0 || page >= job.source.pageCount())
        return nullptr;
    std::unique_ptr<PrintPage> image = job.source.fetch(page);
    if (!image || !image->pixels() || image->width() <= 0 || image->height() <= 0) {
        debugPrint("page %d: no picture to print\n", page);
        return nullptr;
    }
    return image;
}

void drawRect(const SheetJob& job, const PrintPage& page, const SheetRect& r)
{
    drawSlot(job, page.pixels(), page.width(), page.height(), r.x, r.y, r.width, r.height);
}

// Both slots of a two-page sheet, `place` giving each slot's rectangle for a picture size.
template <typename Place> void printPair(const SheetJob& job, int first, int second, Place place)
{
    debugPrint("printing page %d, %d\n", first, second);
    const std::unique_ptr<PrintPage> a = fetchPage(job, first);
    const std::unique_ptr<PrintPage> b = fetchPage(job, second);
    if (!job.dc.startPage()) {
        debugPrint("StartPage failed\n");
        return;
    }
    if (a)
        drawRect(job, *a, place(*a, true));
    if (b)
        drawRect(job, *b, place(*b, false));
    if (!job.dc.endPage())
        debugPrint("EndPage failed\n");
}

} // namespace

void drawSlot(const SheetJob& job, const unsigned char* pixels, int width, int height, int x, int y,
              int w, int h)
{
    const PrintSettings& s = job.settings;
    if (binariseForPrinter(s)) {
        // Sampling the picture costs time, so it is only done when the answer matters.
        const bool colour = s.excludeColourPages && isColourPage(pixels, width, height);
        printBlit(job.dc, x, y, w, h, width, height, pixels, width, height,
                  slotDitherMode(s, colour), s.nupIndex);
    } else {
        pageBlit(job.dc, x, y, w, h, 0, 0, width, height, pixels, width, height);
    }
}

void printSheetSingle(const SheetJob& job, int page)
{
    debugPrint("printing page %d ... %dbpp\n", page, job.dc.bitsPerPixel());
    const std::unique_ptr<PrintPage> image = fetchPage(job, page);
    if (!job.dc.startPage()) {
        debugPrint("StartPage failed\n");
        return;
    }
    if (image)
        drawRect(job, *image,
                 singleSlotRect(job.printableWidth, job.printableHeight, image->width(),
                                image->height()));
    if (!job.dc.endPage())
        debugPrint("EndPage failed\n");
}

void printSheetSideBySide(const SheetJob& job, int first, int second)
{
    printPair(job, first, second, [&job](const PrintPage& p, bool isFirst) {
        const bool right = isFirst == job.rightBinding;
        return sideBySideSlotRect(job.printableWidth, job.printableHeight, p.width(), p.height(),
                                  right);
    });
}

void printSheetStacked(const SheetJob& job, int first, int second)
{
    printPair(job, first, second, [&job](const PrintPage& p, bool isFirst) {
        return stackedSlotRect(job.printableWidth, job.printableHeight, p.width(), p.height(),
                               !isFirst);
    });
}

int printSheets(const SheetJob& job, const std::vector<int>& sequence)
{
    const PrintSettings& s = job.settings;
    int printed = 0;
    for (const PlannedSheet& sheet :
         planSheets(sequence, s.printLayout, s.sheetFilter, job.source.pageCount())) {
        if (job.cancelled && *job.cancelled)
            break;
        if (sheet.printed) {
            if (s.printLayout == 0)
                printSheetSingle(job, sheet.first);
            else if (s.printLayout == 1)
                printSheetSideBySide(job, sheet.first, sheet.second);
            else
                printSheetStacked(job, sheet.first, sheet.second);
            ++printed;
        }
        pumpEvents();
    }
    return printed;
}
