#include "print/PdfDeviceContext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <cairo-pdf.h>
#include <cairo.h>

#include "imaging/Bgr24.h"
#include "platform/Diagnostics.h"

namespace {

// No single picture surface beyond this many bytes is made; the draw fails instead.
constexpr uint64_t kMaxSurfaceBytes = uint64_t(1) << 30;

struct SurfaceHolder {
    explicit SurfaceHolder(cairo_surface_t* s) : surface(s) {}
    ~SurfaceHolder() { cairo_surface_destroy(surface); }
    SurfaceHolder(const SurfaceHolder&) = delete;
    SurfaceHolder& operator=(const SurfaceHolder&) = delete;
    cairo_surface_t* surface;
};

// A device rectangle in fractional dots, after the source has been clipped to the picture.
struct Placement {
    BlitRect source;
    double x, y, width, height;
};

// Clips `source` to the width × height picture and moves the destination edges with it, so a
// source reaching outside the picture draws only the part that exists.
bool place(const BlitRect& dest, const BlitRect& source, int width, int height, Placement& out)
{
    if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0 ||
        width <= 0 || height <= 0)
        return false;
    const long long x0 = std::max<long long>(source.x, 0);
    const long long x1 =
        std::min<long long>(static_cast<long long>(source.x) + source.width, width);
    const long long y0 = std::max<long long>(source.y, 0);
    const long long y1 =
        std::min<long long>(static_cast<long long>(source.y) + source.height, height);
    if (x0 >= x1 || y0 >= y1)
        return false;
    const double sx = static_cast<double>(dest.width) / source.width;
    const double sy = static_cast<double>(dest.height) / source.height;
    out.source.x = static_cast<int>(x0);
    out.source.y = static_cast<int>(y0);
    out.source.width = static_cast<int>(x1 - x0);
    out.source.height = static_cast<int>(y1 - y0);
    out.x = dest.x + (x0 - source.x) * sx;
    // Source y runs upwards, device y downwards: the source's top edge meets dest.y.
    out.y = dest.y + (static_cast<long long>(source.y) + source.height - y1) * sy;
    out.width = out.source.width * sx;
    out.height = out.source.height * sy;
    return true;
}

cairo_surface_t* makeSurface(cairo_format_t format, int width, int height)
{
    const int stride = cairo_format_stride_for_width(format, width);
    if (stride <= 0 ||
        static_cast<uint64_t>(stride) * static_cast<uint64_t>(height) > kMaxSurfaceBytes) {
        debugPrint("PdfDeviceContext: picture %dx%d refused\n", width, height);
        return nullptr;
    }
    cairo_surface_t* s = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        debugPrint("PdfDeviceContext: %s\n", cairo_status_to_string(cairo_surface_status(s)));
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    return s;
}

size_t stride8(int width)
{
    return (static_cast<size_t>(width) + 3) & ~size_t(3);
}

size_t stride1(int width)
{
    return (static_cast<size_t>(width) + 31) / 32 * 4;
}

// Source rows from the top of the rectangle down, as stored row indices of the picture.
int storedRow(const BlitRect& source, int line)
{
    return source.y + source.height - 1 - line;
}

