#include "MihirakiPages.h"

#include <FL/Fl.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdio>

#include "MekuriScroll.h"
#include "ScreenBlit.h"
#include "ViewerState.h"
#include "pipeline/CacheObject.h"
#include "platform/Diagnostics.h"
#include "reading/ScrollRule.h"

namespace {

struct PageSize {
    int w = 0, h = 0;
};

PageSize sizeOf(CacheObject* o)
{
    PageSize s;
    if (o)
        o->imageData(&s.w, &s.h);
    return s;
}

void spreadSize(PageSize left, PageSize right, bool hasLeft, bool hasRight, int& W, int& H)
{
    if (hasLeft && hasRight) {
        W = left.w + right.w;
        H = std::max(left.h, right.h);
    } else if (hasLeft || hasRight) {
        const PageSize one = hasLeft ? left : right;
        W = 2 * one.w;
        H = one.h;
    } else {
        W = 1024;
        H = 768;
    }
}

void redrawScrollArea(void* area)
{
    static_cast<MekuriCustom::Fl_Scroll*>(area)->redraw();
}

void blitWhole(CacheObject* o, int x, int y)
{
    int w = 0, h = 0;
    const unsigned char* pixels = o->imageData(&w, &h);
    pageBlit(x, y, w, h, 0, 0, w, h, pixels, w, h);
}

void showZoom(Fl_Output* field, float zoom)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(zoom));
    field->value(text);
}

} // namespace

MihirakiPages::MPInertiaHdr::MPInertiaHdr(MihirakiPages* owner)
    : ScrInertiaHdr<MekuriCustom::Fl_Scroll>(owner->owner->scrollArea), owner_(owner)
{
}

void MihirakiPages::MPInertiaHdr::inertComplete()
{
    debugPrint("inertComplete\n");
    owner_->endMode();
}

MihirakiPages::MihirakiPages(int x, int y, int w, int h, ViewerState* owner_)
    : Fl_Widget(x, y, w, h), owner(owner_), inertia(this)
{
    box(FL_NO_BOX);
    color(FL_GRAY);
}

MihirakiPages::~MihirakiPages()
{
    // The main window is already gone when its children are destroyed: touch only our own.
    // It deletes the loupe itself.
    inertia.stop();
    Fl::remove_timeout(turnLeftCb, this);
    Fl::remove_timeout(turnRightCb, this);
}

void MihirakiPages::fetchPair(int tag, float scale, CacheObject*& left, CacheObject*& right)
{
    const int first = owner->currentPage - owner->spreadShift;
    const bool rightBound = owner->binding == RIGHT_BINDING;
    const int rightPage = rightBound ? first : first + 1;
    const int leftPage = rightBound ? first + 1 : first;
    const auto fetch = [&](int page) -> CacheObject* {
        if (page < 0 || page >= owner->pageCount())
            return nullptr; // an empty half of the first or last spread
        return owner->prepareEntry(tag, page, owner->filterParam1, owner->filterParam2, scale);
    };
    right = fetch(rightPage);
    left = fetch(leftPage);
}

void MihirakiPages::releasePair(CacheObject* left, CacheObject* right)
{
    if (left)
        owner->releaseEntry(left);
    if (right)
        owner->releaseEntry(right);
}

void MihirakiPages::draw()
{
    CacheObject* left = nullptr;
    CacheObject* right = nullptr;
    fetchPair(SCALEDIMG, owner->zoomPercent, left, right);
    int W, H;
    spreadSize(sizeOf(left), sizeOf(right), left, right, W, H);
    MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    if (W != w() || H != h()) {
        // Size first; the next draw paints.
        resize(x(), y(), W, H);
        const ScrollNeeds needs = needScrollbars(W, H, area->w(), area->h());
        int X = area->xposition(), Y = area->yposition();
        clampScroll(needs, X, Y);
        area->position(X, Y);
        Fl::add_timeout(0.0, redrawScrollArea, area);
        Fl::awake();
        releasePair(left, right);
        return;
    }
    const int request = owner->takeJumpRequest();
    if (request != JUMP_NONE && applyPlacement(request, W, H))
        Fl::add_timeout(0.0, redrawScrollArea, area);
    paint(left, right);
    releasePair(left, right);
}

