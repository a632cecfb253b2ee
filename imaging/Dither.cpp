#include "imaging/Dither.h"

#include <algorithm>
#include <new>

#include "platform/Diagnostics.h"

namespace {

// One weight of an error-diffusion kernel: the neighbour at (dx, dy) from the current pixel,
// dy rows further down the picture, gets weight / divisor of the error.
struct KernelTap {
    int dx;
    int dy;
    int weight;
};

struct Kernel {
    const KernelTap* taps;
    int count;
    int divisor;
};

const KernelTap kFloydSteinberg[] = {
    {1, 0, 7},
    {-1, 1, 3},
    {0, 1, 5},
    {1, 1, 1},
};

const KernelTap kJarvisJudiceNinke[] = {
    {1, 0, 7},  {2, 0, 5},                                   //
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3}, //
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}, //
};

const KernelTap kStucki[] = {
    {1, 0, 8},  {2, 0, 4},                                   //
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}, //
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}, //
};

void setWhite(BitImage& out, int x, int row)
{
    out.bits[row * out.stride() + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
}

// Error diffusion with a kernel reaching at most two rows down and two columns aside. Errors
// are kept in floating point in three rolling rows with a two-pixel border on each side.
bool diffuse(const GrayImage& src, const Kernel& kernel, BitImage& out)
{
    const int w = src.width;
    const size_t rowLength = static_cast<size_t>(w) + 4;
    std::vector<float> errors;
    try {
        errors.assign(rowLength * 3, 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int line = 0; line < src.height; ++line) {
        const int row = src.height - 1 - line; // top row first
        float* current = &errors[(line % 3) * rowLength + 2];
        for (int x = 0; x < w; ++x) {
            const float value = src.at(x, row) + current[x];
            const bool white = value >= kDitherThreshold;
            if (white)
                setWhite(out, x, row);
            const float error = value - (white ? 255.0f : 0.0f);
            for (int i = 0; i < kernel.count; ++i) {
                const KernelTap& tap = kernel.taps[i];
                const int nx = x + tap.dx;
                if (nx < 0 || nx >= w)
                    continue; // error leaving the picture is dropped
                float* target = &errors[((line + tap.dy) % 3) * rowLength + 2];
                target[nx] += error * tap.weight / kernel.divisor;
            }
        }
        // This row's buffer becomes the one two rows down: start it clean.
        std::fill(current - 2, current - 2 + rowLength, 0.0f);
    }
    return true;
}

void bayer(const GrayImage& src, BitImage& out)
{
    for (int line = 0; line < src.height; ++line) {
        const int row = src.height - 1 - line;
        for (int x = 0; x < src.width; ++x) {
            // Level 4m + 2 is the middle of the m-th of 64 bands: flat 128 gives exactly half
            // the dots white, 0 none and 255 all.
            if (src.at(x, row) >= 4 * kBayer8[line % 8][x % 8] + 2)
                setWhite(out, x, row);
        }
    }
}

void threshold(const GrayImage& src, BitImage& out)
{
    for (int row = 0; row < src.height; ++row)
        for (int x = 0; x < src.width; ++x)
            if (src.at(x, row) >= kDitherThreshold)
                setWhite(out, x, row);
}

} // namespace

const unsigned char kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

bool BitImage::allocate(int w, int h)
{
    bits.clear();
    width = 0;
    height = 0;
    if (w <= 0 || h <= 0 ||
        static_cast<uint64_t>(bitRowStride(w)) * static_cast<uint64_t>(h) > kMaxBitBytes)
        return false;
    try {
        bits.assign(bitRowStride(w) * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool ditherGray(const GrayImage& src, int method, BitImage& out)
{
    if (src.empty() || method < DITHER_FLOYD_STEINBERG || method > DITHER_THRESHOLD)
        return false;
    BitImage result;
    if (!result.allocate(src.width, src.height)) {
        debugPrint("ditherGray: refused %dx%d\n", src.width, src.height);
        return false;
    }
    bool done = true;
    switch (method) {
    case DITHER_FLOYD_STEINBERG:
        done = diffuse(src, {kFloydSteinberg, 4, 16}, result);
        break;
    case DITHER_JARVIS_JUDICE_NINKE:
        done = diffuse(src, {kJarvisJudiceNinke, 12, 48}, result);
        break;
    case DITHER_STUCKI:
        done = diffuse(src, {kStucki, 12, 42}, result);
        break;
    case DITHER_BAYER:
        bayer(src, result);
        break;
    default:
        threshold(src, result);
        break;
    }
    if (!done)
        return false;
    out = std::move(result);
    return true;
}
