#include "plugins/image/Bitmap24.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "plugins/SpiSupport.h"

namespace {

uint64_t strideOf(int64_t width)
{
    return (static_cast<uint64_t>(width) * 3 + 3) / 4 * 4;
}

} // namespace

void Bitmap24::FreeBits::operator()(unsigned char* p) const
{
    std::free(p);
}

bool Bitmap24::fits(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > INT_MAX / 4 || height > INT_MAX)
        return false;
    return strideOf(width) * static_cast<uint64_t>(height) <= kSpiMaxBlockBytes;
}

bool Bitmap24::workFits(int64_t width, int64_t height, int bytesPerPixel)
{
    if (!fits(width, height))
        return false;
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
               static_cast<uint64_t>(bytesPerPixel) <=
           kSpiMaxBlockBytes;
}

int Bitmap24::allocate(int width, int height)
{
    if (!fits(width, height))
        return SPI_NO_MEMORY;
    const size_t stride = static_cast<size_t>(strideOf(width));
    const size_t size = stride * static_cast<size_t>(height);
    bits_.reset(static_cast<unsigned char*>(std::malloc(size)));
    if (!bits_)
        return SPI_NO_MEMORY;
    std::memset(bits_.get(), 0xFF, size);
    width_ = width;
    height_ = height;
    stride_ = stride;
    return SPI_OK;
}

void Bitmap24::putRgba(int x, int y, const unsigned char* rgba, int count)
{
    unsigned char* p = row(y) + static_cast<size_t>(x) * 3;
    for (int i = 0; i < count; ++i, rgba += 4, p += 3) {
        const unsigned a = rgba[3];
        p[0] = overWhite(rgba[2], a);
        p[1] = overWhite(rgba[1], a);
        p[2] = overWhite(rgba[0], a);
    }
}

int Bitmap24::release(void** info, void** bits)
{
    auto* header = static_cast<SpiBitmapInfoHeader*>(std::calloc(1, sizeof(SpiBitmapInfoHeader)));
    if (header == nullptr)
        return SPI_NO_MEMORY;
    header->biSize = sizeof(SpiBitmapInfoHeader);
    header->biWidth = width_;
    header->biHeight = height_;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = 0;
    header->biSizeImage = static_cast<uint32_t>(stride_ * static_cast<size_t>(height_));
    *info = header;
    *bits = bits_.release();
    width_ = height_ = 0;
    stride_ = 0;
    return SPI_OK;
}
