#pragma once

#include <cstddef>
#include <cstdint>

// The layout of every picture: width × height pixels of 3 bytes (blue, green, red), rows
// stored bottom-up, each row padded to a multiple of 4 bytes.

// Bytes one row of a picture `width` pixels wide occupies.
inline size_t rowStride(int width)
{
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// Bytes a whole picture occupies, in 64 bits (a 400 % page can pass 4 GB).
inline uint64_t pictureBytes(int width, int height)
{
    return static_cast<uint64_t>(rowStride(width)) * static_cast<uint64_t>(height);
}

// No picture larger than this is ever allocated: decoding or scaling it fails instead.
constexpr uint64_t kMaxPictureBytes = uint64_t(1) << 30;

// True when a width × height picture may be allocated (both sides positive, within the cap).
inline bool pictureSizeAllowed(int width, int height)
{
    return width > 0 && height > 0 && pictureBytes(width, height) <= kMaxPictureBytes;
}
