#include "plugins/image/BmpReader.h"

#include <algorithm>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"
#include "plugins/image/BmpHeader.h"

namespace {

// One channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0; // largest value of the channel

    explicit Channel(uint32_t m) : mask(m)
    {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        max = mask >> shift;
    }
    // The channel widened (or narrowed) to 8 bits, rounding to the nearest value.
    unsigned value(uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<unsigned>((v * 255 + max / 2) / max);
    }
};

size_t rowBytes(const BmpHeader& header)
{
    return (static_cast<size_t>(header.width) * header.bitCount + 31) / 32 * 4;
}

uint32_t pixelAt(const unsigned char* row, int x, int bits)
{
    switch (bits) {
    case 16:
        return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case 24:
        return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) |
               (uint32_t(row[3 * x + 2]) << 16);
    case 32:
        return uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) |
               (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 3]) << 24);
    default: { // 1, 2, 4, 8: packed from the high bits of each byte
        const size_t bit = static_cast<size_t>(x) * bits;
        return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    }
    }
}

void putIndex(const BmpHeader& header, Bitmap24& out, int x, int y, uint32_t index)
{
    if (index < header.palette.size()) {
        const BmpHeader::Colour& c = header.palette[index];
        out.put(x, y, c.r, c.g, c.b);
    } else {
        out.put(x, y, 0, 0, 0); // an index past the palette: black
    }
}

// Whether the alpha mask carries anything: many writers leave it all zero, which means opaque.
bool alphaUsed(const EncodedPicture& picture, const BmpHeader& header)
{
    if (header.masks[3] == 0)
        return false;
    const size_t stride = rowBytes(header);
    for (int r = 0; r < header.height; ++r) {
        const unsigned char* row = picture.data + header.pixelOffset + r * stride;
        for (int x = 0; x < header.width; ++x) {
            if ((pixelAt(row, x, header.bitCount) & header.masks[3]) != 0)
                return true;
        }
    }
    return false;
}

int decodeUncompressed(const EncodedPicture& picture, const BmpHeader& header, Bitmap24& out,
                       const Progress& progress)
{
    const size_t stride = rowBytes(header);
    if (stride * static_cast<size_t>(header.height) > picture.size - header.pixelOffset) {
        debugPrint("mekuri_image: BMP pixel data cut short\n");
        return SPI_BROKEN_DATA;
    }
    const Channel red(header.masks[0]), green(header.masks[1]), blue(header.masks[2]);
    const Channel alpha(alphaUsed(picture, header) ? header.masks[3] : 0);
    for (int r = 0; r < header.height; ++r) {
        const unsigned char* row = picture.data + header.pixelOffset + r * stride;
        const int y = header.topDown ? r : header.height - 1 - r;
        for (int x = 0; x < header.width; ++x) {
            const uint32_t pixel = pixelAt(row, x, header.bitCount);
            if (header.bitCount <= 8) {
                putIndex(header, out, x, y, pixel);
            } else if (header.bitCount == 24) {
                out.put(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
            } else if (alpha.mask != 0) {
                const unsigned a = alpha.value(pixel);
                out.put(x, y, overWhite(red.value(pixel), a), overWhite(green.value(pixel), a),
                        overWhite(blue.value(pixel), a));
            } else {
                out.put(x, y, red.value(pixel), green.value(pixel), blue.value(pixel));
            }
        }
        if ((r & 63) == 0 && progress.stopAsked(r, header.height))
            return SPI_ABORTED;
    }
    return SPI_OK;
}

// Run-length data: pairs (count, index) repeat an index (RLE4: two alternating nibbles);
// (0, 0) ends a line, (0, 1) the bitmap, (0, 2, dx, dy) moves, (0, n) starts n literal
// pixels padded to a 16-bit boundary. Rows run bottom-up; pixels outside the picture are
// dropped; data ending without (0, 1) ends the bitmap.
int decodeRunLength(const EncodedPicture& picture, const BmpHeader& header, Bitmap24& out)
{
    const bool rle4 = header.compression == BmpHeader::Rle4;
    const unsigned char* p = picture.data + header.pixelOffset;
    const unsigned char* end = picture.data + picture.size;
    int x = 0, line = 0; // line 0 is the bottom row
    auto put = [&](uint32_t index) {
        if (x < header.width && line < header.height)
            putIndex(header, out, x, header.height - 1 - line, index);
        ++x;
    };
    while (end - p >= 2 && line < header.height) {
        const unsigned count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(rle4 ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) {
            x = 0;
            ++line;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (end - p < 2)
                return SPI_BROKEN_DATA;
            x += p[0];
            line += p[1];
            p += 2;
        } else {
            const size_t bytes = rle4 ? (value + 1) / 2 : value;
            const size_t padded = (bytes + 1) / 2 * 2;
            if (static_cast<size_t>(end - p) < bytes)
                return SPI_BROKEN_DATA;
            for (unsigned i = 0; i < value; ++i)
                put(rle4 ? ((i % 2 == 0) ? p[i / 2] >> 4 : p[i / 2] & 0x0F) : p[i]);
            p += std::min(padded, static_cast<size_t>(end - p));
        }
    }
    return SPI_OK;
}

} // namespace

bool isBmp(const EncodedPicture& picture)
{
    return picture.size >= 2 && picture.data[0] == 'B' && picture.data[1] == 'M';
}

int bmpSize(const EncodedPicture& picture, int* width, int* height)
{
    BmpHeader header;
    const int result = readBmpHeader(picture, header);
    if (result != SPI_OK)
        return result;
    *width = header.width;
    *height = header.height;
    return SPI_OK;
}

int bmpDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress)
{
    BmpHeader header;
    int result = readBmpHeader(picture, header);
    if (result != SPI_OK)
        return result;
    if (out.allocate(header.width, header.height) != SPI_OK)
        return SPI_NO_MEMORY;
    if (header.compression == BmpHeader::Rle4 || header.compression == BmpHeader::Rle8)
        return decodeRunLength(picture, header, out);
    return decodeUncompressed(picture, header, out, progress);
}
