#include "plugins/image/WebpReader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <vector>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

// Owner of a demultiplexer over the caller's bytes.
class Demuxer {
  public:
    explicit Demuxer(const EncodedPicture& picture)
    {
        WebPData data{picture.data, picture.size};
        demux = WebPDemux(&data);
    }
    ~Demuxer() { WebPDemuxDelete(demux); }
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;

    WebPDemuxer* demux = nullptr;
};

// Decodes one still bitstream of `width` × `height` onto `out` at (left, top). Opaque
// pictures are decoded straight into the rows (bottom-up, through the decoder's flip);
// pictures with alpha go through a premultiplied work buffer and onto white.
int decodeStill(const uint8_t* data, size_t size, int width, int height, bool alpha, int left,
                int top, Bitmap24& out)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SPI_INTERNAL_ERROR;
    const bool direct =
        !alpha && left == 0 && top == 0 && width == out.width() && height == out.height();
    std::vector<uint8_t> work;
    config.output.is_external_memory = 1;
    if (direct) {
        config.options.flip = 1;
        config.output.colorspace = MODE_BGR;
        config.output.u.RGBA.rgba = out.bits();
        config.output.u.RGBA.stride = static_cast<int>(out.rowStride());
        config.output.u.RGBA.size = out.rowStride() * static_cast<size_t>(out.height());
    } else {
        if (!Bitmap24::workFits(width, height, 4))
            return SPI_NO_MEMORY;
        work.resize(static_cast<size_t>(width) * height * 4);
        config.output.colorspace = MODE_RGBA;
        config.output.u.RGBA.rgba = work.data();
        config.output.u.RGBA.stride = width * 4;
        config.output.u.RGBA.size = work.size();
    }
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        debugPrint("mekuri_image: WebP decoding failed (%d)\n", static_cast<int>(status));
        return SPI_BROKEN_DATA;
    }
    if (!direct) {
        for (int y = 0; y < height; ++y)
            out.putRgba(left, top + y, work.data() + static_cast<size_t>(y) * width * 4, width);
    }
    return SPI_OK;
}

int decodeFirstFrame(const EncodedPicture& picture, Bitmap24& out)
{
    Demuxer demuxer(picture);
    if (demuxer.demux == nullptr)
        return SPI_BROKEN_DATA;
    const int width = static_cast<int>(WebPDemuxGetI(demuxer.demux, WEBP_FF_CANVAS_WIDTH));
    const int height = static_cast<int>(WebPDemuxGetI(demuxer.demux, WEBP_FF_CANVAS_HEIGHT));
    if (out.allocate(width, height) != SPI_OK)
        return SPI_NO_MEMORY;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.demux, 1, &frame))
        return SPI_BROKEN_DATA;
    int result = SPI_BROKEN_DATA;
    if (frame.x_offset >= 0 && frame.y_offset >= 0 && frame.width > 0 && frame.height > 0 &&
        frame.x_offset + frame.width <= width && frame.y_offset + frame.height <= height) {
        result = decodeStill(frame.fragment.bytes, frame.fragment.size, frame.width, frame.height,
                             true, frame.x_offset, frame.y_offset, out);
    }
    WebPDemuxReleaseIterator(&frame);
    return result;
}

} // namespace

bool isWebp(const EncodedPicture& picture)
{
    return picture.size >= 12 && std::memcmp(picture.data, "RIFF", 4) == 0 &&
           std::memcmp(picture.data + 8, "WEBP", 4) == 0;
}

int webpSize(const EncodedPicture& picture, int* width, int* height)
{
    if (!isWebp(picture))
        return SPI_UNKNOWN_FORMAT;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(picture.data, picture.size, &features) != VP8_STATUS_OK)
        return SPI_BROKEN_DATA;
    *width = features.width;
    *height = features.height;
    return SPI_OK;
}

int webpDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress)
{
    if (!isWebp(picture))
        return SPI_UNKNOWN_FORMAT;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(picture.data, picture.size, &features) != VP8_STATUS_OK)
        return SPI_BROKEN_DATA;
    if (progress.stopAsked(0, 1))
        return SPI_ABORTED;
    if (features.has_animation)
        return decodeFirstFrame(picture, out);
    if (out.allocate(features.width, features.height) != SPI_OK)
        return SPI_NO_MEMORY;
    return decodeStill(picture.data, picture.size, features.width, features.height,
                       features.has_alpha != 0, 0, 0, out);
}
