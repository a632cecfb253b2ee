#include "imaging/GrayImage.h"

#include <new>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/Diagnostics.h"

bool graySizeAllowed(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    return static_cast<uint64_t>(grayRowStride(width)) * static_cast<uint64_t>(height) <=
           kMaxGrayBytes;
}

bool GrayImage::allocate(int w, int h, unsigned char value)
{
    pixels.clear();
    width = 0;
    height = 0;
    if (!graySizeAllowed(w, h))
        return false;
    try {
        pixels.assign(grayRowStride(w) * static_cast<size_t>(h), value);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool bgrToGray(const unsigned char* bgr, int width, int height, GrayImage& out)
{
    if (!bgr) {
        out = GrayImage();
        return false;
    }
    // A BGR24 picture is never bigger than its grey form times three, so the grey cap also
    // keeps the colour rows we read within reason.
    if (!out.allocate(width, height)) {
        debugPrint("bgrToGray: refused %dx%d\n", width, height);
        return false;
    }
    try {
        const cv::Mat colour(height, width, CV_8UC3, const_cast<unsigned char*>(bgr),
                             rowStride(width));
        cv::Mat gray(height, width, CV_8UC1, out.pixels.data(), out.stride());
        // OpenCV's BGR-to-grey uses the BT.601 weights in fixed point; rows map one to one,
        // so the bottom-up order is kept.
        cv::cvtColor(colour, gray, cv::COLOR_BGR2GRAY);
    } catch (const cv::Exception& e) {
        debugPrint("bgrToGray: %s\n", e.what());
        out = GrayImage();
        return false;
    }
    return true;
}

bool resizeGray(const GrayImage& src, int width, int height, GrayImage& out)
{
    if (src.empty() || &src == &out) {
        return false;
    }
    GrayImage result;
    if (!result.allocate(width, height)) {
        debugPrint("resizeGray: refused %dx%d\n", width, height);
        return false;
    }
    try {
        const cv::Mat from(src.height, src.width, CV_8UC1,
                           const_cast<unsigned char*>(src.pixels.data()), src.stride());
        cv::Mat to(height, width, CV_8UC1, result.pixels.data(), result.stride());
        const bool enlarging = width > src.width || height > src.height;
        // Resampling is symmetric under a vertical flip, so bottom-up rows need no turning.
        cv::resize(from, to, to.size(), 0, 0, enlarging ? cv::INTER_CUBIC : cv::INTER_AREA);
    } catch (const cv::Exception& e) {
        debugPrint("resizeGray: %s\n", e.what());
        return false;
    }
    out = std::move(result);
    return true;
}
