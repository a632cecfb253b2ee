#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plugins/SpiAbi.h"

// The bytes of an encoded picture held by the program (not owned).
struct EncodedPicture {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// The progress callback the program handed to GetPicture, with its value.
struct Progress {
    SpiProgress callback = nullptr;
    long user = 0;
    // Reports `done` of `total`; true when the program asked to stop.
    bool stopAsked(int done, int total) const
    {
        return callback != nullptr && callback(done, total, user) != 0;
    }
};

// The picture every decoder of this plug-in produces: 24-bit blue-green-red pixels, rows
// stored bottom-up and padded to 4 bytes, as the program's bitmap information header
// describes them. Rows are addressed from the top (y = 0 is the top row). Alpha is composited
// over white. One thread at a time.
class Bitmap24 {
  public:
    // True when a width × height picture is possible and its rows stay within the 1 GiB
    // block limit. Decoders ask before allocating anything picture-sized.
    static bool fits(int64_t width, int64_t height);
    // True when a work buffer of width × height × bytesPerPixel stays within 1 GiB.
    static bool workFits(int64_t width, int64_t height, int bytesPerPixel);

    // Allocates the rows, all white. SPI_OK, or SPI_NO_MEMORY when it does not fit.
    int allocate(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    size_t rowStride() const { return stride_; }
    unsigned char* bits() { return bits_.get(); }
    // The row `y` counted from the top.
    unsigned char* row(int y) { return bits_.get() + (height_ - 1 - y) * stride_; }

    // Writes `count` pixels of RGBA (straight alpha) at (x, y), composited over white.
    void putRgba(int x, int y, const unsigned char* rgba, int count);
    // Writes one opaque pixel.
    void put(int x, int y, unsigned char r, unsigned char g, unsigned char b)
    {
        unsigned char* p = row(y) + static_cast<size_t>(x) * 3;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }

    // Hands the picture over as GetPicture does: *info gets a malloc'ed 40-byte bitmap
    // information header (24 bits, no compression, positive height), *bits the rows. The
    // bitmap is empty afterwards. SPI_OK or SPI_NO_MEMORY.
    int release(void** info, void** bits);

  private:
    struct FreeBits {
        void operator()(unsigned char* p) const;
    };
    int width_ = 0;
    int height_ = 0;
    size_t stride_ = 0;
    std::unique_ptr<unsigned char, FreeBits> bits_;
};

// Straight alpha over white, for one 8-bit channel.
inline unsigned char overWhite(unsigned value, unsigned alpha)
{
    return static_cast<unsigned char>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}