bool MihirakiPages::applyPlacement(int request, int W, int H)
{
    MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    const ScrollNeeds needs = needScrollbars(W, H, area->w(), area->h());
    int X = area->xposition(), Y = area->yposition();
    switch (request) {
    case JUMP_TO_START:
        // Right-bound reading starts at the top-right corner.
        X = (owner->binding == LEFT_BINDING || W <= area->w() - 4) ? 0 : needs.maxX;
        Y = 0;
        break;
    case JUMP_TO_TOP:
        Y = 0;
        break;
    case JUMP_TO_BOTTOM:
        Y = needs.vertical ? needs.maxY : 0;
        break;
    case JUMP_TO_SAVED:
        X = needs.horizontal ? std::clamp(owner->savedScrollX, 0, std::max(0, needs.maxX)) : 0;
        Y = needs.vertical ? std::clamp(owner->savedScrollY, 0, std::max(0, needs.maxY)) : 0;
        break;
    default:
        return false;
    }
    if (X == area->xposition() && Y == area->yposition())
        return false;
    area->position(X, Y);
    return true;
}

void MihirakiPages::paint(CacheObject* left, CacheObject* right)
{
    const PageSize l = sizeOf(left), r = sizeOf(right);
    const int X = x(), Y = y();
    if (left && right) {
        blitWhole(right, X + l.w + 1, Y);
        blitWhole(left, X, Y);
        fl_color(192, 192, 192);
        if (r.h > l.h)
            fl_rectf(X, Y + l.h, l.w, r.h - l.h);
        if (l.h > r.h)
            fl_rectf(X + l.w + 1, Y + r.h, r.w, l.h - r.h);
        fl_line(X + l.w, Y, X + l.w, Y + h());
    } else if (right) {
        blitWhole(right, X + r.w + 1, Y);
        fl_color(128, 128, 128);
        fl_rectf(X, Y, r.w, r.h);
        // The column between the halves would otherwise keep whatever was drawn there before.
        fl_color(192, 192, 192);
        fl_line(X + r.w, Y, X + r.w, Y + h());
    } else if (left) {
        fl_color(128, 128, 128);
        fl_rectf(X + l.w + 1, Y, l.w, l.h);
        blitWhole(left, X, Y);
        fl_color(192, 192, 192);
        fl_line(X + l.w, Y, X + l.w, Y + h());
    } else {
        int ix, iy, iw, ih;
        owner->scrollArea->interior(ix, iy, iw, ih);
        fl_color(192, 192, 192);
        fl_rectf(ix, iy, iw, ih);
    }
}

