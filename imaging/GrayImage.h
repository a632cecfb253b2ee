#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/Bgr24.h"

// 8-bit grey pictures for printing: the layout of an 8-bit bottom-up device-independent
// bitmap (rows stored bottom-up, each padded to a multiple of 4 bytes), plus the colour-to-grey
// conversion and the resampling that printing needs. Any thread; no shared state.

// Bytes one row of an 8-bit grey picture `width` pixels wide occupies.
inline size_t grayRowStride(int width)
{
    return (static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3);
}

// No grey picture larger than this is allocated; the operations fail instead.
constexpr uint64_t kMaxGrayBytes = uint64_t(1) << 30;

// True when a width × height grey picture may be allocated (sides positive, within the cap).
bool graySizeAllowed(int width, int height);

// An owned grey picture. Row 0 of `pixels` is the bottom row of the picture.
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // stride() × height bytes

    size_t stride() const { return grayRowStride(width); }
    bool empty() const { return pixels.empty(); }
    // Pixel (x, row) with row counted from the bottom, as stored.
    unsigned char at(int x, int row) const { return pixels[row * stride() + x]; }
    // Makes a width × height picture filled with `value`; false (and left empty) when the size
    // is not allowed or memory is short.
    bool allocate(int width, int height, unsigned char value = 0);
};

// Converts a BGR24 picture (bottom-up, rows padded to 4 bytes) to grey with the weights of
// ITU-R BT.601 (0.299 R + 0.587 G + 0.114 B, rounded), so white stays 255 and black 0.
// `out` is replaced. False when the size is not allowed, `bgr` is null or memory is short.
bool bgrToGray(const unsigned char* bgr, int width, int height, GrayImage& out);

// Resamples `src` to width × height into `out` (replaced): bicubic when the result is wider
// or taller than the source, area averaging otherwise. False on an empty source, a size not
// allowed or short memory.
bool resizeGray(const GrayImage& src, int width, int height, GrayImage& out);
