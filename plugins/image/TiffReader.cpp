#include "plugins/image/TiffReader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

struct Source {
    const unsigned char* data;
    size_t size;
    size_t pos;
};

tmsize_t readProc(thandle_t handle, void* out, tmsize_t count)
{
    auto* source = static_cast<Source*>(handle);
    if (count <= 0 || source->pos >= source->size)
        return 0;
    const size_t n = std::min(static_cast<size_t>(count), source->size - source->pos);
    std::memcpy(out, source->data + source->pos, n);
    source->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* source = static_cast<Source*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = source->pos;
    else if (whence == SEEK_END)
        base = source->size;
    const uint64_t target = base + offset;
    if (target < base || target > source->size)
        return static_cast<toff_t>(-1);
    source->pos = static_cast<size_t>(target);
    return target;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return static_cast<Source*>(handle)->size;
}

int quietHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1; // handled: libtiff's messages are not for the program's user
}

struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct RasterFree {
    void operator()(uint32_t* p) const { _TIFFfree(p); }
};

std::unique_ptr<TIFF, TiffClose> openTiff(Source& source)
{
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kSpiMaxBlockBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quietHandler, nullptr);
    // "m": no memory mapping; the bytes already are in memory.
    return std::unique_ptr<TIFF, TiffClose>(
        TIFFClientOpenExt("picture", "rm", &source, readProc, writeProc, seekProc, closeProc,
                          sizeProc, nullptr, nullptr, options.get()));
}

bool readSize(TIFF* tif, int* width, int* height)
{
    uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
        return false;
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

} // namespace

bool isTiff(const EncodedPicture& picture)
{
    if (picture.size < 8)
        return false;
    const unsigned char* p = picture.data;
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
}

int tiffSize(const EncodedPicture& picture, int* width, int* height)
{
    if (!isTiff(picture))
        return SPI_UNKNOWN_FORMAT;
    Source source{picture.data, picture.size, 0};
    auto tif = openTiff(source);
    if (!tif || !readSize(tif.get(), width, height))
        return SPI_BROKEN_DATA;
    return SPI_OK;
}

int tiffDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress)
{
    if (!isTiff(picture))
        return SPI_UNKNOWN_FORMAT;
    Source source{picture.data, picture.size, 0};
    auto tif = openTiff(source);
    int width = 0, height = 0;
    if (!tif || !readSize(tif.get(), &width, &height))
        return SPI_BROKEN_DATA;
    if (!Bitmap24::workFits(width, height, 4))
        return SPI_NO_MEMORY;
    char message[1024];
    if (!TIFFRGBAImageOK(tif.get(), message)) {
        debugPrint("mekuri_image: TIFF not readable as RGBA: %s\n", message);
        return SPI_BROKEN_DATA;
    }
    if (progress.stopAsked(0, height))
        return SPI_ABORTED;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::unique_ptr<uint32_t, RasterFree> raster(
        static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(pixels * 4))));
    if (!raster || out.allocate(width, height) != SPI_OK)
        return SPI_NO_MEMORY;
    // Rows come bottom row first, pixels premultiplied by their alpha.
    if (!TIFFReadRGBAImageOriented(tif.get(), static_cast<uint32_t>(width),
                                   static_cast<uint32_t>(height), raster.get(), ORIENTATION_BOTLEFT,
                                   1)) {
        debugPrint("mekuri_image: TIFF decoding failed\n");
        return SPI_BROKEN_DATA;
    }
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = raster.get() + static_cast<size_t>(height - 1 - y) * width;
        unsigned char* p = out.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const uint32_t c = in[x];
            const unsigned white = 255u - TIFFGetA(c);
            p[0] = static_cast<unsigned char>(std::min(255u, TIFFGetB(c) + white));
            p[1] = static_cast<unsigned char>(std::min(255u, TIFFGetG(c) + white));
            p[2] = static_cast<unsigned char>(std::min(255u, TIFFGetR(c) + white));
        }
    }
    return SPI_OK;
}
