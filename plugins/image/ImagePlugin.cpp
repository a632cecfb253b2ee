// The image plug-in's entry points: PNG, GIF (first frame), WebP, BMP and TIFF (first page)
// decoded with the formats' own libraries into 24-bit bottom-up bitmaps, alpha over white.
// JPEG stays with the program's built-in codec. Stateless: any thread, any number at once.

#include "plugins/SpiAbi.h"
#include "plugins/SpiSupport.h"
#include "plugins/image/Bitmap24.h"
#include "plugins/image/BmpReader.h"
#include "plugins/image/GifReader.h"
#include "plugins/image/PngReader.h"
#include "plugins/image/TiffReader.h"
#include "plugins/image/WebpReader.h"

#define SPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char* const kInfoTexts[] = {
    "00IN",
    "mekuri image plug-in: PNG, GIF, WebP, BMP, TIFF",
    "*.png;*.gif;*.webp;*.bmp;*.tif;*.tiff",
    "PNG, GIF, WebP, BMP and TIFF pictures",
};

// One format: how to recognise it by its first bytes, read its size, decode it.
struct Format {
    bool (*recognises)(const EncodedPicture&);
    int (*size)(const EncodedPicture&, int*, int*);
    int (*decode)(const EncodedPicture&, Bitmap24&, const Progress&);
};

const Format kFormats[] = {
    {isPng, pngSize, pngDecode},    {isGif, gifSize, gifDecode}, {isWebp, webpSize, webpDecode},
    {isTiff, tiffSize, tiffDecode}, {isBmp, bmpSize, bmpDecode},
};

// The format of the bytes, decided by their content, not by the name they had.
const Format* formatOf(const EncodedPicture& picture)
{
    for (const Format& format : kFormats) {
        if (format.recognises(picture))
            return &format;
    }
    return nullptr;
}

// Only pictures held in memory (flag bits 0-2 = 1) are read; the program never passes files.
bool inMemory(const char* buf, long len, unsigned flag)
{
    return buf != nullptr && len > 0 && (flag & 7u) == SPI_INPUT_MEMORY;
}

} // namespace

SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen)
{
    if (infono < 0 || infono >= static_cast<int>(sizeof kInfoTexts / sizeof kInfoTexts[0]))
        return 0;
    return copyInfoText(kInfoTexts[infono], buf, buflen);
}

SPI_EXPORT int GetPictureInfo(const char* buf, long len, unsigned flag, SpiPictureInfo* info)
{
    if (info == nullptr)
        return SPI_INTERNAL_ERROR;
    if (!inMemory(buf, len, flag))
        return SPI_NOT_IMPLEMENTED;
    const EncodedPicture picture{reinterpret_cast<const unsigned char*>(buf),
                                 static_cast<size_t>(len)};
    const Format* format = formatOf(picture);
    if (format == nullptr)
        return SPI_UNKNOWN_FORMAT;
    int width = 0, height = 0;
    const int result = format->size(picture, &width, &height);
    if (result != SPI_OK)
        return result;
    // A picture the plug-in would refuse to decode gets no size either.
    if (!Bitmap24::fits(width, height))
        return SPI_NO_MEMORY;
    *info = SpiPictureInfo();
    info->width = width;
    info->height = height;
    info->colorDepth = 24;
    info->hInfo = nullptr;
    return SPI_OK;
}

SPI_EXPORT int GetPicture(const char* buf, long len, unsigned flag, void** info, void** bits,
                          SpiProgress cb, long user)
{
    if (info == nullptr || bits == nullptr)
        return SPI_INTERNAL_ERROR;
    *info = nullptr;
    *bits = nullptr;
    if (!inMemory(buf, len, flag))
        return SPI_NOT_IMPLEMENTED;
    const EncodedPicture picture{reinterpret_cast<const unsigned char*>(buf),
                                 static_cast<size_t>(len)};
    const Format* format = formatOf(picture);
    if (format == nullptr)
        return SPI_UNKNOWN_FORMAT;
    Bitmap24 bitmap;
    const int result = format->decode(picture, bitmap, Progress{cb, user});
    if (result != SPI_OK)
        return result;
    return bitmap.release(info, bits);
}
