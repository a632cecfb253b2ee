#include "BookMaker.h"

#include <jpeglib.h>
#include <minizip/zip.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

RgbImage::RgbImage(int w, int h, Rgb fill) : width(w), height(h), pixels(size_t(w) * h * 3)
{
    fillRect(0, 0, w, h, fill);
}

void RgbImage::fillRect(int x, int y, int w, int h, Rgb colour)
{
    for (int yy = std::max(0, y); yy < std::min(height, y + h); ++yy) {
        for (int xx = std::max(0, x); xx < std::min(width, x + w); ++xx) {
            unsigned char* p = &pixels[(size_t(yy) * width + xx) * 3];
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
        }
    }
}

Rgb RgbImage::at(int x, int y) const
{
    const unsigned char* p = &pixels[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

namespace {

// Segments a–g of each digit, as bits 0–6.
const unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(RgbImage& image, int digit, int x, int y, int h, Rgb colour)
{
    const int w = h / 2;
    const int t = std::max(2, h / 8);
    const int half = h / 2;
    const unsigned char s = kSegments[digit];
    if (s & 0x01)
        image.fillRect(x, y, w, t, colour); // a
    if (s & 0x02)
        image.fillRect(x + w - t, y, t, half, colour); // b
    if (s & 0x04)
        image.fillRect(x + w - t, y + half, t, h - half, colour); // c
    if (s & 0x08)
        image.fillRect(x, y + h - t, w, t, colour); // d
    if (s & 0x10)
        image.fillRect(x, y + half, t, h - half, colour); // e
    if (s & 0x20)
        image.fillRect(x, y, t, half, colour); // f
    if (s & 0x40)
        image.fillRect(x, y + half - t / 2, w, t, colour); // g
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void onJpegError(j_common_ptr info)
{
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

} // namespace

void drawNumber(RgbImage& image, int number, int cx, int cy, int digitHeight, Rgb colour)
{
    const std::string digits = std::to_string(number);
    const int w = digitHeight / 2;
    const int gap = std::max(2, digitHeight / 6);
    const int total = int(digits.size()) * w + (int(digits.size()) - 1) * gap;
    int x = cx - total / 2;
    for (char c : digits) {
        drawDigit(image, c - '0', x, cy - digitHeight / 2, digitHeight, colour);
        x += w + gap;
    }
}

std::vector<unsigned char> encodeJpeg(const RgbImage& image, int quality, bool gray,
                                      bool progressive)
{
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = onJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<unsigned char> row(size_t(image.width) * 3);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = gray ? 1 : 3;
    info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const unsigned char* src = &image.pixels[size_t(info.next_scanline) * image.width * 3];
        if (gray) {
            for (int x = 0; x < image.width; ++x)
                row[x] = src[x * 3];
        } else {
            std::memcpy(row.data(), src, row.size());
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> out(buffer, buffer + size);
    free(buffer);
    return out;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

bool writeZip(const std::string& path,
              const std::vector<std::pair<std::string, std::vector<unsigned char>>>& entries,
              bool store, bool utf8Flag)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const auto& entry : entries) {
        zip_fileinfo info;
        std::memset(&info, 0, sizeof info);
        info.tmz_date.tm_year = 2024;
        info.tmz_date.tm_mon = 0;
        info.tmz_date.tm_mday = 15;
        info.tmz_date.tm_hour = 12;
        const uLong flags = utf8Flag ? (1u << 11) : 0;
        if (zipOpenNewFileInZip4_64(zip, entry.first.c_str(), &info, nullptr, 0, nullptr, 0,
                                    nullptr, store ? 0 : Z_DEFLATED, store ? 0 : 6, 0, -MAX_WBITS,
                                    DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, flags,
                                    0) != ZIP_OK) {
            ok = false;
            break;
        }
        if (!entry.second.empty() &&
            zipWriteInFileInZip(zip, entry.second.data(), unsigned(entry.second.size())) != ZIP_OK)
            ok = false;
        zipCloseFileInZip(zip);
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        ok = false;
    return ok;
}
