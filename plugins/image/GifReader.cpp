#include "plugins/image/GifReader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

struct Source {
    const unsigned char* data;
    size_t size;
    size_t pos;
};

int readBytes(GifFileType* gif, GifByteType* out, int count)
{
    auto* source = static_cast<Source*>(gif->UserData);
    const size_t n =
        std::min(static_cast<size_t>(count < 0 ? 0 : count), source->size - source->pos);
    std::memcpy(out, source->data + source->pos, n);
    source->pos += n;
    return static_cast<int>(n);
}

// Owner of giflib's decoder.
class GifHandle {
  public:
    explicit GifHandle(Source& source)
    {
        int error = 0;
        gif = DGifOpen(&source, readBytes, &error);
    }
    ~GifHandle()
    {
        int error = 0;
        if (gif != nullptr)
            DGifCloseFile(gif, &error);
    }
    GifHandle(const GifHandle&) = delete;
    GifHandle& operator=(const GifHandle&) = delete;

    GifFileType* gif = nullptr;
};

// Reads records up to the first image descriptor, noting the transparent colour of the
// graphic control extension before it. False when there is no image.
bool findFirstFrame(GifFileType* gif, int* transparent)
{
    *transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type == TERMINATE_RECORD_TYPE)
            return false;
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
            *transparent = (block[1] & 1) ? block[4] : -1;
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                return false;
        }
    }
}

void canvasSize(const GifFileType* gif, int* width, int* height)
{
    const GifImageDesc& frame = gif->Image;
    *width = std::max(gif->SWidth, frame.Left + frame.Width);
    *height = std::max(gif->SHeight, frame.Top + frame.Height);
}

// The picture row of line `line` of a frame `height` lines high stored interlaced: rows 0,
// 8, 16… first, then 4, 12…, then 2, 6…, then the odd ones.
int interlacedRow(int line, int height)
{
    const int pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
    if (line < pass1)
        return line * 8;
    line -= pass1;
    if (line < pass2)
        return 4 + line * 8;
    line -= pass2;
    if (line < pass3)
        return 2 + line * 4;
    return 1 + (line - pass3) * 2;
}

int decodeFrame(GifFileType* gif, int transparent, Bitmap24& out, const Progress& progress)
{
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* palette = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (palette == nullptr || palette->Colors == nullptr) {
        debugPrint("mekuri_image: GIF without a palette\n");
        return SPI_BROKEN_DATA;
    }
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        return SPI_BROKEN_DATA;
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    for (int i = 0; i < frame.Height; ++i) {
        if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) {
            debugPrint("mekuri_image: GIF frame cut short at line %d\n", i);
            return SPI_BROKEN_DATA;
        }
        const int y = frame.Top + (frame.Interlace ? interlacedRow(i, frame.Height) : i);
        for (int x = 0; x < frame.Width; ++x) {
            const int index = line[static_cast<size_t>(x)];
            if (index == transparent)
                continue;
            if (index >= palette->ColorCount)
                out.put(frame.Left + x, y, 0, 0, 0);
            else
                out.put(frame.Left + x, y, palette->Colors[index].Red, palette->Colors[index].Green,
                        palette->Colors[index].Blue);
        }
        if ((i & 63) == 0 && progress.stopAsked(i, frame.Height))
            return SPI_ABORTED;
    }
    return SPI_OK;
}

} // namespace

bool isGif(const EncodedPicture& picture)
{
    return picture.size >= 6 && (std::memcmp(picture.data, "GIF87a", 6) == 0 ||
                                 std::memcmp(picture.data, "GIF89a", 6) == 0);
}

int gifSize(const EncodedPicture& picture, int* width, int* height)
{
    if (!isGif(picture))
        return SPI_UNKNOWN_FORMAT;
    Source source{picture.data, picture.size, 0};
    GifHandle handle(source);
    int transparent = -1;
    if (handle.gif == nullptr || !findFirstFrame(handle.gif, &transparent))
        return SPI_BROKEN_DATA;
    canvasSize(handle.gif, width, height);
    return SPI_OK;
}

int gifDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress)
{
    if (!isGif(picture))
        return SPI_UNKNOWN_FORMAT;
    Source source{picture.data, picture.size, 0};
    GifHandle handle(source);
    int transparent = -1;
    if (handle.gif == nullptr || !findFirstFrame(handle.gif, &transparent))
        return SPI_BROKEN_DATA;
    int width = 0, height = 0;
    canvasSize(handle.gif, &width, &height);
    if (out.allocate(width, height) != SPI_OK)
        return SPI_NO_MEMORY;
    return decodeFrame(handle.gif, transparent, out, progress);
}
