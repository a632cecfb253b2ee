// libFuzzer target: the built-in JPEG decoder on arbitrary bytes named *.jpg, through the three
// calls the program makes (get_image, get_image_info, get_thumbnail) and the codec's reduced
// decodes. Besides the sanitizers' checks it asserts the contracts callers rely on: a decoded
// picture within the size cap, the header's size equal to the decoded one, a thumbnail inside
// its 128 × 128 cell, and a reduced decode of the announced size.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "imaging/Bgr24.h"
#include "imaging/JpegCodec.h"
#include "pipeline/Decoders.h"

namespace {

constexpr int kCell = 128;
constexpr size_t kThumbnailBytes = kCell * 384;

void checkThumbnail(const uint8_t* data, size_t size)
{
    // Exactly the destination the catalog hands over, so a thumbnail spilling out of it shows.
    fuzz::Bytes destination(static_cast<unsigned char*>(std::malloc(kThumbnailBytes)));
    int16_t w = -1, h = -1, x = -1, y = -1;
    if (get_thumbnail(&w, &h, &x, &y, destination.get(), data, size, "page.jpg") != 1)
        return;
    if (w < 1 || w > kCell || h < 1 || h > kCell || x < 0 || y < 0 || x + w > kCell ||
        y + h > kCell)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int width = 0, height = 0;
    std::unique_ptr<unsigned char[]> pixels;
    const bool decoded = get_image(&width, &height, pixels, "page.jpg", data, size) == 1;
    if (decoded && (!pixels || !pictureSizeAllowed(width, height)))
        std::abort();

    int infoWidth = 0, infoHeight = 0;
    const bool sized = get_image_info(size, "PAGE.JPEG", &infoWidth, &infoHeight, data) == 0;
    if (decoded && (!sized || infoWidth != width || infoHeight != height))
        std::abort();
    pixels.reset();

    checkThumbnail(data, size);

    // One reduced decode, its scale picked by the input's length so the bytes stay a JPEG.
    const int denominator = 1 << (size % 4);
    JpegImage image;
    if (decodeJpeg(data, size, denominator, &image) == JpegStatus::Ok) {
        if (image.width != jpegScaledSide(image.sourceWidth, denominator) ||
            image.height != jpegScaledSide(image.sourceHeight, denominator) || !image.pixels)
            std::abort();
    }
    return 0;
}
