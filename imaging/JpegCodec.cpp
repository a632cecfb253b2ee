#include "JpegCodec.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/Bgr24.h"

// libjpeg reports errors by calling error_exit, which must not return. The error manager below
// jumps back into the function that set the jump point. Every function that calls into libjpeg
// sets its own jump point and keeps only trivially destructible locals, so the jump never skips
// a C++ destructor; the session that owns the codec state is destroyed by its caller.

namespace {

// A progressive file with thousands of tiny scans makes libjpeg work for minutes; real files
// have about ten.
constexpr int kMaxScans = 1000;

// libjpeg's own working memory (a progressive file keeps every coefficient, up to twice the
// output picture) is capped so that a hostile header cannot make it allocate without bound.
constexpr long kMaxCodecMemory = static_cast<long>(2 * kMaxPictureBytes + (64u << 20));

struct ErrorManager {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool hasMessage;
};

void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    // The error is what the caller needs to see, even after a warning.
    (*cinfo->err->format_message)(cinfo, err->message);
    err->hasMessage = true;
    longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace chatter
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    ++err->mgr.num_warnings;
    if (!err->hasMessage) {
        (*cinfo->err->format_message)(cinfo, err->message);
        err->hasMessage = true;
    }
}

void progressMonitor(j_common_ptr cinfo)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number <= kMaxScans)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
    err->hasMessage = true;
    longjmp(err->jump, 1);
}

// The codec state of one decode. Destroying it releases everything libjpeg allocated.
struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;

    Session()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&err, 0, sizeof err);
        std::memset(&progress, 0, sizeof progress);
    }
    ~Session()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string message() const { return err.hasMessage ? std::string(err.message) : ""; }
};

bool createSession(Session& s)
{
    s.cinfo.err = jpeg_std_error(&s.err.mgr);
    s.err.mgr.error_exit = errorExit;
    s.err.mgr.emit_message = emitMessage;
    if (setjmp(s.err.jump))
        return false;
    s.created = true; // the zeroed state is safe to destroy even if creation stops half-way
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = kMaxCodecMemory;
    s.progress.progress_monitor = progressMonitor;
    s.cinfo.progress = &s.progress;
    return true;
}

bool readHeader(Session& s, const unsigned char* bytes, size_t size)
{
    if (setjmp(s.err.jump))
        return false;
    jpeg_mem_src(&s.cinfo, bytes, static_cast<unsigned long>(size));
    return jpeg_read_header(&s.cinfo, TRUE) == JPEG_HEADER_OK;
}

bool computeOutputSize(Session& s, int denominator, J_COLOR_SPACE space)
{
    if (setjmp(s.err.jump))
        return false;
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = static_cast<unsigned>(denominator);
    s.cinfo.out_color_space = space;
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

// Where output row `y` (counted from the top, as libjpeg delivers them) goes: the picture is
// stored bottom-up.
unsigned char* rowAddress(unsigned char* pixels, size_t stride, int height, int y)
{
    return pixels + stride * static_cast<size_t>(height - 1 - y);
}

// Decodes straight into the BGR rows.
bool readBgrRows(Session& s, JSAMPROW* rows)
{
    if (setjmp(s.err.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const JDIMENSION done = s.cinfo.output_scanline;
        if (jpeg_read_scanlines(&s.cinfo, rows + done, s.cinfo.output_height - done) == 0)
            return false; // cannot happen with a memory source; never loop on it
    }
    return true;
}

// Adobe's CMYK files store every ink inverted (255 = no ink).
void cmykRowToBgr(const unsigned char* cmyk, unsigned char* bgr, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<unsigned char>((y * k + 127) / 255);
        bgr[1] = static_cast<unsigned char>((m * k + 127) / 255);
        bgr[2] = static_cast<unsigned char>((c * k + 127) / 255);
    }
}

bool readCmykRows(Session& s, unsigned char* pixels, size_t stride, unsigned char* cmykRow)
{
    if (setjmp(s.err.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    const int width = static_cast<int>(s.cinfo.output_width);
    const int height = static_cast<int>(s.cinfo.output_height);
    const bool inverted = s.cinfo.saw_Adobe_marker;
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const int y = static_cast<int>(s.cinfo.output_scanline);
        JSAMPROW row = cmykRow;
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) == 0)
            return false;
        cmykRowToBgr(cmykRow, rowAddress(pixels, stride, height, y), width, inverted);
    }
    return true;
}

