#include "Decoders.h"

#include <FL/filename.H>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "imaging/JpegCodec.h"
#include "pipeline/Bgr24.h"
#include "pipeline/PluginCallLock.h"
#include "pipeline/PluginRegistry.h"
#include "pipeline/SpiBitmap.h"
#include "platform/Diagnostics.h"
#include "platform/MemoryBlock.h"

namespace {

constexpr int kThumbnailSide = 128;

bool isDummyBlock(const unsigned char* block, size_t size)
{
    return size == 10 && block != nullptr && std::memcmp(block, "DUMMYFILE", 10) == 0;
}

int imagePluginFor(const std::string& name)
{
    const int index = whichSpi(name, "IN");
    debugPrint("whichSpi(%s) -> %d\n", name.c_str(), index);
    return index;
}

// GetPicture's progress: never asks the plug-in to stop.
int keepGoing(int, int, long)
{
    return 0;
}

int get_image_spi(SpiPlugin* plugin, const unsigned char* block, size_t size, int* width,
                  int* height, std::unique_ptr<unsigned char[]>& pixels)
{
    if (plugin == nullptr || plugin->module == nullptr || plugin->GetPicture == nullptr)
        return 0;
    void* info = nullptr;
    void* bits = nullptr;
    int result;
    {
        PluginCallLock lock(*plugin);
        if (!lock.held())
            return 0;
        result = plugin->GetPicture(reinterpret_cast<const char*>(block), static_cast<long>(size),
                                    SPI_INPUT_MEMORY, &info, &bits, keepGoing, 0);
    }
    const MemoryBlock infoBlock = adoptPluginBlock(info);
    const MemoryBlock bitsBlock = adoptPluginBlock(bits);
    if (result != 0) {
        debugPrint("get_image_spi failed\n");
        return 0;
    }
    if (infoBlock.size() >= sizeof(SpiBitmapInfoHeader)) {
        SpiBitmapInfoHeader header;
        std::memcpy(&header, infoBlock.data(), sizeof header);
        debugPrint("expanded by SPI. size= %dx%d %dbit\n", header.biWidth, header.biHeight,
                   header.biBitCount);
    }
    SpiBitmap bitmap;
    const std::string problem = convertSpiBitmap(infoBlock.data(), infoBlock.size(),
                                                 bitsBlock.data(), bitsBlock.size(), &bitmap);
    if (!problem.empty()) {
        debugPrint("get_image_spi: %s refused by %s\n", problem.c_str(), plugin->fileName.c_str());
        return 0;
    }
    *width = bitmap.width;
    *height = bitmap.height;
    pixels = std::move(bitmap.pixels);
    return 1;
}

// Traces why a JPEG decode failed; 0 always, so callers can return it.
int jpegFailure(JpegStatus status, const JpegImage& image)
{
    switch (status) {
    case JpegStatus::Ok:
        return 1;
    case JpegStatus::InitFailed:
        reportError(nullptr, "IJL initialize error\n");
        break;
    case JpegStatus::BadHeader:
        debugPrint("IJL read parameters error: %s\n", image.message.c_str());
        break;
    case JpegStatus::TooLarge:
        debugPrint("picture too large: %dx%d\n", image.sourceWidth, image.sourceHeight);
        break;
    case JpegStatus::Unsupported:
        debugPrint("Unknown format\n");
        break;
    case JpegStatus::DecodeFailed:
        debugPrint("IJL read image error\n");
        if (!image.message.empty())
            debugPrint("%s\n", image.message.c_str());
        break;
    }
    return 0;
}

int decodeJpegPage(const unsigned char* block, size_t size, int denominator, int* width,
                   int* height, std::unique_ptr<unsigned char[]>& pixels)
{
    JpegImage image;
    const JpegStatus status = decodeJpeg(block, size, denominator, &image);
    if (status != JpegStatus::Ok)
        return jpegFailure(status, image);
    if (image.channels != 1 && image.channels != 3)
        debugPrint("Unknown format\n"); // CMYK and YCCK: converted all the same
    if (!image.message.empty())
        debugPrint("JPEG warning: %s\n", image.message.c_str());
    *width = image.width;
    *height = image.height;
    pixels = std::move(image.pixels);
    return 1;
}

int get_image_ijl(const unsigned char* block, size_t size, int* width, int* height,
                  std::unique_ptr<unsigned char[]>& pixels)
{
    return decodeJpegPage(block, size, 1, width, height, pixels);
}

int get_thumbnail_ijl(const unsigned char* block, size_t size, int cellSide, int* width,
                      int* height, std::unique_ptr<unsigned char[]>& pixels)
{
    JpegInfo info;
    const JpegStatus status = readJpegInfo(block, size, &info);
    if (status != JpegStatus::Ok)
        return jpegFailure(status, JpegImage());
    const int denominator = thumbnailDenominator(info.width, info.height, cellSide);
    debugPrint("get_thumbnail_ijl %dx%d at 1/%d\n", info.width, info.height, denominator);
    return decodeJpegPage(block, size, denominator, width, height, pixels);
}

int get_image_info_spi(SpiPlugin* plugin, const unsigned char* block, size_t size, int* width,
                       int* height)
{
    if (plugin == nullptr || plugin->module == nullptr || plugin->GetPictureInfo == nullptr)
        return 1;
    SpiPictureInfo info;
    std::memset(&info, 0, sizeof info);
    int result;
    {
        PluginCallLock lock(*plugin);
        if (!lock.held())
            return 1;
        result = plugin->GetPictureInfo(reinterpret_cast<const char*>(block),
                                        static_cast<long>(size), SPI_INPUT_MEMORY, &info);
    }
    if (info.hInfo != nullptr)
        std::free(info.hInfo);
    // A size the plug-in cannot give is as good as no answer: success must come with one.
    if (result != 0 || info.width <= 0 || info.height == 0 || info.height == INT32_MIN) {
        debugPrint("get_image_info_spi failed\n");
        return 1;
    }
    *width = info.width;
    *height = info.height > 0 ? info.height : -info.height;
    debugPrint("get_image_info_spi %dx%d\n", *width, *height);
    return 0;
}

int get_image_info_ijl(const unsigned char* block, size_t size, int* width, int* height)
{
    JpegInfo info;
    const JpegStatus status = readJpegInfo(block, size, &info);
    if (status == JpegStatus::InitFailed) {
        reportError(nullptr, "IJL initialize error\n");
        return 1;
    }
    if (status != JpegStatus::Ok) {
        debugPrint("get_image_info_ijl failed\n");
        return 1;
    }
    *width = info.width;
    *height = info.height;
    debugPrint("get_image_info_ijl %dx%d\n", *width, *height);
    return 0;
}

// The thumbnail's size: the longer side (relative to the cell) becomes the cell's side, the
// other keeps the proportion, rounded down, in integers so that 375 → 128 never comes out as
// 127. Without `enlarge`, a picture that already fits keeps its size.
void thumbnailSize(int width, int height, int cellSide, bool enlarge, int* thumbWidth,
                   int* thumbHeight)
{
    if (!enlarge && width <= cellSide && height <= cellSide) {
        *thumbWidth = width;
        *thumbHeight = height;
        return;
    }
    int64_t w, h;
    if (width >= height) {
        w = cellSide;
        h = static_cast<int64_t>(height) * cellSide / width;
    } else {
        h = cellSide;
        w = static_cast<int64_t>(width) * cellSide / height;
    }
    *thumbWidth = static_cast<int>(std::clamp<int64_t>(w, 1, cellSide));
    *thumbHeight = static_cast<int>(std::clamp<int64_t>(h, 1, cellSide));
}

} // namespace

