#include "plugins/image/PngReader.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// libpng's own default limits, stated: a side above a million pixels is refused at once.
constexpr png_uint_32 kMaxSide = 1000000;
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;

struct Source {
    const unsigned char* data;
    size_t size;
    size_t pos;
};

void readBytes(png_structp png, png_bytep out, size_t count)
{
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->size - source->pos < count)
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

void onError(png_structp png, png_const_charp message)
{
    debugPrint("mekuri_image: PNG: %s\n", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp)
{
}

// Owner of libpng's reading state.
class PngReadState {
  public:
    PngReadState()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (png != nullptr)
            info = png_create_info_struct(png);
    }
    ~PngReadState() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
    PngReadState(const PngReadState&) = delete;
    PngReadState& operator=(const PngReadState&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

void prepare(PngReadState& state, Source& source)
{
    png_set_read_fn(state.png, &source, readBytes);
    png_set_user_limits(state.png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(state.png, kMaxChunkBytes);
    png_set_chunk_cache_max(state.png, 1000);
    png_read_info(state.png, state.info);
}

uint32_t bigEndian32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// False when a chunk before IEND claims more bytes than the data has left. libpng takes a
// buffer of the claimed length (up to 2 GB for a text chunk) before it finds the data short;
// a chunk cut short fails the decode in any case, so it is refused before libpng starts.
// `idatBytes` receives the length of the compressed image data.
bool chunksWithinData(const EncodedPicture& picture, uint64_t* idatBytes)
{
    *idatBytes = 0;
    size_t pos = 8;
    while (picture.size - pos >= 8) {
        if (std::memcmp(picture.data + pos + 4, "IEND", 4) == 0)
            break; // libpng stops before reading it
        const uint32_t length = bigEndian32(picture.data + pos);
        const size_t left = picture.size - pos - 8; // after the length and the type
        if (length > left || left - length < 4)     // the data, then its CRC
            return false;
        if (std::memcmp(picture.data + pos + 4, "IDAT", 4) == 0)
            *idatBytes += length;
        pos += 12 + static_cast<size_t>(length);
    }
    return true;
}

// Deflate makes at most 1,032 bytes of one (a 258-byte match costs two bits at best), so the
// image data holds at most that many times its IDAT bytes of pixels. A picture needing more
// cannot be complete: libpng would fail it at its end, after the whole picture had been
// allocated and painted white (a gigabyte for a 1 KB file declaring 18000 × 19000).
constexpr uint64_t kMaxDeflateRatio = 1032;

bool enoughImageData(png_structp png, png_infop info, uint64_t idatBytes)
{
    const uint64_t bits = uint64_t(png_get_image_width(png, info)) *
                          png_get_image_height(png, info) * png_get_channels(png, info) *
                          png_get_bit_depth(png, info);
    return bits / 8 <= kMaxDeflateRatio * idatBytes + kMaxDeflateRatio;
}

// The buffers of one decode. libpng's errors longjmp out of decodeRows, which skips the
// destructors of its locals, so the caller owns every buffer.
struct RowBuffers {
    std::vector<unsigned char> work;
    std::vector<png_bytep> rows; // interlaced pictures: where each row of `work` starts
};

// Everything that can longjmp back lives here; no local of it has a destructor.
int decodeRows(PngReadState& state, Source& source, uint64_t idatBytes, Bitmap24& out,
               RowBuffers& buffers, const Progress& progress)
{
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png)))
        return SPI_BROKEN_DATA;
    prepare(state, source);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (!Bitmap24::fits(width, height) || (interlaced && !Bitmap24::workFits(width, height, 4)))
        return SPI_NO_MEMORY;
    if (!enoughImageData(png, info, idatBytes)) {
        debugPrint("mekuri_image: PNG: %u x %u needs more image data than the file holds\n", width,
                   height);
        return SPI_BROKEN_DATA;
    }
    // To 8-bit RGBA whatever the source: palette and low-depth grey expanded, tRNS made
    // alpha, 16-bit scaled, grey widened, opaque pictures given a filler alpha of 255.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
        return SPI_INTERNAL_ERROR;
    if (out.allocate(static_cast<int>(width), static_cast<int>(height)) != SPI_OK)
        return SPI_NO_MEMORY;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    std::vector<unsigned char>& work = buffers.work;
    if (passes == 1) {
        work.resize(static_cast<size_t>(width) * 4);
        for (int y = 0; y < h; ++y) {
            png_read_row(png, work.data(), nullptr);
            out.putRgba(0, y, work.data(), w);
            if ((y & 63) == 0 && progress.stopAsked(y, h))
                return SPI_ABORTED;
        }
        return SPI_OK;
    }
    // Interlaced: each pass refines rows written by the earlier ones.
    work.resize(static_cast<size_t>(width) * height * 4);
    std::vector<png_bytep>& rows = buffers.rows;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = work.data() + static_cast<size_t>(y) * width * 4;
    png_read_image(png, rows.data());
    for (int y = 0; y < h; ++y)
        out.putRgba(0, y, rows[y], w);
    return SPI_OK;
}

} // namespace

bool isPng(const EncodedPicture& picture)
{
    return picture.size >= 8 && std::memcmp(picture.data, kSignature, 8) == 0;
}

int pngSize(const EncodedPicture& picture, int* width, int* height)
{
    // IHDR is the first chunk: length, "IHDR", width, height (big-endian).
    if (!isPng(picture) || picture.size < 24 || std::memcmp(picture.data + 12, "IHDR", 4) != 0)
        return SPI_UNKNOWN_FORMAT;
    const uint32_t w = bigEndian32(picture.data + 16), h = bigEndian32(picture.data + 20);
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide)
        return SPI_BROKEN_DATA;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return SPI_OK;
}

int pngDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress)
{
    if (!isPng(picture))
        return SPI_UNKNOWN_FORMAT;
    uint64_t idatBytes = 0;
    if (!chunksWithinData(picture, &idatBytes)) {
        debugPrint("mekuri_image: PNG: a chunk runs past the end of the data\n");
        return SPI_BROKEN_DATA;
    }
    PngReadState state;
    if (state.png == nullptr || state.info == nullptr)
        return SPI_NO_MEMORY;
    Source source{picture.data, picture.size, 0};
    RowBuffers buffers;
    return decodeRows(state, source, idatBytes, out, buffers, progress);
}
