#include "imaging/JpegCodec.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/Bgr24.h"
#include "tools/BookMaker.h"

namespace {

const std::string kJpegFixtures = std::string(MEKURI_FIXTURES) + "/images/jpeg/";

// A picture whose top half is red and bottom half blue, so row order shows.
RgbImage redOverBlue(int width, int height)
{
    RgbImage image(width, height, Rgb{0, 0, 255});
    image.fillRect(0, 0, width, height / 2, Rgb{255, 0, 0});
    return image;
}

const unsigned char* pixelAt(const JpegImage& image, int x, int yFromBottom)
{
    return image.pixels.get() + rowStride(image.width) * size_t(yFromBottom) + size_t(x) * 3;
}

void expectNear(const unsigned char* bgr, int b, int g, int r, int tolerance = 10)
{
    EXPECT_NEAR(bgr[0], b, tolerance);
    EXPECT_NEAR(bgr[1], g, tolerance);
    EXPECT_NEAR(bgr[2], r, tolerance);
}

JpegImage decode(const std::vector<unsigned char>& bytes, int denominator, JpegStatus expected)
{
    JpegImage image;
    EXPECT_EQ(decodeJpeg(bytes.data(), bytes.size(), denominator, &image), expected);
    return image;
}

struct ScanWriterError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void scanWriterExit(j_common_ptr info)
{
    longjmp(reinterpret_cast<ScanWriterError*>(info->err)->jump, 1);
}

// A valid progressive JPEG of a flat grey picture with one scan per coefficient and bit of
// precision: 3 components × 63 coefficients × 11 bit steps, over two thousand scans.
std::vector<unsigned char> manyScanJpeg()
{
    std::vector<jpeg_scan_info> script;
    for (int al = 10; al >= 0; --al)
        script.push_back({3, {0, 1, 2, 0}, 0, 0, al == 10 ? 0 : al + 1, al});
    for (int component = 0; component < 3; ++component) {
        for (int k = 1; k <= 63; ++k) {
            for (int al = 10; al >= 0; --al)
                script.push_back({1, {component, 0, 0, 0}, k, k, al == 10 ? 0 : al + 1, al});
        }
    }
    jpeg_compress_struct info;
    ScanWriterError error;
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = scanWriterExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<unsigned char> row(16 * 3, 128);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace

TEST(JpegCodec, ReadsTheHeaderWithoutDecoding)
{
    const auto bytes = encodeJpeg(redOverBlue(301, 207));
    JpegInfo info;
    ASSERT_EQ(readJpegInfo(bytes.data(), bytes.size(), &info), JpegStatus::Ok);
    EXPECT_EQ(info.width, 301);
    EXPECT_EQ(info.height, 207);
    EXPECT_EQ(info.channels, 3);

    const auto gray = encodeJpeg(redOverBlue(40, 30), 90, true);
    ASSERT_EQ(readJpegInfo(gray.data(), gray.size(), &info), JpegStatus::Ok);
    EXPECT_EQ(info.channels, 1);
}

TEST(JpegCodec, DecodesWholeToBottomUpBgrWithPaddedRows)
{
    // 301 × 3 = 903 bytes of pixels, padded to 904.
    const JpegImage image = decode(encodeJpeg(redOverBlue(301, 200)), 1, JpegStatus::Ok);
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.width, 301);
    EXPECT_EQ(image.height, 200);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(rowStride(301), 904u);
    // The first row in memory is the bottom row of the picture: blue.
    expectNear(pixelAt(image, 0, 0), 255, 0, 0);
    expectNear(pixelAt(image, 150, 10), 255, 0, 0);
    // The last row in memory is the top row: red.
    expectNear(pixelAt(image, 150, 199), 0, 0, 255);
    expectNear(pixelAt(image, 300, 190), 0, 0, 255);
    for (int y = 0; y < image.height; ++y)
        EXPECT_EQ(image.pixels[rowStride(301) * y + 903], 0) << "padding of row " << y;
    EXPECT_TRUE(image.message.empty()) << image.message;
}

TEST(JpegCodec, ReducedDecodesRoundEachSideUp)
{
    const auto bytes = encodeJpeg(redOverBlue(1001, 333));
    const int expected[][3] = {{2, 501, 167}, {4, 251, 84}, {8, 126, 42}};
    for (const auto& row : expected) {
        const JpegImage image = decode(bytes, row[0], JpegStatus::Ok);
        EXPECT_EQ(image.width, row[1]) << "1/" << row[0];
        EXPECT_EQ(image.height, row[2]) << "1/" << row[0];
        EXPECT_EQ(jpegScaledSide(1001, row[0]), row[1]);
        EXPECT_EQ(jpegScaledSide(333, row[0]), row[2]);
        ASSERT_TRUE(image.pixels);
        expectNear(pixelAt(image, image.width / 2, 1), 255, 0, 0);
        expectNear(pixelAt(image, image.width / 2, image.height - 2), 0, 0, 255);
    }
}

TEST(JpegCodec, RefusesOtherScales)
{
    const auto bytes = encodeJpeg(redOverBlue(64, 64));
    for (int denominator : {0, 3, 16, -2})
        decode(bytes, denominator, JpegStatus::Unsupported);
}

TEST(JpegCodec, GreyBecomesThreeEqualChannels)
{
    RgbImage image(64, 48, Rgb{30, 0, 0});
    image.fillRect(0, 0, 32, 48, Rgb{200, 0, 0});
    for (int denominator : {1, 2}) {
        const JpegImage out = decode(encodeJpeg(image, 90, true), denominator, JpegStatus::Ok);
        ASSERT_TRUE(out.pixels);
        EXPECT_EQ(out.channels, 1);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                const unsigned char* p = pixelAt(out, x, y);
                ASSERT_EQ(p[0], p[1]);
                ASSERT_EQ(p[1], p[2]);
            }
        }
        EXPECT_NEAR(pixelAt(out, 2, 2)[0], 200, 8);
        EXPECT_NEAR(pixelAt(out, out.width - 2, 2)[0], 30, 8);
    }
}

