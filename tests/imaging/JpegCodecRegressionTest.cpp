// JPEG inputs the fuzz target (fuzz/jpeg_decoder_fuzz.cpp) showed faults with, kept under
// tests/data/fuzz/jpeg_decoder/, and the limits their fixes set.
#include "imaging/JpegCodec.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "tools/BookMaker.h"

namespace {

const std::string kCases = std::string(MEKURI_TEST_DATA) + "/fuzz/jpeg_decoder/";

std::vector<unsigned char> readCase(const std::string& name)
{
    return readFile(kCases + name);
}

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A flat grey JPEG (4:2:0; progressive with libjpeg's usual scan script, or baseline) of the
// given size. Flat blocks cost about a bit each in a progressive file, two in a baseline one.
std::vector<unsigned char> flatJpeg(int width, int height, bool progressive)
{
    return encodeJpeg(RgbImage(width, height, Rgb{200, 200, 200}), 75, false, progressive);
}

} // namespace

// 558 bytes whose progressive 4:4:4 header declares 18000 × 18000 (972 MB of output, within
// the picture cap). libjpeg keeps every coefficient of a progressive picture, 1.9 GB here, and
// filled it all from a file with almost no data: more than 2 GB resident for one broken page.
// The codec's working memory is now bounded by what the file can hold, so the decode fails
// after a few megabytes, at every scale.
TEST(JpegCodecRegression, TinyProgressiveFileDeclaringAHugePictureFailsWithLittleMemory)
{
    const std::vector<unsigned char> bytes = readCase("progressive_444_declares_18000x18000.jpg");
    ASSERT_EQ(bytes.size(), 558u);
    JpegInfo info;
    ASSERT_EQ(readJpegInfo(bytes.data(), bytes.size(), &info), JpegStatus::Ok);
    EXPECT_EQ(info.width, 18000);
    const long before = peakResidentKb();
    for (int denominator : {1, 8}) {
        JpegImage image;
        EXPECT_EQ(decodeJpeg(bytes.data(), bytes.size(), denominator, &image),
                  JpegStatus::DecodeFailed)
            << denominator;
        EXPECT_FALSE(image.pixels);
    }
    EXPECT_LT(peakResidentKb() - before, 256 * 1024);
}

// A real progressive picture whose coefficients need more than the smallest allowance (5000 ×
// 5000 in 4:2:0: 75 MB of coefficients from a file of about 150 KB) still decodes; the same
// file cut inside its first scan no longer holds a bit for every block and is refused.
TEST(JpegCodecRegression, ProgressiveMemoryFollowsTheFileSize)
{
    const std::vector<unsigned char> bytes = flatJpeg(5000, 5000, true);
    ASSERT_GT(bytes.size(), 40000u);
    JpegImage image;
    ASSERT_EQ(decodeJpeg(bytes.data(), bytes.size(), 8, &image), JpegStatus::Ok) << image.message;
    EXPECT_EQ(image.width, 625);
    EXPECT_EQ(image.height, 625);

    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + 20000);
    JpegImage cutImage;
    EXPECT_EQ(decodeJpeg(cut.data(), cut.size(), 8, &cutImage), JpegStatus::DecodeFailed);
}

// 520 bytes declaring a 65297 × 2237 CMYK picture, 146 megapixels. libjpeg painted it grey
// from nothing: 438 MB and five seconds a decode under the fuzzer. A file with so little data
// for its blocks is refused at once, at every scale; its size can still be read.
TEST(JpegCodecRegression, FileWithTooLittleDataForItsBlocksIsRefused)
{
    const std::vector<unsigned char> bytes = readCase("cmyk_520_bytes_declares_65297x2237.jpg");
    ASSERT_EQ(bytes.size(), 520u);
    JpegInfo info;
    ASSERT_EQ(readJpegInfo(bytes.data(), bytes.size(), &info), JpegStatus::Ok);
    EXPECT_EQ(info.width, 65297);
    const long before = peakResidentKb();
    for (int denominator : {1, 2, 4, 8}) {
        JpegImage image;
        EXPECT_EQ(decodeJpeg(bytes.data(), bytes.size(), denominator, &image),
                  JpegStatus::DecodeFailed)
            << denominator;
        EXPECT_EQ(image.message, "too little data for 65297 x 2237 pixels");
        EXPECT_FALSE(image.pixels);
    }
    EXPECT_LT(peakResidentKb() - before, 16 * 1024);
}

// A flat baseline picture (about 141 KB for its 212,064 blocks with libjpeg's standard tables)
// decodes, and so does the same file cut to a quarter (grey rows below); cut to a hundredth it
// holds too little and is refused.
TEST(JpegCodecRegression, FlatPicturesAndFilesCutPartWayStillDecode)
{
    const std::vector<unsigned char> bytes = flatJpeg(3000, 3000, false);
    JpegImage image;
    ASSERT_EQ(decodeJpeg(bytes.data(), bytes.size(), 1, &image), JpegStatus::Ok) << image.message;
    const std::vector<unsigned char> quarter(bytes.begin(), bytes.begin() + long(bytes.size() / 4));
    JpegImage cut;
    EXPECT_EQ(decodeJpeg(quarter.data(), quarter.size(), 1, &cut), JpegStatus::Ok) << cut.message;
    EXPECT_NE(cut.message.find("Premature end"), std::string::npos) << cut.message;
    const std::vector<unsigned char> hundredth(bytes.begin(),
                                               bytes.begin() + long(bytes.size() / 100));
    JpegImage tiny;
    EXPECT_EQ(decodeJpeg(hundredth.data(), hundredth.size(), 1, &tiny), JpegStatus::DecodeFailed)
        << bytes.size();
}