bool isJpegName(const std::string& name)
{
    return fl_filename_match(name.c_str(), "*.[Jj][Pp][Gg]") ||
           fl_filename_match(name.c_str(), "*.[Jj][Pp][Ee][Gg]");
}

int thumbnailDenominator(int width, int height, int cellSide)
{
    int denominator = 1;
    for (int next : {2, 4, 8}) {
        if (jpegScaledSide(width, next) < cellSide || jpegScaledSide(height, next) < cellSide)
            break;
        denominator = next;
    }
    return denominator;
}

int get_image(int* width, int* height, std::unique_ptr<unsigned char[]>& pixels,
              const std::string& name, const unsigned char* block, size_t size)
{
    if (isDummyBlock(block, size))
        return 0;
    const int index = imagePluginFor(name);
    if (index >= 0)
        return get_image_spi(pluginAt(index), block, size, width, height, pixels);
    if (isJpegName(name))
        return get_image_ijl(block, size, width, height, pixels);
    return 0;
}

int get_image_info(size_t size, const std::string& name, int* width, int* height,
                   const unsigned char* block)
{
    const int index = imagePluginFor(name);
    if (index >= 0)
        return get_image_info_spi(pluginAt(index), block, size, width, height);
    if (isJpegName(name))
        return get_image_info_ijl(block, size, width, height);
    return 1;
}

