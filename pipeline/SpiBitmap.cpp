#include "SpiBitmap.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "pipeline/Bgr24.h"
#include "plugins/SpiAbi.h"

namespace {

enum class Layout { Bgr24, Palette8, Palette4, Bgrx32, Masks16, Masks32 };

constexpr uint32_t kNoCompression = 0;
constexpr uint32_t kBitFields = 3;
constexpr size_t kHeaderSize = 40;
// The bit masks of a bit-field picture sit right after the 40-byte header: after it for a
// plain header, inside it (the V4/V5 mask fields) for a longer one.
constexpr size_t kMasksOffset = 40;

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

bool makeMask(uint32_t mask, Mask* out)
{
    out->mask = mask;
    if (mask == 0)
        return true; // a channel without bits is black
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    const uint64_t run = static_cast<uint64_t>(mask) >> shift;
    if ((run & (run + 1)) != 0)
        return false; // bits not in one run
    out->shift = shift;
    out->bits = 0;
    for (uint64_t r = run; r != 0; r >>= 1)
        ++out->bits;
    return true;
}

unsigned char channel(uint32_t pixel, const Mask& m)
{
    if (m.mask == 0)
        return 0;
    return widenChannel((pixel & m.mask) >> m.shift, m.bits);
}

struct Source {
    Layout layout;
    uint64_t rowBytes;
    unsigned char palette[256][4];
    Mask red, green, blue;
};

// Bytes of one source row, from the header's width (in 64 bits: a hostile width cannot wrap).
uint64_t sourceRowBytes(Layout layout, uint64_t w)
{
    switch (layout) {
    case Layout::Bgr24:
        return (w * 3 + 3) / 4 * 4;
    case Layout::Palette8:
        return (w + 3) / 4 * 4;
    case Layout::Palette4:
        return ((w + 1) / 2 + 3) / 4 * 4;
    case Layout::Bgrx32:
    case Layout::Masks32:
        return w * 4;
    case Layout::Masks16:
        return (w * 2 + 3) / 4 * 4;
    }
    return 0;
}

bool chooseLayout(int bitCount, uint32_t compression, Layout* layout)
{
    if (compression == kNoCompression) {
        switch (bitCount) {
        case 24:
            *layout = Layout::Bgr24;
            return true;
        case 8:
            *layout = Layout::Palette8;
            return true;
        case 4:
            *layout = Layout::Palette4;
            return true;
        case 32:
            *layout = Layout::Bgrx32;
            return true;
        case 16:
            *layout = Layout::Masks16;
            return true;
        default:
            return false;
        }
    }
    if (compression == kBitFields && (bitCount == 16 || bitCount == 32)) {
        *layout = bitCount == 16 ? Layout::Masks16 : Layout::Masks32;
        return true;
    }
    return false;
}

// Copies the colour table the header announces, as far as the info block really holds it;
// entries past its end stay black, so every index of the pixels has a colour.
void readPalette(const SpiBitmapInfoHeader& header, const unsigned char* info, size_t infoSize,
                 int bitCount, Source* source)
{
    std::memset(source->palette, 0, sizeof source->palette);
    const uint64_t maxEntries = uint64_t(1) << bitCount;
    uint64_t entries = header.biClrUsed != 0 ? header.biClrUsed : maxEntries;
    if (entries > maxEntries)
        entries = maxEntries;
    const uint64_t present = (infoSize - header.biSize) / 4;
    if (entries > present)
        entries = present;
    std::memcpy(source->palette, info + header.biSize, static_cast<size_t>(entries) * 4);
}

std::string readMasks(const SpiBitmapInfoHeader& header, const unsigned char* info, size_t infoSize,
                      Source* source)
{
    uint32_t masks[3];
    if (header.biCompression != kBitFields) {
        masks[0] = 0x7C00; // 5-5-5
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else {
        if (infoSize < kMasksOffset + sizeof masks)
            return "bit masks missing";
        std::memcpy(masks, info + kMasksOffset, sizeof masks);
    }
    if (!makeMask(masks[0], &source->red) || !makeMask(masks[1], &source->green) ||
        !makeMask(masks[2], &source->blue))
        return "bit masks not contiguous";
    return std::string();
}

void convertRow(const Source& source, const unsigned char* in, unsigned char* out, int width)
{
    switch (source.layout) {
    case Layout::Bgr24:
        std::memcpy(out, in, static_cast<size_t>(width) * 3);
        return;
    case Layout::Palette8:
        for (int x = 0; x < width; ++x, out += 3)
            std::memcpy(out, source.palette[in[x]], 3);
        return;
    case Layout::Palette4:
        for (int x = 0; x < width; ++x, out += 3) {
            const unsigned char byte = in[x / 2];
            std::memcpy(out, source.palette[(x & 1) ? (byte & 0x0F) : (byte >> 4)], 3);
        }
        return;
    case Layout::Bgrx32:
        for (int x = 0; x < width; ++x, in += 4, out += 3)
            std::memcpy(out, in, 3);
        return;
    case Layout::Masks16:
    case Layout::Masks32: {
        const bool wide = source.layout == Layout::Masks32;
        for (int x = 0; x < width; ++x, out += 3) {
            uint32_t pixel;
            if (wide) {
                std::memcpy(&pixel, in + 4 * x, 4);
            } else {
                uint16_t p16;
                std::memcpy(&p16, in + 2 * x, 2);
                pixel = p16;
            }
            out[0] = channel(pixel, source.blue);
            out[1] = channel(pixel, source.green);
            out[2] = channel(pixel, source.red);
        }
        return;
    }
    }
}

} // namespace

unsigned char widenChannel(unsigned value, int bits)
{
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return static_cast<unsigned char>(value >> (bits - 8));
    unsigned result = 0;
    // Repeat the pattern from the top bit down until 8 bits are filled.
    for (int filled = 0; filled < 8; filled += bits)
        result |= (value << (8 - bits)) >> filled;
    return static_cast<unsigned char>(result & 0xFF);
}

std::string convertSpiBitmap(const unsigned char* info, size_t infoSize, const unsigned char* bits,
                             size_t bitsSize, SpiBitmap* out)
{
    *out = SpiBitmap();
    if (info == nullptr || bits == nullptr)
        return "no info or no pixel block";
    if (infoSize < kHeaderSize)
        return "info block shorter than a bitmap header";
    SpiBitmapInfoHeader header;
    std::memcpy(&header, info, sizeof header);
    if (header.biSize < kHeaderSize || header.biSize > infoSize)
        return "bad header size";
    const int width = header.biWidth;
    if (width <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return "no width or no height";
    const int height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
    if (!pictureSizeAllowed(width, height))
        return "picture too large";
    Source source;
    if (!chooseLayout(header.biBitCount, header.biCompression, &source.layout))
        return "unsupported bit count or compression";
    source.rowBytes = sourceRowBytes(source.layout, static_cast<uint64_t>(width));
    if (source.rowBytes * static_cast<uint64_t>(height) > bitsSize)
        return "pixel block shorter than its rows";
    if (source.layout == Layout::Palette8 || source.layout == Layout::Palette4)
        readPalette(header, info, infoSize, header.biBitCount, &source);
    if (source.layout == Layout::Masks16 || source.layout == Layout::Masks32) {
        const std::string problem = readMasks(header, info, infoSize, &source);
        if (!problem.empty())
            return problem;
    }

    const size_t stride = rowStride(width);
    std::unique_ptr<unsigned char[]> pixels(
        new (std::nothrow) unsigned char[stride * static_cast<size_t>(height)]);
    if (!pixels)
        return "out of memory";
    const size_t padding = stride - static_cast<size_t>(width) * 3;
    const bool bottomUp = header.biHeight > 0;
    for (int i = 0; i < height; ++i) {
        const int sourceRow = bottomUp ? i : height - 1 - i;
        unsigned char* row = pixels.get() + stride * static_cast<size_t>(i);
        convertRow(source, bits + source.rowBytes * static_cast<uint64_t>(sourceRow), row, width);
        if (padding > 0)
            std::memset(row + stride - padding, 0, padding);
    }
    out->width = width;
    out->height = height;
    out->bitCount = header.biBitCount;
    out->pixels = std::move(pixels);
    return std::string();
}
