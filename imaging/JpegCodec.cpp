#include "JpegCodec.h"

#include <jpeglib.h>
#include <sys/mman.h>

#include <csetjmp>
#include <cstdint>
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

// libjpeg's own working memory. A progressive file keeps every coefficient of the picture
// (128 bytes an 8 × 8 block: twice the output picture for 4:4:4 colour) whatever the data
// holds, so its need follows the size the header declares. The cap keeps that and the output
// picture together well under 2 GB: progressive pictures up to about 89 megapixels in 4:4:4,
// 179 in 4:2:0 and 268 in grey decode; larger ones fail. Baseline files need a few megabytes.
constexpr long kMaxCodecMemory = 512l << 20;
// Below the cap, a Huffman-coded file must pay at least one bit for every block it holds, so a
// file of n bytes fills at most 8n blocks (1024n bytes of coefficients; twice that for blocks
// allocated past the picture's edges). A short file that declares a huge progressive picture
// is refused after a little memory instead of making the codec fill hundreds of megabytes with
// nothing. Arithmetic coding can spend less than a bit on a block, so only the cap holds there.
constexpr uint64_t kCodecBytesPerFileByte = 2048;
constexpr long kMinCodecMemory = 64l << 20;

long codecMemoryLimit(size_t fileSize, bool arithmetic)
{
    if (arithmetic)
        return kMaxCodecMemory;
    const uint64_t need = static_cast<uint64_t>(fileSize) * kCodecBytesPerFileByte;
    if (need <= static_cast<uint64_t>(kMinCodecMemory))
        return kMinCodecMemory;
    return need >= static_cast<uint64_t>(kMaxCodecMemory) ? kMaxCodecMemory
                                                          : static_cast<long>(need);
}

// Every block of a Huffman-coded scan costs at least two bits (its DC code and its end of
// block), so a file with less than a bit for every eight blocks it declares holds at most a
// sixteenth of its picture. libjpeg would paint the rest grey, spending seconds and hundreds of
// megabytes on a 500-byte file declaring 65000 × 2000; such a file is refused instead. A file
// cut part-way keeps far more than that and is still shown with grey rows. Arithmetic coding
// can spend less than a bit on a block, so it is left alone.
constexpr uint64_t kMaxBlocksPerFileByte = 64;

