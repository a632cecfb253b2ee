#include "CatalogEntry.h"

#include <cstring>

#include "platform/Text.h"

namespace {

void put16(unsigned char* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
}

void put32(unsigned char* p, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(u >> (8 * i));
}

void put64(unsigned char* p, int64_t v)
{
    const auto u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(u >> (8 * i));
}

int16_t get16(const unsigned char* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

int32_t get32(const unsigned char* p)
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | p[i];
    return static_cast<int32_t>(u);
}

int64_t get64(const unsigned char* p)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | p[i];
    return static_cast<int64_t>(u);
}

// The name as the file stores it: cp932 when the conversion is exact both ways (a character
// that only converts one way, such as U+00A5, would come back as another name), else UTF-8.
std::string fileFormOfName(const std::string& name)
{
    std::string cp932;
    std::string back;
    if (utf8ToCp932(name, cp932) && cp932ToUtf8(cp932, back) && back == name &&
        cp932.size() <= kCatalogNameMax)
        return cp932;
    return name;
}

std::string memoryFormOfName(const std::string& stored, const NameExists& exists)
{
    std::string decoded;
    const bool decodedOk = cp932ToUtf8(stored, decoded);
    if (!exists)
        return decodedOk ? decoded : stored;
    if (decodedOk && exists(decoded))
        return decoded;
    // Written as UTF-8 because cp932 lacked a character (or made on a system that stores
    // names as raw bytes): the raw bytes name the file.
    if ((!decodedOk || stored != decoded) && !stored.empty() && exists(stored))
        return stored;
    return decodedOk ? decoded : stored;
}

} // namespace

void clearEntry(CatalogEntry& entry)
{
    std::memset(&entry, 0, sizeof entry);
}

std::string entryName(const CatalogEntry& entry)
{
    return std::string(entry.fileName, strnlen(entry.fileName, kCatalogNameMax));
}

std::string cutToBytes(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = 0;
    while (end < text.size()) {
        size_t length = 0;
        decodeUtf8(text, end, &length);
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return text.substr(0, end);
}

void setEntryName(CatalogEntry& entry, const std::string& name)
{
    std::memset(entry.fileName, 0, sizeof entry.fileName);
    const std::string cut = cutToBytes(name.substr(0, name.find('\0')), kCatalogNameMax);
    std::memcpy(entry.fileName, cut.data(), cut.size());
}

bool thumbnailFieldsValid(const CatalogEntry& entry)
{
    return entry.hasThumbnail == 1 && entry.thumbWidth >= 1 && entry.thumbWidth <= kThumbnailBox &&
           entry.thumbHeight >= 1 && entry.thumbHeight <= kThumbnailBox &&
           entry.thumbOffsetX >= 0 && entry.thumbOffsetY >= 0 &&
           entry.thumbOffsetX + entry.thumbWidth <= kThumbnailBox &&
           entry.thumbOffsetY + entry.thumbHeight <= kThumbnailBox;
}

size_t significantThumbnailBytes(const CatalogEntry& entry)
{
    if (!thumbnailFieldsValid(entry))
        return 0;
    return thumbRowStride(entry.thumbWidth) * static_cast<size_t>(entry.thumbHeight);
}

void serializeEntry(const CatalogEntry& entry, unsigned char* out)
{
    std::memset(out, 0, kCatalogEntrySize);
    const std::string stored = fileFormOfName(entryName(entry));
    std::memcpy(out, stored.data(), stored.size());
    put32(out + 512, entry.fileSize);
    put64(out + 520, entry.modifiedTime);
    put16(out + 528, entry.hasThumbnail);
    put16(out + 530, entry.thumbWidth);
    put16(out + 532, entry.thumbHeight);
    put16(out + 534, entry.thumbOffsetX);
    put16(out + 536, entry.thumbOffsetY);
    std::memcpy(out + 538, entry.thumbPixels, significantThumbnailBytes(entry));
}

bool deserializeEntry(const unsigned char* in, CatalogEntry& entry, const NameExists& exists)
{
    clearEntry(entry);
    const char* name = reinterpret_cast<const char*>(in);
    const std::string stored(name, strnlen(name, kCatalogNameMax));
    setEntryName(entry, memoryFormOfName(stored, exists));
    entry.fileSize = get32(in + 512);
    entry.modifiedTime = get64(in + 520);
    entry.hasThumbnail = get16(in + 528);
    entry.thumbWidth = get16(in + 530);
    entry.thumbHeight = get16(in + 532);
    entry.thumbOffsetX = get16(in + 534);
    entry.thumbOffsetY = get16(in + 536);
    std::memcpy(entry.thumbPixels, in + 538, kThumbnailBytes);
    if (entry.hasThumbnail == 0 || thumbnailFieldsValid(entry))
        return true;
    // The window draws thumbWidth × thumbHeight pixels from thumbPixels: fields out of range
    // would read past the record, so such a thumbnail is made again instead.
    entry.hasThumbnail = 0;
    return false;
}
