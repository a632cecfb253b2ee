#include "ScreenBlit.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <vector>

#include "pipeline/Bgr24.h"

namespace {

// The part of the destination rectangle that can show: inside the clip and the window.
bool visiblePart(int x, int y, int w, int h, int& cx, int& cy, int& cw, int& ch)
{
    if (w <= 0 || h <= 0)
        return false;
    fl_clip_box(x, y, w, h, cx, cy, cw, ch);
    if (const Fl_Window* window = Fl_Window::current()) {
        const int right = std::min(cx + cw, window->w());
        const int bottom = std::min(cy + ch, window->h());
        cx = std::max(cx, 0);
        cy = std::max(cy, 0);
        cw = right - cx;
        ch = bottom - cy;
    }
    return cw > 0 && ch > 0;
}

// Source column (or row) for destination offset `d` of a stretch from `src` to `dest` pixels.
int mapNearest(int d, int dest, int src)
{
    const long long s = (2LL * d + 1) * src / (2LL * dest);
    return static_cast<int>(std::min<long long>(s, src - 1));
}

template <typename PixelToRgb>
int blit(int destX, int destY, int destW, int destH, int srcX, int srcY, int srcW, int srcH,
         int pictureH, PixelToRgb rgbAt)
{
    if (srcW <= 0 || srcH <= 0)
        return 0;
    int cx, cy, cw, ch;
    if (!visiblePart(destX, destY, destW, destH, cx, cy, cw, ch))
        return 0;
    // Top row of the source rectangle, counted from the top of the picture.
    const int srcTop = pictureH - srcY - srcH;
    std::vector<unsigned char> rgb(static_cast<size_t>(cw) * ch * 3);
    std::vector<int> columns(cw);
    for (int i = 0; i < cw; ++i)
        columns[i] =
            srcX + (destW == srcW ? cx - destX + i : mapNearest(cx - destX + i, destW, srcW));
    for (int row = 0; row < ch; ++row) {
        const int dy = cy - destY + row;
        const int topRow = srcTop + (destH == srcH ? dy : mapNearest(dy, destH, srcH));
        const int memoryRow = pictureH - 1 - topRow;
        unsigned char* out = &rgb[static_cast<size_t>(row) * cw * 3];
        for (int i = 0; i < cw; ++i)
            rgbAt(memoryRow, columns[i], out + 3 * i);
    }
    fl_draw_image(rgb.data(), cx, cy, cw, ch, 3);
    return ch;
}

} // namespace

int pageBlit(int destX, int destY, int destW, int destH, int srcX, int srcY, int srcW, int srcH,
             const unsigned char* pixels, int pictureW, int pictureH)
{
    if (!pixels || pictureW <= 0 || pictureH <= 0 || srcX < 0 || srcY < 0 ||
        srcX + srcW > pictureW || srcY + srcH > pictureH)
        return 0;
    const size_t stride = rowStride(pictureW);
    return blit(destX, destY, destW, destH, srcX, srcY, srcW, srcH, pictureH,
                [&](int memoryRow, int column, unsigned char* out) {
                    const unsigned char* p = pixels + stride * memoryRow + 3 * column;
                    out[0] = p[2];
                    out[1] = p[1];
                    out[2] = p[0];
                });
}

int grayBlit(int pictureW, int pictureH, int destX, int destY, int destW, int destH, int srcW,
             int srcH, const unsigned char* gray)
{
    if (!gray || pictureW <= 0 || pictureH <= 0 || srcW > pictureW || srcH > pictureH)
        return 0;
    const size_t stride = (static_cast<size_t>(pictureW) + 3) & ~static_cast<size_t>(3);
    return blit(destX, destY, destW, destH, 0, 0, srcW, srcH, pictureH,
                [&](int memoryRow, int column, unsigned char* out) {
                    out[0] = out[1] = out[2] = gray[stride * memoryRow + column];
                });
}