TEST(JpegCodec, GreyFixtureDecodes)
{
    const JpegImage out =
        decode(readFile(kJpegFixtures + "pil_hopper_gray.jpg"), 1, JpegStatus::Ok);
    EXPECT_EQ(out.width, 128);
    EXPECT_EQ(out.height, 128);
    const unsigned char* p = pixelAt(out, 60, 70);
    EXPECT_EQ(p[0], p[2]);
}

TEST(JpegCodec, AdobeYcckLooksLikeItsRgbTwin)
{
    const JpegImage cmyk =
        decode(readFile(kJpegFixtures + "pil_sample_cmyk_adobe_ycck.jpg"), 1, JpegStatus::Ok);
    const JpegImage rgb = decode(readFile(kJpegFixtures + "pil_sample_rgb.jpg"), 1, JpegStatus::Ok);
    ASSERT_TRUE(cmyk.pixels && rgb.pixels);
    EXPECT_EQ(cmyk.channels, 4);
    ASSERT_EQ(cmyk.width, rgb.width);
    ASSERT_EQ(cmyk.height, rgb.height);
    double difference = 0;
    for (int y = 0; y < rgb.height; ++y) {
        for (int x = 0; x < rgb.width; ++x) {
            for (int c = 0; c < 3; ++c)
                difference += std::abs(pixelAt(cmyk, x, y)[c] - pixelAt(rgb, x, y)[c]);
        }
    }
    // Colour management differs, so the pictures only resemble each other; an inverted or
    // channel-swapped conversion is far off (well over 100 on average).
    EXPECT_LT(difference / (rgb.width * rgb.height * 3.0), 15.0);
}

TEST(JpegCodec, DecodesTheVariantsOfTheFormat)
{
    const char* files[] = {"ljt_testimgari_arithmetic.jpg",
                           "pil_progressive_444_big_icc.jpg",
                           "pil_iptc_422.jpg",
                           "pil_16bit_qtables.jpg",
                           "malformed/pil_junk_before_marker.jpg",
                           "malformed/pil_ff00_in_header.jpg"};
    for (const char* file : files) {
        const auto bytes = readFile(kJpegFixtures + file);
        ASSERT_FALSE(bytes.empty()) << file;
        JpegImage image;
        EXPECT_EQ(decodeJpeg(bytes.data(), bytes.size(), 1, &image), JpegStatus::Ok) << file;
        EXPECT_GT(image.width, 0) << file;
    }
}

TEST(JpegCodec, TwelveBitPrecisionIsRefused)
{
    const auto bytes = readFile(kJpegFixtures + "ljt_testorig12_12bit.jpg");
    JpegImage image;
    EXPECT_NE(decodeJpeg(bytes.data(), bytes.size(), 1, &image), JpegStatus::Ok);
    EXPECT_FALSE(image.pixels);
}

TEST(JpegCodec, TruncatedFileIsShownWithGreyRowsAndAWarning)
{
    const auto bytes =
        readFile(kJpegFixtures + "malformed/derived_truncated_baseline_2880x2160.jpg");
    const JpegImage image = decode(bytes, 4, JpegStatus::Ok);
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.width, 720);
    EXPECT_EQ(image.height, 540);
    EXPECT_NE(image.message.find("Premature end"), std::string::npos) << image.message;
    // The bottom rows (first in memory) were never in the file: they are one flat colour.
    const unsigned char* first = pixelAt(image, 0, 0);
    for (int x = 0; x < image.width; x += 37)
        EXPECT_EQ(std::memcmp(first, pixelAt(image, x, 3), 3), 0);

    const JpegImage progressive = decode(
        readFile(kJpegFixtures + "malformed/pil_truncated_progressive.jpg"), 1, JpegStatus::Ok);
    EXPECT_EQ(progressive.width, 100);
}

