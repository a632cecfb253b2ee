// The spread view's side of the loupe: moving the loupe window and painting the full-size
// spread into it.
#include "MihirakiPages.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "Loupe.h"
#include "ScreenBlit.h"
#include "ViewerState.h"
#include "pipeline/CacheObject.h"

namespace {

void blitAt(CacheObject* o, int x, int y)
{
    int w = 0, h = 0;
    const unsigned char* pixels = o->imageData(&w, &h);
    pageBlit(x, y, w, h, 0, 0, w, h, pixels, w, h);
}

} // namespace

void MihirakiPages::drawLoupe(int screenX, int screenY, int spreadX, int spreadY)
{
    auto* loupe = static_cast<Loupe*>(owner->loupeWindow);
    if (!loupe || !loupe->shown())
        return;
    // The content is painted whole right after the move, so the part that stays on screen
    // need not be shifted first; there is no vertical-blank wait on this platform.
    if (screenX != loupe->x() || screenY != loupe->y())
        loupe->position(screenX, screenY);
    loupe->make_current();
    paintLoupe(loupe, spreadX, spreadY);
    Fl::flush();
}

void MihirakiPages::paintLoupe(Loupe* loupe, int spreadX, int spreadY)
{
    loupe->lastSpreadX = spreadX;
    loupe->lastSpreadY = spreadY;
    loupe->painted = true;
    const float S = owner->zoomPercent;
    const int Z = owner->loupeSize;
    CacheObject *left = nullptr, *right = nullptr;
    fetchPair(SCALEDIMG, 100.0f, left, right);
    int lw = 0, lh = 0, rw = 0, rh = 0;
    if (left)
        left->imageData(&lw, &lh);
    if (right)
        right->imageData(&rw, &rh);
    int W = 1024, H = 768;
    if (left && right) {
        W = lw + rw;
        H = std::max(lh, rh);
    } else if (left || right) {
        W = 2 * (left ? lw : rw);
        H = left ? lh : rh;
    }
    // The spread's origin inside the loupe: the full-size point sits at the centre.
    const int ox = -(static_cast<int>(spreadX * 100 / S) - Z / 2);
    const int oy = -(static_cast<int>(spreadY * 100 / S) - Z / 2);
    fl_color(192, 192, 192);
    if (ox > 0)
        fl_rectf(0, 0, ox, Z);
    if (ox + W < Z)
        fl_rectf(ox + W, 0, Z - (ox + W), Z);
    if (oy > 0)
        fl_rectf(0, 0, Z, oy);
    if (oy + H < Z)
        fl_rectf(0, oy + H, Z, Z - (oy + H));
    fl_push_clip(1, 1, loupe->w() - 2, loupe->h() - 2);
    if (left && right) {
        fl_line(ox + lw, 1, ox + lw, Z - 2);
        blitAt(right, ox + lw + 1, oy);
        blitAt(left, ox, oy);
        fl_color(192, 192, 192);
        if (rh > lh)
            fl_rectf(ox, oy + lh, lw, rh - lh);
        if (lh > rh)
            fl_rectf(ox + lw + 1, oy + rh, rw, lh - rh);
    } else if (right) {
        fl_line(ox + rw, 1, ox + rw, Z - 2);
        blitAt(right, ox + rw + 1, oy);
        fl_color(128, 128, 128);
        fl_rectf(ox, oy, rw, rh);
    } else if (left) {
        fl_line(ox + lw, 1, ox + lw, Z - 2);
        fl_color(128, 128, 128);
        fl_rectf(ox + lw + 1, oy, lw, lh);
        blitAt(left, ox, oy);
    } else {
        fl_rectf(0, 0, Z, Z);
    }
    fl_pop_clip();
    fl_color(FL_BLACK);
    fl_rect(0, 0, loupe->w(), loupe->h());
    releasePair(left, right);
}
