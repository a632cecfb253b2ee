#include "print/PixelOutput.h"

#include <algorithm>

#include "imaging/Dither.h"
#include "imaging/GrayImage.h"
#include "platform/Diagnostics.h"

namespace {

int nupSteps(int nupIndex)
{
    switch (nupIndex) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
    case 4:
        return 3;
    default:
        return 0;
    }
}

BlitRect rect(int x, int y, int width, int height)
{
    BlitRect r;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    return r;
}

} // namespace

int pageBlit(DeviceContext& dc, int destX, int destY, int destWidth, int destHeight, int srcX,
             int srcY, int srcWidth, int srcHeight, const unsigned char* pixels, int width,
             int height)
{
    return dc.drawBgr24(rect(destX, destY, destWidth, destHeight),
                        rect(srcX, srcY, srcWidth, srcHeight), pixels, width, height);
}

int grayBlit(int width, int height, DeviceContext& dc, int destX, int destY, int destWidth,
             int destHeight, int srcWidth, int srcHeight, const unsigned char* gray)
{
    return dc.drawGray8(rect(destX, destY, destWidth, destHeight), rect(0, 0, srcWidth, srcHeight),
                        gray, width, height);
}

void nupShrink(int& width, int& height)
{
    if (width < 1 || height < 1)
        return;
    float e, f;
    if (width < height) {
        e = static_cast<float>(height / 2) / width;
        f = static_cast<float>(width) / height;
    } else {
        e = static_cast<float>(height) / width;
        f = static_cast<float>(width / 2) / height;
    }
    const float g = std::min(e, f);
    // The factor is single precision but the product is not rounded back to float: 0.7f is a
    // little below 0.7, so 2000 × 0.7f must truncate to 1399 (a float product rounds to 1400).
    width = static_cast<int>(static_cast<double>(width) * g);
    height = static_cast<int>(static_cast<double>(height) * g);
}

PrintBlitPlan planPrintBlit(int destWidth, int destHeight, int srcWidth, int srcHeight, int width,
                            int height, int nupIndex)
{
    PrintBlitPlan plan;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0 || width <= 0 ||
        height <= 0)
        return plan;
    const double rx = static_cast<double>(destWidth) / srcWidth;
    const double ry = static_cast<double>(destHeight) / srcHeight;
    plan.fullWidth = static_cast<int>(rx * width);
    plan.fullHeight = static_cast<int>(ry * height);
    plan.width = plan.fullWidth;
    plan.height = plan.fullHeight;
    const int steps = nupSteps(nupIndex);
    for (int i = 0; i < steps; ++i)
        nupShrink(plan.width, plan.height);
    if (steps > 0 && plan.fullWidth > 0 && plan.fullHeight > 0)
        plan.scale = std::min(static_cast<float>(plan.height) / plan.fullHeight,
                              static_cast<float>(plan.width) / plan.fullWidth);
    plan.regionWidth = static_cast<int>(plan.scale * rx * srcWidth);
    plan.regionHeight = static_cast<int>(plan.scale * ry * srcHeight);
    return plan;
}

int printBlit(DeviceContext& dc, int destX, int destY, int destWidth, int destHeight, int srcWidth,
              int srcHeight, const unsigned char* pixels, int width, int height, int ditherMode,
              int nupIndex)
{
    GrayImage gray;
    if (!bgrToGray(pixels, width, height, gray)) {
        debugPrint("printBlit: no grey picture of %dx%d\n", width, height);
        return 0;
    }
    if (ditherMode == 0)
        return grayBlit(width, height, dc, destX, destY, destWidth, destHeight, srcWidth, srcHeight,
                        gray.pixels.data());

    const PrintBlitPlan plan =
        planPrintBlit(destWidth, destHeight, srcWidth, srcHeight, width, height, nupIndex);
    debugPrint("-- nup補正\n");
    debugPrint("   %dx%d → %dx%d (x%d/1000)\n", plan.fullWidth, plan.fullHeight, plan.width,
               plan.height, static_cast<int>(plan.scale * 1000));
    GrayImage sized;
    if (plan.width == width && plan.height == height) {
        sized = std::move(gray);
    } else if (!resizeGray(gray, plan.width, plan.height, sized)) {
        debugPrint("printBlit: cannot resample to %dx%d\n", plan.width, plan.height);
        return 0;
    }
    gray = GrayImage(); // the full-size grey is no longer needed
    debugPrint("   src region %dx%d+%d+%d → %dx%d+%d+%d\n", srcWidth, srcHeight, 0, 0,
               plan.regionWidth, plan.regionHeight, 0, 0);
    BitImage bits;
    debugPrint("   dither %d %dx%d\n", ditherMode, plan.width, plan.height);
    if (!ditherGray(sized, ditherMode, bits)) {
        debugPrint("   dither failed\n");
        return 0;
    }
    debugPrint("   dither done\n");
    return dc.drawBits1(rect(destX, destY, destWidth, destHeight),
                        rect(0, 0, plan.regionWidth, plan.regionHeight), bits.bits.data(),
                        bits.width, bits.height);
}