int get_thumbnail_fitted(int cellSide, bool enlarge, const unsigned char* block, size_t size,
                         const std::string& name, int* width, int* height,
                         std::unique_ptr<unsigned char[]>& pixels)
{
    if (cellSide <= 0 || isDummyBlock(block, size))
        return 0;
    int decodedWidth = 0, decodedHeight = 0;
    std::unique_ptr<unsigned char[]> decoded;
    const int index = imagePluginFor(name);
    int ok = 0;
    if (index >= 0)
        ok = get_image_spi(pluginAt(index), block, size, &decodedWidth, &decodedHeight, decoded);
    else if (isJpegName(name))
        ok = get_thumbnail_ijl(block, size, cellSide, &decodedWidth, &decodedHeight, decoded);
    if (!ok)
        return 0;
    int w, h;
    thumbnailSize(decodedWidth, decodedHeight, cellSide, enlarge, &w, &h);
    if (w == decodedWidth && h == decodedHeight) {
        pixels = std::move(decoded);
    } else {
        if (!pictureSizeAllowed(w, h))
            return 0;
        pixels.reset(new (std::nothrow) unsigned char[pictureBytes(w, h)]);
        if (!pixels) {
            debugPrint("get_thumbnail: no memory for %dx%d\n", w, h);
            return 0;
        }
        scaleImage(decoded.get(), decodedWidth, decodedHeight, w, h, pixels.get(), 1);
    }
    *width = w;
    *height = h;
    return 1;
}

int get_thumbnail(int16_t* width, int16_t* height, int16_t* offsetX, int16_t* offsetY,
                  unsigned char* destination, const unsigned char* block, size_t size,
                  const std::string& name)
{
    int w, h;
    std::unique_ptr<unsigned char[]> pixels;
    if (!get_thumbnail_fitted(kThumbnailSide, true, block, size, name, &w, &h, pixels))
        return 0;
    // The thumbnail (at most 128 rows of rowStride(128) bytes) fits the destination as it is.
    std::memcpy(destination, pixels.get(), static_cast<size_t>(pictureBytes(w, h)));
    *width = static_cast<int16_t>(w);
    *height = static_cast<int16_t>(h);
    if (w < h) {
        *offsetX = static_cast<int16_t>((kThumbnailSide - w) / 2);
        *offsetY = 0;
    } else {
        *offsetX = 0;
        *offsetY = static_cast<int16_t>((kThumbnailSide - h) / 2);
    }
    return 1;
}

void scaleImage(const unsigned char* source, int sourceWidth, int sourceHeight,
                int destinationWidth, int destinationHeight, unsigned char* destination,
                int highQuality)
{
    if (source == nullptr || destination == nullptr || sourceWidth <= 0 || sourceHeight <= 0 ||
        destinationWidth <= 0 || destinationHeight <= 0)
        return;
    const cv::Mat from(sourceHeight, sourceWidth, CV_8UC3, const_cast<unsigned char*>(source),
                       rowStride(sourceWidth));
    cv::Mat to(destinationHeight, destinationWidth, CV_8UC3, destination,
               rowStride(destinationWidth));
    int interpolation = cv::INTER_LINEAR;
    if (highQuality) {
        const bool enlarging = destinationWidth > sourceWidth || destinationHeight > sourceHeight;
        interpolation = enlarging ? cv::INTER_CUBIC : cv::INTER_AREA;
    }
    try {
        cv::resize(from, to, to.size(), 0, 0, interpolation);
    } catch (const cv::Exception& e) {
        debugPrint("scaleImage failed: %s\n", e.what());
        std::memset(destination, 0,
                    static_cast<size_t>(pictureBytes(destinationWidth, destinationHeight)));
    }
}
