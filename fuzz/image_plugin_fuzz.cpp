// libFuzzer target: the shipped image plug-in (PNG, GIF, WebP, BMP, TIFF) on arbitrary bytes,
// called in-process: GetPictureInfo, then GetPicture, whose blocks then go through the
// program's own conversion as they would in get_image_spi. Asserted besides the sanitizers'
// checks: GetPicture's blocks hold what their header says (the conversion accepts them, and
// their size is within the cap), both calls agree on the size, and a failure hands over
// nothing.
#include <malloc.h>

#include <cstdint>
#include <cstdlib>

#include "pipeline/SpiBitmap.h"
#include "plugins/SpiAbi.h"

extern "C" {
int GetPictureInfo(const char* buf, long len, unsigned flag, SpiPictureInfo* info);
int GetPicture(const char* buf, long len, unsigned flag, void** info, void** bits, SpiProgress cb,
               long user);
}

namespace {

int calls = 0;
int stopAfter = -1; // the progress callback asks to stop after this many calls (-1 never)

int progress(int, int, long)
{
    ++calls;
    return stopAfter >= 0 && calls > stopAfter ? 1 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const long length = static_cast<long>(size);
    SpiPictureInfo pictureInfo = {};
    const bool sized = GetPictureInfo(bytes, length, SPI_INPUT_MEMORY, &pictureInfo) == 0;
    if (sized && (pictureInfo.width <= 0 || pictureInfo.height == 0))
        std::abort();
    std::free(pictureInfo.hInfo);

    // Every other input also has the decode stopped part-way by the progress callback.
    calls = 0;
    stopAfter = size % 2 == 1 ? static_cast<int>(size % 7) : -1;
    void* info = nullptr;
    void* bits = nullptr;
    const int result = GetPicture(bytes, length, SPI_INPUT_MEMORY, &info, &bits, progress, 0);
    if (result != 0) {
        if (info != nullptr || bits != nullptr)
            std::abort();
        return 0;
    }
    if (info == nullptr || bits == nullptr)
        std::abort();
    SpiBitmap bitmap;
    const std::string problem =
        convertSpiBitmap(static_cast<unsigned char*>(info), malloc_usable_size(info),
                         static_cast<unsigned char*>(bits), malloc_usable_size(bits), &bitmap);
    if (!problem.empty())
        std::abort();
    const int height = pictureInfo.height > 0 ? pictureInfo.height : -pictureInfo.height;
    if (sized && (bitmap.width != pictureInfo.width || bitmap.height != height))
        std::abort();
    std::free(info);
    std::free(bits);
    return 0;
}
