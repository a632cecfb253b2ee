#include "app/PreviewBox.h"

#include <FL/fl_draw.H>

#include <vector>

#include "app/Mekuri.h"
#include "app/PrintDialog.h"
#include "pipeline/CacheObject.h"
#include "platform/Diagnostics.h"
#include "print/ColourPage.h"
#include "print/PixelOutput.h"
#include "print/PreviewLayout.h"
#include "print/PrintSequence.h"
#include "print/SheetLayout.h"
#include "views/ScreenDeviceContext.h"

namespace {

// One page of the preview, held scaled for its slot until the draw ends.
struct HeldSlot {
    PreviewSlot slot;
    CacheObject* picture = nullptr;
    const unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The page's full size, from its filtered picture (given back at once); false without one.
bool fullSize(Mekuri& w, int page, int& width, int& height)
{
    CacheObject* o = w.prepareEntry(FILTEREDIMG, page, w.filterParam1, w.filterParam2, 100.0f);
    if (!o)
        return false;
    const bool has = o->imageData(&width, &height) && width > 0 && height > 0;
    w.releaseEntry(o);
    return has;
}

HeldSlot holdSlot(Mekuri& w, const PreviewPaper& paper, int layout, int slot, int page)
{
    HeldSlot held;
    held.slot.page = page;
    int width = 0, height = 0;
    if (page < 0 || page >= w.pageCount() || !fullSize(w, page, width, height))
        return held;
    held.slot = previewSlot(paper, layout, slot, page, width, height);
    if (!(held.slot.scale > 0.0f))
        return held;
    held.picture =
        w.prepareEntry(SCALEDIMG, page, w.filterParam1, w.filterParam2, held.slot.scale * 100.0f);
    if (held.picture)
        held.pixels = held.picture->imageData(&held.width, &held.height);
    return held;
}

void drawHeld(const PrintSettings& s, const HeldSlot& held, int x, int y)
{
    if (!held.pixels || held.width <= 0 || held.height <= 0)
        return;
    ScreenDeviceContext dc;
    if (binariseForPrinter(s)) {
        const bool colour =
            s.excludeColourPages && isColourPage(held.pixels, held.width, held.height);
        // N-up index 0: the screen shows the dots as the program makes them, unreduced.
        printBlit(dc, x, y, held.width, held.height, held.width, held.height, held.pixels,
                  held.width, held.height, slotDitherMode(s, colour), 0);
    } else {
        pageBlit(dc, x, y, held.width, held.height, 0, 0, held.width, held.height, held.pixels,
                 held.width, held.height);
    }
}

} // namespace

PreviewBox::PreviewBox(int x, int y, int w, int h, Mekuri* window)
    : Fl_Widget(x, y, w, h), window_(window)
{
}

void PreviewBox::draw()
{
    debugPrint("draw %d,%d  %dx%d\n", x(), y(), w(), h());
    Mekuri& win = *window_;
    if (!win.bookOpen || !win.printDialog)
        return;
    const PrintSettings s = dialogSettings(win);
    const PreviewPaper paper = previewPaper(s.printerDevmode.orientation, w(), h());
    debugPrint("OFFSET %d,%d\n", paper.offsetX, paper.offsetY);
    const std::vector<int> sequence =
        buildPrintSequence(s, win.pageCount(), win.currentPage, win.spreadShift);
    const int first = sequence.size() > 0 ? sequence[0] : -1;
    const int second = sequence.size() > 1 ? sequence[1] : -1;
    debugPrint("LAYOUT=%d page=%d,%d\n", s.printLayout, first, second);

    const std::vector<int> pages =
        previewSlotPages(s.printLayout, win.binding == RIGHT_BINDING, first, second);
    std::vector<HeldSlot> held;
    for (size_t i = 0; i < pages.size(); ++i)
        held.push_back(holdSlot(win, paper, s.printLayout, static_cast<int>(i), pages[i]));

    const int px = x() + paper.offsetX;
    const int py = y() + paper.offsetY;
    fl_push_clip(x(), y(), w(), h());
    fl_color(FL_GRAY);
    fl_rectf(x(), y(), w(), h());
    fl_color(FL_WHITE);
    fl_rectf(px, py, paper.width, paper.height);
    for (const HeldSlot& h : held)
        drawHeld(s, h, px + h.slot.x, py + h.slot.y);
    fl_pop_clip();

    for (const HeldSlot& h : held)
        if (h.picture)
            win.releaseEntry(h.picture);
}
