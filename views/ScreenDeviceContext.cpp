#include "views/ScreenDeviceContext.h"

#include <cstddef>

#include "views/ScreenBlit.h"

namespace {

size_t grayStride(int width)
{
    return (static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3);
}

bool inside(int width, int height, const BlitRect& r)
{
    return r.width > 0 && r.height > 0 && r.x >= 0 && r.y >= 0 && r.x <= width - r.width &&
           r.y <= height - r.height;
}

// Sizes `out` for the rectangle; the caller fills its rows.
void prepare(const BlitRect& source, ScreenGray& out)
{
    out.width = source.width;
    out.height = source.height;
    out.pixels.assign(grayStride(source.width) * source.height, 0);
}

int drawGray(const BlitRect& dest, const ScreenGray& g)
{
    return grayBlit(g.width, g.height, dest.x, dest.y, dest.width, dest.height, g.width, g.height,
                    g.pixels.data());
}

} // namespace

bool grayFromBits(const unsigned char* bits, int width, int height, const BlitRect& source,
                  ScreenGray& out)
{
    out = ScreenGray();
    if (!bits || !inside(width, height, source))
        return false;
    prepare(source, out);
    const size_t inStride = (static_cast<size_t>(width) + 31) / 32 * 4;
    const size_t outStride = grayStride(source.width);
    for (int row = 0; row < source.height; ++row) {
        const unsigned char* in = bits + inStride * (source.y + row);
        unsigned char* o = &out.pixels[outStride * row];
        for (int i = 0; i < source.width; ++i) {
            const int x = source.x + i;
            o[i] = ((in[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
        }
    }
    return true;
}

bool grayFromGray(const unsigned char* gray, int width, int height, const BlitRect& source,
                  ScreenGray& out)
{
    out = ScreenGray();
    if (!gray || !inside(width, height, source))
        return false;
    prepare(source, out);
    const size_t inStride = grayStride(width);
    const size_t outStride = grayStride(source.width);
    for (int row = 0; row < source.height; ++row) {
        const unsigned char* in = gray + inStride * (source.y + row) + source.x;
        unsigned char* o = &out.pixels[outStride * row];
        for (int i = 0; i < source.width; ++i)
            o[i] = in[i];
    }
    return true;
}

int ScreenDeviceContext::drawBgr24(const BlitRect& dest, const BlitRect& source,
                                   const unsigned char* pixels, int width, int height)
{
    return pageBlit(dest.x, dest.y, dest.width, dest.height, source.x, source.y, source.width,
                    source.height, pixels, width, height);
}

int ScreenDeviceContext::drawGray8(const BlitRect& dest, const BlitRect& source,
                                   const unsigned char* pixels, int width, int height)
{
    if (source.x == 0 && source.y == 0)
        return grayBlit(width, height, dest.x, dest.y, dest.width, dest.height, source.width,
                        source.height, pixels);
    ScreenGray g;
    return grayFromGray(pixels, width, height, source, g) ? drawGray(dest, g) : 0;
}

int ScreenDeviceContext::drawBits1(const BlitRect& dest, const BlitRect& source,
                                   const unsigned char* bits, int width, int height)
{
    ScreenGray g;
    return grayFromBits(bits, width, height, source, g) ? drawGray(dest, g) : 0;
}
