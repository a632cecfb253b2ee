#include "Resources.h"

#include <cstdint>
#include <cstring>

extern const unsigned char resource_icon_bmp[];
extern const size_t resource_icon_bmp_size;
extern const unsigned char resource_zoommodes_bmp[];
extern const size_t resource_zoommodes_bmp_size;
extern const unsigned char resource_noimage_bmp[];
extern const size_t resource_noimage_bmp_size;

ResourceBytes iconResource()
{
    return {resource_icon_bmp, resource_icon_bmp_size};
}

ResourceBytes zoomModesResource()
{
    return {resource_zoommodes_bmp, resource_zoommodes_bmp_size};
}

ResourceBytes noImageResource()
{
    return {resource_noimage_bmp, resource_noimage_bmp_size};
}

namespace {

uint32_t le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

bool viewBmp24(ResourceBytes bytes, BmpView& view)
{
    if (bytes.size < 54 || bytes.data[0] != 'B' || bytes.data[1] != 'M')
        return false;
    const unsigned char* info = bytes.data + 14;
    const uint32_t offset = le32(bytes.data + 10);
    const int32_t width = static_cast<int32_t>(le32(info + 4));
    const int32_t height = static_cast<int32_t>(le32(info + 8));
    if (le16(info + 14) != 24 || le32(info + 16) != 0 || width <= 0 || height <= 0 ||
        width > 4096 || height > 4096)
        return false;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    if (offset > bytes.size || bytes.size - offset < stride * static_cast<size_t>(height))
        return false;
    view.width = width;
    view.height = height;
    view.pixels = bytes.data + offset;
    return true;
}
