#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/GrayImage.h"

// Conversion of 8-bit grey pictures to two-level (1-bit) pictures for monochrome printing.
// Any thread; no shared state.

// The binarisation methods, numbered as the print settings number them (0 there means "leave
// it to the printer" and is not a dither).
enum DitherMethod {
    DITHER_FLOYD_STEINBERG = 1,     // error diffusion, kernel 7 3 5 1 / 16
    DITHER_JARVIS_JUDICE_NINKE = 2, // error diffusion over two rows, kernel / 48
    DITHER_STUCKI = 3,              // error diffusion over two rows, kernel / 42
    DITHER_BAYER = 4,               // ordered dither with the 8 × 8 Bayer matrix
    DITHER_THRESHOLD = 5,           // plain threshold at 128, no dither
};

// Bytes one row of a 1-bit picture `width` pixels wide occupies: ⌈width / 32⌉ × 4.
inline size_t bitRowStride(int width)
{
    return (static_cast<size_t>(width) + 31) / 32 * 4;
}

// No 1-bit picture larger than this is allocated.
constexpr uint64_t kMaxBitBytes = uint64_t(1) << 28;

// An owned 1-bit picture in the layout of a 1-bit bottom-up device-independent bitmap with the
// table {black, white}: row 0 is the bottom row, the leftmost pixel of each byte is its most
// significant bit, and a set bit is white. Padding bits are 0.
struct BitImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bits; // stride() × height bytes

    size_t stride() const { return bitRowStride(width); }
    bool empty() const { return bits.empty(); }
    // True when pixel (x, row), row counted from the bottom, is white.
    bool white(int x, int row) const { return (bits[row * stride() + x / 8] >> (7 - x % 8)) & 1; }
    // Makes an all-black width × height picture; false (and left empty) when the size is not
    // allowed or memory is short.
    bool allocate(int width, int height);
};

// Grey levels from this value up become white in the threshold method; error diffusion
// decides at the same level.
constexpr int kDitherThreshold = 128;

// The 8 × 8 Bayer index matrix (values 0 … 63), row 0 being the top row of the picture.
extern const unsigned char kBayer8[8][8];

// Converts `src` to two levels with `method` into `out` (replaced). Pictures are scanned from
// their top row down and each row from left to right. False on an empty source, an unknown
// method, a size not allowed or short memory.
bool ditherGray(const GrayImage& src, int method, BitImage& out);
