#include "ZoomIcons.h"

#include <cstring>
#include <vector>

#include "resources/Resources.h"

void bottomUpBgrToRgb(const unsigned char* bgr, int width, int height, unsigned char* rgb)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = bgr + stride * (height - 1 - y);
        unsigned char* dst = rgb + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
}

namespace {

// Copies a w × h block at (x, y) out of a top-down RGB buffer with a row stride of 96 bytes.
Fl_RGB_Image* cut(const std::vector<unsigned char>& strip, int x, int y, int w, int h)
{
    auto* pixels = new unsigned char[static_cast<size_t>(w) * h * 3];
    for (int row = 0; row < h; ++row)
        std::memcpy(pixels + static_cast<size_t>(row) * w * 3,
                    strip.data() + static_cast<size_t>(y + row) * 96 + x * 3,
                    static_cast<size_t>(w) * 3);
    auto* image = new Fl_RGB_Image(pixels, w, h, 3);
    image->alloc_array = 1; // the image frees its pixels
    return image;
}

ZoomIcons buildZoomIcons()
{
    ZoomIcons icons;
    BmpView view;
    if (!viewBmp24(zoomModesResource(), view) || view.width != 32 || view.height != 176)
        return icons;
    std::vector<unsigned char> strip(static_cast<size_t>(96) * 176);
    bottomUpBgrToRgb(view.pixels, 32, 176, strip.data());
    for (int mode = 0; mode < 5; ++mode)
        icons.large[mode] = cut(strip, 0, mode * 32, 32, 32);
    icons.small[0] = cut(strip, 0, 160, 16, 16);
    icons.small[1] = cut(strip, 16, 160, 16, 16);
    return icons;
}

} // namespace

const ZoomIcons& zoomIcons()
{
    static const ZoomIcons icons = buildZoomIcons();
    return icons;
}

Fl_RGB_Image* windowIcon()
{
    static Fl_RGB_Image* icon = [] {
        BmpView view;
        if (!viewBmp24(iconResource(), view))
            return static_cast<Fl_RGB_Image*>(nullptr);
        std::vector<unsigned char> rgb(static_cast<size_t>(view.width) * view.height * 3);
        bottomUpBgrToRgb(view.pixels, view.width, view.height, rgb.data());
        auto* pixels = new unsigned char[rgb.size()];
        std::memcpy(pixels, rgb.data(), rgb.size());
        auto* image = new Fl_RGB_Image(pixels, view.width, view.height, 3);
        image->alloc_array = 1;
        return image;
    }();
    return icon;
}