bool tooLittleData(const jpeg_decompress_struct& cinfo, size_t fileSize)
{
    if (cinfo.arith_code)
        return false;
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        blocks +=
            uint64_t(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks;
    return blocks > kMaxBlocksPerFileByte * fileSize;
}

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

// True once every component has its DC coefficients (its first DC scan is complete). At an
// eighth of the size each pixel is the DC value of one block, so the AC scans that follow are
// not needed. coef_bits is set when a scan starts, so this is asked only between scans.
bool dcComplete(const jpeg_decompress_struct& cinfo)
{
    for (int c = 0; c < cinfo.num_components; ++c) {
        if (cinfo.coef_bits[c][0] < 0)
            return false;
    }
    return true;
}

// A progressive file decoded at 1/8: reads scans only until the DC data is complete, then
// outputs from what has been read. Much faster than reading every AC refinement scan.
bool startDcOnlyOutput(Session& s)
{
    s.cinfo.buffered_image = TRUE;
    s.cinfo.do_block_smoothing = FALSE;
    jpeg_start_decompress(&s.cinfo);
    for (;;) {
        const int result = jpeg_consume_input(&s.cinfo);
        if (result == JPEG_REACHED_EOI || result == JPEG_SUSPENDED)
            break;
        if (s.cinfo.input_scan_number > kMaxScans)
            progressMonitor(reinterpret_cast<j_common_ptr>(&s.cinfo));
        if (result == JPEG_SCAN_COMPLETED && dcComplete(s.cinfo))
            break;
    }
    return jpeg_start_output(&s.cinfo, s.cinfo.input_scan_number) != FALSE;
}

// Decodes straight into the BGR rows.
bool readBgrRows(Session& s, JSAMPROW* rows, bool dcOnly)
{
    if (setjmp(s.err.jump))
        return false;
    if (dcOnly) {
        if (!startDcOnlyOutput(s))
            return false;
    } else {
        jpeg_start_decompress(&s.cinfo);
    }
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

// A fresh picture of many megabytes is mostly page faults at first touch; with huge pages the
// kernel takes one fault per 2 MB instead of one per 4 KB. Only the aligned inside of the buffer
// is advised, and a kernel without transparent huge pages ignores the advice.
void adviseHugePages(unsigned char* bytes, size_t size)
{
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    if (size < 4 * kHugePage)
        return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(bytes) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(bytes) + size) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

bool validDenominator(int denominator)
{
    return denominator == 1 || denominator == 2 || denominator == 4 || denominator == 8;
}

// Reads the header and settles the output: its colour space (`cmyk` when the rows need
// converting by hand) and its size, refusing pictures past the size cap. Ok leaves the output
// size in s.cinfo.
JpegStatus planOutput(Session& s, const unsigned char* bytes, size_t size, int denominator,
                      JpegImage* image, bool* cmyk)
{
    if (bytes == nullptr || !readHeader(s, bytes, size)) {
        image->message = s.message();
        return JpegStatus::BadHeader;
    }
    s.cinfo.mem->max_memory_to_use = codecMemoryLimit(size, s.cinfo.arith_code);
    image->channels = s.cinfo.num_components;
    image->sourceWidth = static_cast<int>(s.cinfo.image_width);
    image->sourceHeight = static_cast<int>(s.cinfo.image_height);
    const J_COLOR_SPACE source = s.cinfo.jpeg_color_space;
    *cmyk = source == JCS_CMYK || source == JCS_YCCK;
    if (!*cmyk && source != JCS_GRAYSCALE && source != JCS_YCbCr && source != JCS_RGB)
        return JpegStatus::Unsupported;
    // The cap holds for the full-size picture at every scale: a page that cannot be shown
    // gets no thumbnail either, and a lying header cannot make a reduced decode run for long.
    if (!pictureSizeAllowed(image->sourceWidth, image->sourceHeight))
        return JpegStatus::TooLarge;
    if (tooLittleData(s.cinfo, size)) {
        image->message = "too little data for " + std::to_string(image->sourceWidth) + " x " +
                         std::to_string(image->sourceHeight) + " pixels";
        return JpegStatus::DecodeFailed;
    }
    if (!computeOutputSize(s, denominator, *cmyk ? JCS_CMYK : JCS_EXT_BGR)) {
        image->message = s.message();
        return JpegStatus::Unsupported;
    }
    if (!pictureSizeAllowed(static_cast<int>(s.cinfo.output_width),
                            static_cast<int>(s.cinfo.output_height)))
        return JpegStatus::TooLarge;
    return JpegStatus::Ok;
}

// A new picture with its row padding zeroed, or null when memory is short.
std::unique_ptr<unsigned char[]> allocatePicture(int width, int height)
{
    const size_t stride = rowStride(width);
    std::unique_ptr<unsigned char[]> pixels(
        new (std::nothrow) unsigned char[stride * static_cast<size_t>(height)]);
    if (!pixels)
        return pixels;
    adviseHugePages(pixels.get(), stride * static_cast<size_t>(height));
    const size_t padding = stride - static_cast<size_t>(width) * 3;
    for (int y = 0; y < height && padding > 0; ++y)
        std::memset(pixels.get() + stride * static_cast<size_t>(y) + stride - padding, 0, padding);
    return pixels;
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
    bool cmyk = false;
    const JpegStatus planned = planOutput(s, bytes, size, denominator, image, &cmyk);
    if (planned != JpegStatus::Ok)
        return planned;
    const int width = static_cast<int>(s.cinfo.output_width);
    const int height = static_cast<int>(s.cinfo.output_height);
    const size_t stride = rowStride(width);
    std::unique_ptr<unsigned char[]> pixels = allocatePicture(width, height);
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
    bool ok;
    if (cmyk) {
        ok = readCmykRows(s, pixels.get(), stride, cmykRow.get());
    } else {
        for (int y = 0; y < height; ++y)
            rows[static_cast<size_t>(y)] = rowAddress(pixels.get(), stride, height, y);
        // Only an eighth-size decode is made of DC values alone.
        const bool dcOnly = denominator == 8 && s.cinfo.progressive_mode;
        ok = readBgrRows(s, rows.data(), dcOnly);
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