unsigned char reversedBits(unsigned char b)
{
    b = static_cast<unsigned char>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<unsigned char>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<unsigned char>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Turns white-is-1 bitmap rows into a cairo A1 mask whose set bits are the black dots.
// cairo keeps A1 pixels in native 32-bit words: on little-endian machines the first pixel is
// the low bit of the first byte, so every byte is mirrored as well as inverted.
void fillMask(cairo_surface_t* mask, const BlitRect& source, const unsigned char* bits, int width)
{
    unsigned char* data = cairo_image_surface_get_data(mask);
    const int maskStride = cairo_image_surface_get_stride(mask);
    std::memset(data, 0, static_cast<size_t>(maskStride) * source.height);
    const bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    for (int line = 0; line < source.height; ++line) {
        const unsigned char* in = bits + storedRow(source, line) * stride1(width);
        unsigned char* out = data + static_cast<size_t>(line) * maskStride;
        if (source.x % 8 == 0) {
            const int bytes = (source.width + 7) / 8;
            for (int i = 0; i < bytes; ++i) {
                const unsigned char black = static_cast<unsigned char>(~in[source.x / 8 + i]);
                out[i] = littleEndian ? reversedBits(black) : black;
            }
            continue;
        }
        for (int x = 0; x < source.width; ++x) {
            const int sx = source.x + x;
            if ((in[sx / 8] >> (7 - sx % 8)) & 1)
                continue;
            out[x / 8] |= static_cast<unsigned char>(littleEndian ? 1 << (x % 8) : 0x80 >> (x % 8));
        }
    }
    cairo_surface_mark_dirty(mask);
}

cairo_status_t writeThunk(void* closure, const unsigned char* data, unsigned int length)
{
    auto* writer = static_cast<PdfDeviceContext::Writer*>(closure);
    return (*writer)(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

void PdfDeviceContext::SurfaceDeleter::operator()(cairo_surface_t* s) const
{
    cairo_surface_destroy(s);
}

void PdfDeviceContext::ContextDeleter::operator()(cairo_t* c) const
{
    cairo_destroy(c);
}

PdfDeviceContext::PdfDeviceContext(const DeviceMode& mode)
{
    pageWidthPt_ = mode.sheetWidthMm100() * 72.0 / 2540.0;
    pageHeightPt_ = mode.sheetHeightMm100() * 72.0 / 2540.0;
    originXPt_ = mode.leftMarginMm100() * 72.0 / 2540.0;
    originYPt_ = mode.topMarginMm100() * 72.0 / 2540.0;
    ptPerDotX_ = mode.horizontalDpi() > 0 ? 72.0 / mode.horizontalDpi() : 0;
    ptPerDotY_ = mode.verticalDpi() > 0 ? 72.0 / mode.verticalDpi() : 0;
    width_ = mode.printableWidth();
    height_ = mode.printableHeight();
    bitsPerPixel_ = mode.color == 2 ? 24 : 1;
}

PdfDeviceContext::~PdfDeviceContext() = default;

bool PdfDeviceContext::mayOpen()
{
    if (surface_ || finished_) {
        error_ = "document already opened";
        return false;
    }
    if (width_ <= 0 || height_ <= 0 || pageWidthPt_ <= 0 || pageHeightPt_ <= 0) {
        error_ = "no printable area";
        return false;
    }
    return true;
}

bool PdfDeviceContext::open(const std::string& path)
{
    if (!mayOpen())
        return false;
    return start(cairo_pdf_surface_create(path.c_str(), pageWidthPt_, pageHeightPt_));
}

bool PdfDeviceContext::open(Writer writer)
{
    if (!mayOpen())
        return false;
    if (!writer) {
        error_ = "no writer";
        return false;
    }
    writer_ = std::move(writer);
    return start(
        cairo_pdf_surface_create_for_stream(writeThunk, &writer_, pageWidthPt_, pageHeightPt_));
}

bool PdfDeviceContext::start(cairo_surface_t* surface)
{
    surface_.reset(surface);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return failed("cairo_pdf_surface_create");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "mekuri");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "mekuri");
    cr_.reset(cairo_create(surface));
    if (cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS)
        return failed("cairo_create");
    return true;
}

bool PdfDeviceContext::failed(const char* what)
{
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    if (cr_)
        status = cairo_status(cr_.get());
    if (status == CAIRO_STATUS_SUCCESS && surface_)
        status = cairo_surface_status(surface_.get());
    error_ = std::string(what) + ": " + cairo_status_to_string(status);
    cr_.reset();
    surface_.reset();
    return false;
}

bool PdfDeviceContext::finish()
{
    if (!surface_) {
        if (error_.empty())
            error_ = "document not open";
        return false;
    }
    if (pageOpen_)
        endPage();
    if (cr_ && cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS)
        return failed("drawing");
    cr_.reset();
    cairo_surface_finish(surface_.get());
    finished_ = true;
    if (cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS)
        return failed("writing");
    surface_.reset();
    return true;
}

bool PdfDeviceContext::startPage()
{
    if (!cr_)
        return false;
    pageOpen_ = true;
    return true;
}

bool PdfDeviceContext::endPage()
{
    if (!cr_)
        return false;
    cairo_show_page(cr_.get());
    pageOpen_ = false;
    return cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS;
}

int PdfDeviceContext::paintImage(cairo_surface_t* image, double x, double y, double width,
                                 double height, bool mask)
{
    if (!cr_)
        return 0;
    cairo_t* cr = cr_.get();
    const int w = cairo_image_surface_get_width(image);
    const int h = cairo_image_surface_get_height(image);
    cairo_save(cr);
    cairo_translate(cr, originXPt_ + x * ptPerDotX_, originYPt_ + y * ptPerDotY_);
    cairo_scale(cr, width * ptPerDotX_ / w, height * ptPerDotY_ / h);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image);
    if (mask) {
        // The area is replaced, not blended: white first, then the black dots through the
        // mask, which cairo writes to the PDF as a 1-bit stencil image.
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
        cairo_mask(cr, pattern);
    } else {
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
        cairo_set_source(cr, pattern);
        cairo_paint(cr);
    }
    cairo_pattern_destroy(pattern);
    cairo_restore(cr);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        debugPrint("PdfDeviceContext: %s\n", cairo_status_to_string(cairo_status(cr)));
        return 0;
    }
    return h;
}

