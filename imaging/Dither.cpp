#include "imaging/Dither.h"

#include <algorithm>
#include <cstdint>
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

struct FloydSteinberg {
    static constexpr int divisor = 16;
    static constexpr KernelTap taps[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
};

struct JarvisJudiceNinke {
    static constexpr int divisor = 48;
    static constexpr KernelTap taps[] = {
        {1, 0, 7},  {2, 0, 5},                                   //
        {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3}, //
        {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}, //
    };
};

struct Stucki {
    static constexpr int divisor = 42;
    static constexpr KernelTap taps[] = {
        {1, 0, 8},  {2, 0, 4},                                   //
        {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}, //
        {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}, //
    };
};

// Collects one row of decisions into bytes, leftmost pixel in the high bit.
class BitWriter {
  public:
    explicit BitWriter(unsigned char* row) : out_(row) {}
    void put(bool white)
    {
        byte_ = static_cast<unsigned char>(byte_ << 1 | (white ? 1 : 0));
        if (++count_ == 8) {
            *out_++ = byte_;
            byte_ = 0;
            count_ = 0;
        }
    }
    // Stores a last partial byte, its unused low bits clear.
    void flush()
    {
        if (count_ > 0)
            *out_ = static_cast<unsigned char>(byte_ << (8 - count_));
    }

  private:
    unsigned char* out_;
    unsigned char byte_ = 0;
    int count_ = 0;
};

// Errors are carried in fixed point with 12 fraction bits: exact for an error equal to the
// divisor, and the kernel's division by a constant compiles to a multiplication.
constexpr int kFractionBits = 12;

// Error diffusion, scanning each row left to right from the top row down. Errors are kept in
// three rolling rows with a two-pixel border on each side: error pushed past the picture's
// edges lands in a border and is never read, so it is dropped.
template <typename Kernel> bool diffuse(const GrayImage& src, BitImage& out)
{
    const int w = src.width;
    const size_t rowLength = static_cast<size_t>(w) + 4;
    std::vector<int32_t> errors;
    try {
        errors.assign(rowLength * 3, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    constexpr int32_t threshold = kDitherThreshold << kFractionBits;
    constexpr int32_t white = 255 << kFractionBits;
    for (int line = 0; line < src.height; ++line) {
        const int row = src.height - 1 - line;
        int32_t* rows[3];
        for (int dy = 0; dy < 3; ++dy)
            rows[dy] = &errors[((line + dy) % 3) * rowLength + 2];
        const unsigned char* in = &src.pixels[row * src.stride()];
        BitWriter bits(&out.bits[row * out.stride()]);
        for (int x = 0; x < w; ++x) {
            const int32_t value = (in[x] << kFractionBits) + rows[0][x];
            const bool isWhite = value >= threshold;
            bits.put(isWhite);
            const int32_t error = value - (isWhite ? white : 0);
            for (const KernelTap& tap : Kernel::taps)
                rows[tap.dy][x + tap.dx] += error * tap.weight / Kernel::divisor;
        }
        bits.flush();
        // This row's buffer becomes the one two rows down: start it clean.
        std::fill(rows[0] - 2, rows[0] - 2 + rowLength, 0);
    }
    return true;
}

void bayer(const GrayImage& src, BitImage& out)
{
    for (int line = 0; line < src.height; ++line) {
        const int row = src.height - 1 - line;
        const unsigned char* in = &src.pixels[row * src.stride()];
        const unsigned char* matrix = kBayer8[line % 8];
        BitWriter bits(&out.bits[row * out.stride()]);
        // Level 4m + 2 is the middle of the m-th of 64 bands: flat 128 gives exactly half the
        // dots white, 0 none and 255 all.
        for (int x = 0; x < src.width; ++x)
            bits.put(in[x] >= 4 * matrix[x % 8] + 2);
        bits.flush();
    }
}

void threshold(const GrayImage& src, BitImage& out)
{
    for (int row = 0; row < src.height; ++row) {
        const unsigned char* in = &src.pixels[row * src.stride()];
        BitWriter bits(&out.bits[row * out.stride()]);
        for (int x = 0; x < src.width; ++x)
            bits.put(in[x] >= kDitherThreshold);
        bits.flush();
    }
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
        done = diffuse<FloydSteinberg>(src, result);
        break;
    case DITHER_JARVIS_JUDICE_NINKE:
        done = diffuse<JarvisJudiceNinke>(src, result);
        break;
    case DITHER_STUCKI:
        done = diffuse<Stucki>(src, result);
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