bool validDenominator(int denominator)
{
    return denominator == 1 || denominator == 2 || denominator == 4 || denominator == 8;
}

} // namespace

JpegStatus readJpegInfo(const unsigned char* bytes, size_t size, JpegInfo* info)
{
    Session s;
    if (!createSession(s))
        return JpegStatus::InitFailed;
    if (bytes == nullptr || !readHeader(s, bytes, size))
        return JpegStatus::BadHeader;
    info->width = static_cast<int>(s.cinfo.image_width);
    info->height = static_cast<int>(s.cinfo.image_height);
    info->channels = s.cinfo.num_components;
    return JpegStatus::Ok;
}

JpegStatus decodeJpeg(const unsigned char* bytes, size_t size, int denominator, JpegImage* image)
{
    *image = JpegImage();
    if (!validDenominator(denominator))
        return JpegStatus::Unsupported;
    Session s;
    if (!createSession(s))
        return JpegStatus::InitFailed;
    if (bytes == nullptr || !readHeader(s, bytes, size)) {
        image->message = s.message();
        return JpegStatus::BadHeader;
    }
    image->channels = s.cinfo.num_components;
    image->sourceWidth = static_cast<int>(s.cinfo.image_width);
    image->sourceHeight = static_cast<int>(s.cinfo.image_height);
    const J_COLOR_SPACE source = s.cinfo.jpeg_color_space;
    const bool cmyk = source == JCS_CMYK || source == JCS_YCCK;
    if (!cmyk && source != JCS_GRAYSCALE && source != JCS_YCbCr && source != JCS_RGB)
        return JpegStatus::Unsupported;
    // The cap holds for the full-size picture at every scale: a page that cannot be shown
    // gets no thumbnail either, and a lying header cannot make a reduced decode run for long.
    if (!pictureSizeAllowed(static_cast<int>(s.cinfo.image_width),
                            static_cast<int>(s.cinfo.image_height)))
        return JpegStatus::TooLarge;
    if (!computeOutputSize(s, denominator, cmyk ? JCS_CMYK : JCS_EXT_BGR)) {
        image->message = s.message();
        return JpegStatus::Unsupported;
    }
    const int width = static_cast<int>(s.cinfo.output_width);
    const int height = static_cast<int>(s.cinfo.output_height);
    if (!pictureSizeAllowed(width, height))
        return JpegStatus::TooLarge;

    const size_t stride = rowStride(width);
    std::unique_ptr<unsigned char[]> pixels(
        new (std::nothrow) unsigned char[stride * static_cast<size_t>(height)]);
    std::unique_ptr<unsigned char[]> cmykRow;
    std::vector<JSAMPROW> rows;
    try {
        if (cmyk)
            cmykRow.reset(new unsigned char[static_cast<size_t>(width) * 4]);
        else
            rows.resize(static_cast<size_t>(height));
    } catch (const std::bad_alloc&) {
        pixels.reset();
    }
    if (!pixels) {
        image->message = "out of memory";
        return JpegStatus::DecodeFailed;
    }
    const size_t padding = stride - static_cast<size_t>(width) * 3;
    for (int y = 0; y < height && padding > 0; ++y)
        std::memset(pixels.get() + stride * static_cast<size_t>(y) + stride - padding, 0, padding);

    bool ok;
    if (cmyk) {
        ok = readCmykRows(s, pixels.get(), stride, cmykRow.get());
    } else {
        for (int y = 0; y < height; ++y)
            rows[static_cast<size_t>(y)] = rowAddress(pixels.get(), stride, height, y);
        ok = readBgrRows(s, rows.data());
    }
    image->message = s.message();
    if (!ok)
        return JpegStatus::DecodeFailed;
    // jpeg_finish_decompress is left out on purpose: it reads on to the end marker and would
    // fail a picture whose rows are all decoded because of junk after them.
    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return JpegStatus::Ok;
}