void MihirakiPages::drawZoomPreview(int ax, int ay, float V)
{
    const float S = owner->zoomPercent;
    const int Q = owner->loupeSize;
    MekuriCustom::Fl_Scroll* area = owner->scrollArea;
    owner->topWindow()->make_current();
    const ScrollNeeds needs = needScrollbars(w(), h(), area->w(), area->h());
    int ix, iy, iw, ih;
    area->interior(ix, iy, iw, ih);
    fl_push_clip(ix, iy, iw - (needs.vertical ? 16 : 0), ih - (needs.horizontal ? 16 : 0));
    fl_push_clip(ax - Q / 2, ay - Q / 2, Q, Q);

    CacheObject *fullL, *fullR, *curL, *curR;
    fetchPair(FILTEREDIMG, 100.0f, fullL, fullR);
    fetchPair(SCALEDIMG, S, curL, curR);
    const int fx = static_cast<int>((ax - x()) * (100.0f / S));
    const int fy = static_cast<int>((ay - y()) * (100.0f / S));
    const float mid = (S + 100.0f) / 2.0f;
    const PageSize cl = sizeOf(curL), cr = sizeOf(curR);
    const PageSize fl = sizeOf(fullL), fr = sizeOf(fullR);

    // Draws one page: `cur`/`full` are its scaled and full-size pictures, `offsetCur` and
    // `offsetFull` where it starts within the spread at zoom S and at 100 %.
    const auto drawPage = [&](CacheObject* cur, CacheObject* full, int offsetCur, int offsetFull) {
        if (!cur || !full)
            return;
        int cw, ch, fw, fh;
        const unsigned char* cp = cur->imageData(&cw, &ch);
        const unsigned char* fp = full->imageData(&fw, &fh);
        if (V == S) {
            pageBlit(x() + offsetCur, y(), cw, ch, 0, 0, cw, ch, cp, cw, ch);
            return;
        }
        // The page's rectangle at zoom V, placed so that the anchor's point stays put.
        const float k = V / 100.0f;
        const int destX = ax + static_cast<int>((offsetFull - fx) * k);
        const int destY = ay + static_cast<int>((0 - fy) * k);
        if ((S < 100 && V < mid) || V > mid) {
            // From the current scaled picture (cheaper, good enough at this zoom).
            const int dw = static_cast<int>(cw * V / S), dh = static_cast<int>(ch * V / S);
            const int dx = ax + static_cast<int>((offsetCur - (ax - x())) * V / S);
            const int dy = ay + static_cast<int>((0 - (ay - y())) * V / S);
            pageBlit(dx, dy, dw, dh, 0, 0, cw, ch, cp, cw, ch);
        } else {
            pageBlit(destX, destY, static_cast<int>(fw * k), static_cast<int>(fh * k), 0, 0, fw, fh,
                     fp, fw, fh);
        }
    };
    if (curL && curR) {
        drawPage(curL, fullL, 0, 0);
        drawPage(curR, fullR, cl.w + (V == S ? 1 : 0), fl.w);
    } else if (curR) {
        drawPage(curR, fullR, cr.w + (V == S ? 1 : 0), fr.w);
    } else if (curL) {
        drawPage(curL, fullL, 0, 0);
    }
    releasePair(curL, curR);

    owner->savedScrollX = ix + static_cast<int>(V * fx / 100) - ax;
    owner->savedScrollY = iy + static_cast<int>(V * fy / 100) - ay;

    // The spread's rectangle at zoom V, and what lies around it.
    int W, H;
    const PageSize vl{static_cast<int>(fl.w * V / 100), static_cast<int>(fl.h * V / 100)};
    const PageSize vr{static_cast<int>(fr.w * V / 100), static_cast<int>(fr.h * V / 100)};
    spreadSize(vl, vr, fullL, fullR, W, H);
    const int sx = ix - owner->savedScrollX, sy = iy - owner->savedScrollY;
    const int qx = ax - Q / 2, qy = ay - Q / 2;
    fl_color(FL_GRAY);
    if (sx > qx)
        fl_rectf(qx, qy, sx - qx, Q);
    if (sx + W < qx + Q)
        fl_rectf(sx + W, qy, qx + Q - (sx + W), Q);
    if (sy > qy)
        fl_rectf(qx, qy, Q, sy - qy);
    if (sy + H < qy + Q)
        fl_rectf(qx, sy + H, Q, qy + Q - (sy + H));
    fl_color(128, 128, 128);
    if (fullR && !fullL)
        fl_rectf(sx, sy, vr.w, vr.h);
    if (fullL && !fullR)
        fl_rectf(sx + vl.w, sy, vl.w, vl.h);
    fl_color(192, 192, 192);
    if (fullL && fullR) {
        if (vl.h < vr.h)
            fl_rectf(sx, sy + vl.h, vl.w, vr.h - vl.h);
        else if (vr.h < vl.h)
            fl_rectf(sx + vl.w, sy + vr.h, vr.w, vl.h - vr.h);
    }
    if (V != S) {
        fl_color(FL_BLACK);
        fl_rect(qx, qy, Q, Q);
    }
    releasePair(fullL, fullR);
    fl_pop_clip();
    fl_pop_clip();
    showZoom(owner->zoomField, V);
}

void MihirakiPages::endMode()
{
    switch (mode) {
    case MODE_ZOOM: {
        // Leave the mode before applying the zoom: a refused zoom shows a box whose event
        // loop must not see a zoom still running (a second Ctrl release would end it again).
        inertia.stop();
        mode = MODE_IDLE;
        owner->applyLiveZoom(owner->zoomStepIndex == -1 ? owner->gestureZoom
                                                        : owner->zoomSteps[owner->zoomStepIndex]);
        break;
    }
    case MODE_DRAG:
    case MODE_INERTIA:
        inertia.stop();
        mode = MODE_IDLE;
        break;
    case MODE_LOUPE:
    case MODE_LOUPE_STICKY:
        delete owner->loupeWindow;
        owner->loupeWindow = nullptr;
        mode = MODE_IDLE;
        break;
    default:
        break;
    }
}