namespace {

// An RGB24 surface of the placed source, each of its rows filled by `fill(line, out)`; null
// (nothing to destroy) when it cannot be made.
template <typename Fill> cairo_surface_t* rgbSurface(const Placement& p, Fill fill)
{
    cairo_surface_t* image = makeSurface(CAIRO_FORMAT_RGB24, p.source.width, p.source.height);
    if (!image)
        return nullptr;
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int line = 0; line < p.source.height; ++line)
        fill(line, reinterpret_cast<uint32_t*>(data + static_cast<size_t>(line) * stride));
    cairo_surface_mark_dirty(image);
    return image;
}

} // namespace

int PdfDeviceContext::drawBgr24(const BlitRect& dest, const BlitRect& source,
                                const unsigned char* pixels, int width, int height)
{
    Placement p;
    if (!cr_ || !pixels || !place(dest, source, width, height, p))
        return 0;
    SurfaceHolder image(rgbSurface(p, [&](int line, uint32_t* out) {
        const unsigned char* in =
            pixels + storedRow(p.source, line) * rowStride(width) + p.source.x * 3;
        for (int x = 0; x < p.source.width; ++x, in += 3)
            out[x] = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16;
    }));
    if (!image.surface)
        return 0;
    return paintImage(image.surface, p.x, p.y, p.width, p.height, false);
}

int PdfDeviceContext::drawGray8(const BlitRect& dest, const BlitRect& source,
                                const unsigned char* pixels, int width, int height)
{
    Placement p;
    if (!cr_ || !pixels || !place(dest, source, width, height, p))
        return 0;
    // cairo has no grey format; a picture whose three channels agree is written to the PDF
    // as an 8-bit DeviceGray image.
    SurfaceHolder image(rgbSurface(p, [&](int line, uint32_t* out) {
        const unsigned char* in = pixels + storedRow(p.source, line) * stride8(width) + p.source.x;
        for (int x = 0; x < p.source.width; ++x)
            out[x] = uint32_t(in[x]) * 0x010101u;
    }));
    if (!image.surface)
        return 0;
    return paintImage(image.surface, p.x, p.y, p.width, p.height, false);
}

int PdfDeviceContext::drawBits1(const BlitRect& dest, const BlitRect& source,
                                const unsigned char* bits, int width, int height)
{
    Placement p;
    if (!cr_ || !bits || !place(dest, source, width, height, p))
        return 0;
    SurfaceHolder mask(makeSurface(CAIRO_FORMAT_A1, p.source.width, p.source.height));
    if (!mask.surface)
        return 0;
    fillMask(mask.surface, p.source, bits, width);
    return paintImage(mask.surface, p.x, p.y, p.width, p.height, true);
}