TEST(JpegCodec, HugeHeaderIsRefusedBeforeAllocating)
{
    const auto bytes = readFile(kJpegFixtures + "malformed/derived_sof_claims_65500x65500.jpg");
    JpegInfo info;
    ASSERT_EQ(readJpegInfo(bytes.data(), bytes.size(), &info), JpegStatus::Ok);
    EXPECT_EQ(info.width, 65500);
    // 65500 × 65500 × 3 bytes is far past the cap, and so is every reduced decode of it.
    for (int denominator : {1, 2, 4, 8})
        EXPECT_FALSE(decode(bytes, denominator, JpegStatus::TooLarge).pixels);
}

TEST(JpegCodec, GarbageAndEmptyInputFailCleanly)
{
    const std::vector<unsigned char> garbage(1000, 0x5A);
    decode(garbage, 1, JpegStatus::BadHeader);
    decode({}, 1, JpegStatus::BadHeader);
    JpegInfo info;
    EXPECT_EQ(readJpegInfo(nullptr, 0, &info), JpegStatus::BadHeader);
    const std::vector<unsigned char> soiOnly = {0xFF, 0xD8, 0xFF};
    decode(soiOnly, 1, JpegStatus::BadHeader);
}

TEST(JpegCodec, CutAndFlippedDataNeverCrashes)
{
    const auto good = encodeJpeg(redOverBlue(120, 90));
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        std::vector<unsigned char> bytes(good.begin(), good.begin() + long(cut));
        JpegImage image;
        const JpegStatus status = decodeJpeg(bytes.data(), bytes.size(), 1, &image);
        if (status == JpegStatus::Ok) {
            EXPECT_EQ(image.width, 120);
            EXPECT_TRUE(image.pixels);
        }
    }
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        std::vector<unsigned char> bytes = good;
        for (int flip = 0; flip < 4; ++flip)
            bytes[random() % bytes.size()] ^= static_cast<unsigned char>(1 + random() % 255);
        JpegImage image;
        const JpegStatus status = decodeJpeg(bytes.data(), bytes.size(), 1 << (round % 4), &image);
        if (status == JpegStatus::Ok)
            EXPECT_TRUE(image.pixels);
        else
            EXPECT_FALSE(image.pixels);
    }
}

TEST(JpegCodec, EndlessProgressiveScansAreCut)
{
    const auto bytes = manyScanJpeg();
    ASSERT_FALSE(bytes.empty());
    JpegInfo info;
    ASSERT_EQ(readJpegInfo(bytes.data(), bytes.size(), &info), JpegStatus::Ok);
    const JpegImage image = decode(bytes, 1, JpegStatus::DecodeFailed);
    EXPECT_NE(image.message.find("scans"), std::string::npos) << image.message;
}

TEST(JpegCodec, ProgressiveEighthComesFromTheDcScanAlone)
{
    // Blocks of changing colour: at an eighth of the size each pixel is one block's mean.
    RgbImage image(400, 320, Rgb{0, 0, 0});
    for (int y = 0; y < 320; y += 8)
        for (int x = 0; x < 400; x += 8)
            image.fillRect(x, y, 8, 8,
                           Rgb{static_cast<unsigned char>(x / 2), static_cast<unsigned char>(y / 2),
                               static_cast<unsigned char>((x + y) % 256)});
    const auto bytes = encodeJpeg(image, 90, false, true);
    ASSERT_FALSE(bytes.empty());
    const JpegImage eighth = decode(bytes, 8, JpegStatus::Ok);
    ASSERT_EQ(eighth.width, 50);
    ASSERT_EQ(eighth.height, 40);
    double difference = 0;
    for (int by = 0; by < 40; ++by) {
        for (int bx = 0; bx < 50; ++bx) {
            const Rgb expected = image.at(bx * 8 + 4, by * 8 + 4);
            const unsigned char* p = pixelAt(eighth, bx, 39 - by);
            difference += std::abs(p[2] - expected.r) + std::abs(p[1] - expected.g) +
                          std::abs(p[0] - expected.b);
        }
    }
    EXPECT_LT(difference / (50 * 40 * 3), 4.0);
    // Cut right before the second scan: the eighth needs nothing past the DC scan, so it never
    // meets the cut; a half-size decode reads on and does.
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            scans.push_back(i);
    ASSERT_GE(scans.size(), 2u);
    const std::vector<unsigned char> dcOnly(bytes.begin(), bytes.begin() + long(scans[1]));
    const JpegImage fromDc = decode(dcOnly, 8, JpegStatus::Ok);
    EXPECT_EQ(fromDc.message, "");
    EXPECT_EQ(std::memcmp(fromDc.pixels.get(), eighth.pixels.get(), rowStride(50) * 40), 0);
    EXPECT_NE(decode(dcOnly, 2, JpegStatus::Ok).message.find("Premature end"), std::string::npos);
    // A truncated progressive file still gives an eighth-size picture.
    const auto cut =
        std::vector<unsigned char>(bytes.begin(), bytes.begin() + long(bytes.size() / 3));
    EXPECT_EQ(decode(cut, 8, JpegStatus::Ok).width, 50);
}
