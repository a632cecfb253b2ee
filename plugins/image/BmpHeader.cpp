#include "plugins/image/BmpHeader.h"

#include <cstdlib>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

constexpr size_t kFileHeaderSize = 14;

uint32_t le16(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

uint32_t le32(const unsigned char* p)
{
    return le16(p) | (le16(p + 2) << 16);
}

bool validHeaderSize(uint32_t size)
{
    switch (size) {
    case 12:  // OS/2 1.x
    case 16:  // OS/2 2.x, shortened
    case 40:  // Windows 3
    case 52:  // with the three colour masks
    case 56:  // with the alpha mask too
    case 64:  // OS/2 2.x
    case 108: // V4
    case 124: // V5
        return true;
    default:
        return false;
    }
}

bool validDepth(int bits, uint32_t compression)
{
    switch (compression) {
    case BmpHeader::Rgb:
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
               bits == 32;
    case BmpHeader::Rle8:
        return bits == 8;
    case BmpHeader::Rle4:
        return bits == 4;
    case BmpHeader::BitFields:
    case BmpHeader::AlphaBitFields:
        return bits == 16 || bits == 32;
    default:
        return false; // JPEG, PNG, OS/2 Huffman and RLE24
    }
}

// The masks of a bit-field bitmap: inside a 52-byte or longer header, else right after it.
bool readMasks(const EncodedPicture& picture, uint32_t headerSize, BmpHeader& header)
{
    if (header.compression != BmpHeader::BitFields &&
        header.compression != BmpHeader::AlphaBitFields) {
        if (header.bitCount == 16) {
            header.masks[0] = 0x7C00;
            header.masks[1] = 0x03E0;
            header.masks[2] = 0x001F;
        } else if (header.bitCount == 32) {
            header.masks[0] = 0x00FF0000;
            header.masks[1] = 0x0000FF00;
            header.masks[2] = 0x000000FF;
        }
        return true;
    }
    const int count = header.compression == BmpHeader::AlphaBitFields ? 4 : 3;
    size_t at = kFileHeaderSize + 40;
    if (headerSize < 52 && headerSize != 40)
        return false;
    if (at + 4 * count > picture.size)
        return false;
    for (int i = 0; i < count; ++i)
        header.masks[i] = le32(picture.data + at + 4 * i);
    if (headerSize >= 56 && count == 3)
        header.masks[3] = le32(picture.data + at + 12);
    const uint64_t limit = header.bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (uint32_t mask : header.masks) {
        if (mask > limit)
            return false;
    }
    return true;
}

bool readPalette(const EncodedPicture& picture, uint32_t headerSize, uint32_t colours,
                 BmpHeader& header)
{
    if (header.bitCount > 8)
        return true;
    const uint32_t most = 1u << header.bitCount;
    if (colours == 0)
        colours = most;
    if (colours > most)
        return false;
    const size_t entry = headerSize == 12 ? 3 : 4;
    const size_t start = kFileHeaderSize + headerSize;
    // OS/2 files may carry fewer entries than their depth allows: take what lies before the
    // pixels.
    if (header.pixelOffset > start && (header.pixelOffset - start) / entry < colours)
        colours = static_cast<uint32_t>((header.pixelOffset - start) / entry);
    if (colours == 0 || start + colours * entry > picture.size)
        return false;
    for (uint32_t i = 0; i < colours; ++i) {
        const unsigned char* p = picture.data + start + i * entry;
        header.palette.push_back({p[2], p[1], p[0]});
    }
    return true;
}

} // namespace

int readBmpHeader(const EncodedPicture& picture, BmpHeader& header)
{
    if (picture.size < kFileHeaderSize + 12 || picture.data[0] != 'B' || picture.data[1] != 'M')
        return SPI_UNKNOWN_FORMAT;
    const unsigned char* info = picture.data + kFileHeaderSize;
    const uint32_t headerSize = le32(info);
    header.pixelOffset = le32(picture.data + 10);
    if (!validHeaderSize(headerSize) || kFileHeaderSize + headerSize > picture.size)
        return SPI_BROKEN_DATA;
    int64_t height = 0;
    uint32_t colours = 0;
    if (headerSize == 12) {
        header.width = static_cast<int>(le16(info + 4));
        height = static_cast<int16_t>(le16(info + 6));
        header.bitCount = static_cast<int>(le16(info + 10));
    } else {
        header.width = static_cast<int32_t>(le32(info + 4));
        height = static_cast<int32_t>(le32(info + 8));
        header.bitCount = static_cast<int>(le16(info + 14));
        header.compression = headerSize >= 20 ? le32(info + 16) : 0;
        colours = headerSize >= 36 ? le32(info + 32) : 0;
        if ((headerSize == 16 || headerSize == 64) && header.compression > BmpHeader::BitFields)
            return SPI_UNKNOWN_FORMAT; // OS/2 Huffman 1D and RLE24
    }
    header.topDown = height < 0;
    height = std::llabs(height);
    if (header.width <= 0 || height <= 0 || height > INT32_MAX)
        return SPI_BROKEN_DATA;
    header.height = static_cast<int>(height);
    if (!validDepth(header.bitCount, header.compression)) {
        debugPrint("mekuri_image: BMP of %d bits, compression %u not supported\n", header.bitCount,
                   header.compression);
        return SPI_UNKNOWN_FORMAT;
    }
    if (header.topDown &&
        (header.compression == BmpHeader::Rle4 || header.compression == BmpHeader::Rle8))
        return SPI_BROKEN_DATA; // run-length bitmaps are bottom-up by definition
    if (header.pixelOffset >= picture.size || !readMasks(picture, headerSize, header) ||
        !readPalette(picture, headerSize, colours, header))
        return SPI_BROKEN_DATA;
    return SPI_OK;
}
