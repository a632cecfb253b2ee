#include "pipeline/Decoders.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <vector>

#include "PipelineTestSupport.h"
#include "pipeline/Bgr24.h"
#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kJpegFixtures = std::string(MEKURI_FIXTURES) + "/images/jpeg/";

struct Decoded {
    int ok = 0;
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char[]> pixels;
};

Decoded decodePage(const std::string& name, const Bytes& bytes)
{
    Decoded d;
    d.ok = get_image(&d.width, &d.height, d.pixels, name, bytes.data(), bytes.size());
    return d;
}

struct Thumbnail {
    int ok = 0;
    int16_t width = 0, height = 0, x = 0, y = 0;
    Bytes pixels = Bytes(128 * 384, 0xEE);
};

Thumbnail thumbnailOf(const std::string& name, const Bytes& bytes)
{
    Thumbnail t;
    t.ok = get_thumbnail(&t.width, &t.height, &t.x, &t.y, t.pixels.data(), bytes.data(),
                         bytes.size(), name);
    return t;
}

Bytes jpegOf(int width, int height, bool gray = false)
{
    RgbImage image(width, height, Rgb{0, 0, 255});
    image.fillRect(0, 0, width, height / 2, Rgb{255, 0, 0});
    return encodeJpeg(image, 90, gray);
}

const Bytes kDummy = {'D', 'U', 'M', 'M', 'Y', 'F', 'I', 'L', 'E', 0};

} // namespace

TEST(GetImage, DecodesJpegNamesWithTheBuiltInCodec)
{
    RegistryScope scope;
    for (const char* name : {"a.jpg", "B.JPG", "dir/c.Jpeg", "d.JPEG"}) {
        TraceCapture trace;
        const Decoded d = decodePage(name, jpegOf(64, 40));
        EXPECT_EQ(d.ok, 1) << name;
        EXPECT_EQ(d.width, 64);
        EXPECT_EQ(d.height, 40);
        EXPECT_NE(trace.text().find(std::string("whichSpi(") + name + ") -> -1\n"),
                  std::string::npos);
    }
    // Top half red: the last rows in memory.
    const Decoded d = decodePage("a.jpg", jpegOf(64, 40));
    EXPECT_NEAR(bgrAt(d.pixels.get(), 64, 10, 39)[2], 255, 10);
    EXPECT_NEAR(bgrAt(d.pixels.get(), 64, 10, 0)[0], 255, 10);
}

TEST(GetImage, OtherNamesWithoutAPluginFail)
{
    RegistryScope scope;
    EXPECT_EQ(decodePage("a.png", jpegOf(8, 8)).ok, 0);
    EXPECT_EQ(decodePage("a.jpg.txt", jpegOf(8, 8)).ok, 0);
    EXPECT_EQ(decodePage("ajpg", jpegOf(8, 8)).ok, 0);
}

TEST(GetImage, GreyJpegHasThreeEqualChannels)
{
    RegistryScope scope;
    const Decoded d = decodePage("g.jpg", jpegOf(30, 20, true));
    ASSERT_EQ(d.ok, 1);
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            const unsigned char* p = bgrAt(d.pixels.get(), d.width, x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
        }
    }
}

TEST(GetImage, PlaceholderBlockNeverDecodes)
{
    RegistryScope scope("registry");
    // The tag plug-in decodes any bytes at all, yet not the placeholder.
    EXPECT_EQ(decodePage("page.pic", kDummy).ok, 0);
    EXPECT_EQ(decodePage("page.jpg", kDummy).ok, 0);
    Bytes almost = kDummy;
    almost[9] = '!';
    EXPECT_EQ(decodePage("page.pic", almost).ok, 1);
    Bytes longer = kDummy;
    longer.push_back(0);
    EXPECT_EQ(decodePage("page.pic", longer).ok, 1);
    int16_t w, h, x, y;
    Bytes destination(128 * 384);
    EXPECT_EQ(get_thumbnail(&w, &h, &x, &y, destination.data(), kDummy.data(), 10, "page.pic"), 0);
}

TEST(GetImage, ThePluginThatSortsFirstDecodes)
{
    RegistryScope scope("registry");
    const Bytes anything = {1, 2, 3};
    const Decoded pic = decodePage("page.pic", anything);
    ASSERT_EQ(pic.ok, 1);
    EXPECT_EQ(pic.width, 2);
    EXPECT_EQ(pic.height, 1);
    EXPECT_EQ(pic.pixels[0], 2); // img2.spi, not img10.spi
    const Decoded zz = decodePage("page.zz", anything);
    ASSERT_EQ(zz.ok, 1);
    EXPECT_EQ(zz.pixels[0], 4); // alpha.spi, not Zeta.spi
}

TEST(GetImage, PluginClaimingJpegTakesItFromTheCodec)
{
    RegistryScope scope("jpegclaim");
    const Decoded claimed = decodePage("photo.jpg", jpegOf(64, 40));
    ASSERT_EQ(claimed.ok, 1);
    EXPECT_EQ(claimed.width, 2);
    EXPECT_EQ(claimed.pixels[0], 11);
    // *.jpeg is not among its patterns: the codec keeps it.
    const Decoded builtIn = decodePage("photo.jpeg", jpegOf(64, 40));
    ASSERT_EQ(builtIn.ok, 1);
    EXPECT_EQ(builtIn.width, 64);
}

TEST(GetImage, PluginPicturesOfEveryDepthComeOutBottomUp)
{
    RegistryScope scope("registry");
    // A top-down 24-bit picture of 2 rows: the first source row is the top.
    const Bytes rows = {1, 2, 3, 4, 5, 6, 0, 0, 11, 12, 13, 14, 15, 16, 0, 0};
    TraceCapture trace;
    const Decoded top = decodePage("p.pic", pictureRecipe(0, bitmapInfo(2, -2, 24, 0), rows));
    EXPECT_NE(trace.text().find("expanded by SPI. size= 2x-2 24bit\n"), std::string::npos);
    ASSERT_EQ(top.ok, 1);
    EXPECT_EQ(top.height, 2);
    EXPECT_EQ(bgrAt(top.pixels.get(), 2, 0, 1)[0], 1);
    EXPECT_EQ(bgrAt(top.pixels.get(), 2, 0, 0)[0], 11);

    // A 4-bit picture 5 pixels wide: exactly five pixels per row.
    std::vector<uint32_t> palette(16, 0);
    palette[1] = 0x00FF0000;
    palette[2] = 0x000000FF;
    const Bytes nibbles = {0x12, 0x12, 0x1F, 0xEE};
    const Decoded four =
        decodePage("p.pic", pictureRecipe(0, bitmapInfo(5, 1, 4, 0, palette), nibbles));
    ASSERT_EQ(four.ok, 1);
    EXPECT_EQ(four.width, 5);
    EXPECT_EQ(bgrAt(four.pixels.get(), 5, 0, 0)[2], 0xFF);
    EXPECT_EQ(bgrAt(four.pixels.get(), 5, 1, 0)[0], 0xFF);
    EXPECT_EQ(bgrAt(four.pixels.get(), 5, 4, 0)[2], 0xFF);
    EXPECT_EQ(four.pixels[15], 0); // the padding after the fifth pixel
}

TEST(GetImage, PluginFailuresAndMalformedPicturesFailWithATrace)
{
    RegistryScope scope("registry");
    const Bytes rows(16, 7);
    {
        TraceCapture trace;
        EXPECT_EQ(decodePage("p.pic", pictureRecipe(1, bitmapInfo(2, 2, 24, 0), rows)).ok, 0);
        EXPECT_NE(trace.text().find("get_image_spi failed\n"), std::string::npos);
    }
    const Bytes cases[] = {
        pictureRecipe(0, bitmapInfo(0, 2, 24, 0), rows),         // zero width
        pictureRecipe(0, bitmapInfo(1000, 1000, 24, 0), rows),   // rows the block lacks
        pictureRecipe(0, bitmapInfo(2, 2, 1, 0), rows),          // 1-bit
        pictureRecipe(0, Bytes(20, 0), rows),                    // a header cut short
        pictureRecipe(0, bitmapInfo(2, 2, 24, 0), Bytes()),      // no pixel block
        pictureRecipe(0, Bytes(), rows),                         // no info block
        pictureRecipe(0, bitmapInfo(50000, 50000, 24, 0), rows), // past the size cap
    };
    for (const Bytes& input : cases) {
        TraceCapture trace;
        const Decoded d = decodePage("p.pic", input);
        EXPECT_EQ(d.ok, 0);
        EXPECT_FALSE(d.pixels);
        EXPECT_NE(trace.text().find("get_image_spi: "), std::string::npos);
    }
}

TEST(GetImage, BrokenJpegsFailWithATrace)
{
    RegistryScope scope;
    {
        TraceCapture trace;
        EXPECT_EQ(decodePage("a.jpg", Bytes()).ok, 0);
        EXPECT_NE(trace.text().find("IJL read parameters error"), std::string::npos);
    }
    {
        TraceCapture trace;
        const Decoded d = decodePage(
            "a.jpg", readFile(kJpegFixtures + "malformed/derived_sof_claims_65500x65500.jpg"));
        EXPECT_EQ(d.ok, 0);
        EXPECT_NE(trace.text().find("picture too large: 65500x65500\n"), std::string::npos);
    }
    {
        // A CMYK file is not one of the two usual layouts: traced, and converted all the same.
        TraceCapture trace;
        const Decoded d =
            decodePage("a.jpg", readFile(kJpegFixtures + "pil_sample_cmyk_adobe_ycck.jpg"));
        EXPECT_EQ(d.ok, 1);
        EXPECT_NE(trace.text().find("Unknown format\n"), std::string::npos);
    }
    {
        TraceCapture trace;
        const Decoded d =
            decodePage("a.jpg", readFile(kJpegFixtures +
                                         "malformed/derived_truncated_baseline_2880x2160.jpg"));
        EXPECT_EQ(d.ok, 1);
        EXPECT_EQ(d.width, 2880);
        EXPECT_NE(trace.text().find("JPEG warning: Premature end"), std::string::npos);
    }
}

TEST(GetImageInfo, ReadsSizesWithoutDecoding)
{
    RegistryScope scope("registry");
    int w = 0, h = 0;
    const Bytes jpeg = jpegOf(123, 45);
    {
        TraceCapture trace;
        EXPECT_EQ(get_image_info(jpeg.size(), "x.jpg", &w, &h, jpeg.data()), 0); // 0 is success
        EXPECT_NE(trace.text().find("get_image_info_ijl 123x45\n"), std::string::npos);
    }
    EXPECT_EQ(w, 123);
    EXPECT_EQ(h, 45);
    {
        TraceCapture trace;
        EXPECT_EQ(get_image_info(3, "x.zz", &w, &h, jpeg.data()), 0);
        EXPECT_NE(trace.text().find("get_image_info_spi 104x50\n"), std::string::npos);
    }
    EXPECT_EQ(w, 104); // alpha.spi, tag 4
    const Bytes topDown = pictureRecipe(0, bitmapInfo(7, -9, 24, 0), Bytes());
    EXPECT_EQ(get_image_info(topDown.size(), "x.pic", &w, &h, topDown.data()), 0);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
}

TEST(GetImageInfo, FailuresReportOne)
{
    RegistryScope scope("registry");
    int w = -1, h = -1;
    const Bytes garbage(100, 0x33);
    {
        TraceCapture trace;
        EXPECT_EQ(get_image_info(garbage.size(), "x.jpg", &w, &h, garbage.data()), 1);
        EXPECT_NE(trace.text().find("get_image_info_ijl failed\n"), std::string::npos);
    }
    const Bytes refused = pictureRecipe(5, bitmapInfo(7, 9, 24, 0), Bytes());
    const Bytes noWidth = pictureRecipe(0, bitmapInfo(0, 9, 24, 0), Bytes());
    for (const Bytes* input : {&refused, &noWidth}) {
        TraceCapture trace;
        EXPECT_EQ(get_image_info(input->size(), "x.pic", &w, &h, input->data()), 1);
        EXPECT_NE(trace.text().find("get_image_info_spi failed\n"), std::string::npos);
    }
    EXPECT_EQ(get_image_info(garbage.size(), "x.bmp", &w, &h, garbage.data()), 1);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
}

TEST(Thumbnail, ReducedDecodeScaleKeepsBothSidesAtLeast128)
{
    EXPECT_EQ(thumbnailDenominator(2000, 3000), 8);
    EXPECT_EQ(thumbnailDenominator(300, 300), 2);
    EXPECT_EQ(thumbnailDenominator(250, 250), 1);
    EXPECT_EQ(thumbnailDenominator(1000, 1500), 4);
    EXPECT_EQ(thumbnailDenominator(256, 5000), 2);
    EXPECT_EQ(thumbnailDenominator(1017, 1017), 8); // ceil(1017 / 8) = 128
    EXPECT_EQ(thumbnailDenominator(1016, 1017), 4);
}

TEST(Thumbnail, LargeJpegIsDecodedAtAnEighth)
{
    RegistryScope scope;
    TraceCapture trace;
    const Thumbnail t = thumbnailOf("big.jpg", jpegOf(2000, 3000));
    const std::string text = trace.text();
    ASSERT_EQ(t.ok, 1);
    EXPECT_NE(text.find("get_thumbnail_ijl 2000x3000 at 1/8\n"), std::string::npos) << text;
    // Decoded 250 × 375, fitted to 85 × 128.
    EXPECT_EQ(t.width, 85);
    EXPECT_EQ(t.height, 128);
    EXPECT_EQ(t.x, 21);
    EXPECT_EQ(t.y, 0);
    // Top half red (last rows), bottom half blue.
    EXPECT_NEAR(bgrAt(t.pixels.data(), 85, 40, 120)[2], 255, 12);
    EXPECT_NEAR(bgrAt(t.pixels.data(), 85, 40, 5)[0], 255, 12);
    // Nothing is written past the thumbnail's own rows.
    for (size_t i = rowStride(85) * 128; i < t.pixels.size(); ++i)
        ASSERT_EQ(t.pixels[i], 0xEE) << i;
}

TEST(Thumbnail, SizesAndOffsetsCentreThePicture)
{
    RegistryScope scope;
    struct Case {
        int w, h, tw, th, x, y, denominator;
    } cases[] = {{100, 50, 128, 64, 0, 32, 1},    {50, 100, 64, 128, 32, 0, 1},
                 {250, 375, 85, 128, 21, 0, 1},   {300, 300, 128, 128, 0, 0, 2},
                 {1000, 1500, 85, 128, 21, 0, 4}, {1, 1000, 1, 128, 63, 0, 1},
                 {1000, 3, 128, 1, 0, 63, 1}};
    for (const Case& c : cases) {
        TraceCapture trace;
        const Thumbnail t = thumbnailOf("t.jpg", jpegOf(c.w, c.h));
        const std::string text = trace.text();
        ASSERT_EQ(t.ok, 1) << c.w << "x" << c.h;
        EXPECT_EQ(t.width, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(t.height, c.th) << c.w << "x" << c.h;
        EXPECT_EQ(t.x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(t.y, c.y) << c.w << "x" << c.h;
        EXPECT_NE(text.find(" at 1/" + std::to_string(c.denominator) + "\n"), std::string::npos)
            << text;
    }
}

TEST(Thumbnail, PluginPicturesAndGreyJpegs)
{
    RegistryScope scope("registry");
    const Thumbnail t = thumbnailOf("p.pic", Bytes{1});
    ASSERT_EQ(t.ok, 1);
    EXPECT_EQ(t.width, 128); // 2 × 1 → 128 × 64
    EXPECT_EQ(t.height, 64);
    EXPECT_EQ(t.y, 32);
    EXPECT_NEAR(t.pixels[0], 2, 1);

    const Thumbnail grey = thumbnailOf("g.jpg", jpegOf(400, 300, true));
    ASSERT_EQ(grey.ok, 1);
    const unsigned char* p = bgrAt(grey.pixels.data(), grey.width, 64, 20);
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);

    EXPECT_EQ(thumbnailOf("t.txt", jpegOf(400, 300)).ok, 0);
    EXPECT_EQ(thumbnailOf("t.jpg", Bytes(50, 1)).ok, 0);
    EXPECT_EQ(thumbnailOf("t.pic", pictureRecipe(0, bitmapInfo(0, 5, 24, 0), Bytes(64))).ok, 0);
}

struct Fitted {
    int ok = 0;
    int width = 0, height = 0;
    std::unique_ptr<unsigned char[]> pixels;
};

Fitted fittedOf(int cell, bool enlarge, const std::string& name, const Bytes& bytes)
{
    Fitted f;
    f.ok = get_thumbnail_fitted(cell, enlarge, bytes.data(), bytes.size(), name, &f.width,
                                &f.height, f.pixels);
    return f;
}

TEST(FittedThumbnail, ReducedDecodeFollowsTheCellSize)
{
    EXPECT_EQ(thumbnailDenominator(2000, 3000, 256), 4);
    EXPECT_EQ(thumbnailDenominator(2048, 2048, 256), 8);
    EXPECT_EQ(thumbnailDenominator(2040, 2048, 256), 4); // ceil(2040 / 8) = 255
    EXPECT_EQ(thumbnailDenominator(4000, 4000, 1024), 2);
    EXPECT_EQ(thumbnailDenominator(100, 100, 16), 4);

    RegistryScope scope;
    TraceCapture trace;
    const Fitted f = fittedOf(256, true, "big.jpg", jpegOf(2000, 3000));
    ASSERT_EQ(f.ok, 1);
    EXPECT_NE(trace.text().find("get_thumbnail_ijl 2000x3000 at 1/4\n"), std::string::npos)
        << trace.text();
    // Decoded 500 × 750, fitted to 170 × 256.
    EXPECT_EQ(f.width, 170);
    EXPECT_EQ(f.height, 256);
    EXPECT_NEAR(bgrAt(f.pixels.get(), 170, 80, 250)[2], 255, 12); // top half red
    EXPECT_NEAR(bgrAt(f.pixels.get(), 170, 80, 5)[0], 255, 12);   // bottom half blue
}

TEST(FittedThumbnail, SmallPicturesAreEnlargedOnlyWhenAsked)
{
    RegistryScope scope;
    const Bytes small = jpegOf(100, 50);
    const Fitted kept = fittedOf(256, false, "s.jpg", small);
    ASSERT_EQ(kept.ok, 1);
    EXPECT_EQ(kept.width, 100);
    EXPECT_EQ(kept.height, 50);
    // Kept as decoded, pixel for pixel.
    const Decoded d = decodePage("s.jpg", small);
    ASSERT_EQ(d.ok, 1);
    EXPECT_EQ(std::memcmp(kept.pixels.get(), d.pixels.get(), pictureBytes(100, 50)), 0);

    const Fitted enlarged = fittedOf(256, true, "s.jpg", small);
    ASSERT_EQ(enlarged.ok, 1);
    EXPECT_EQ(enlarged.width, 256);
    EXPECT_EQ(enlarged.height, 128);

    // Larger in one direction only: reduced to fit, proportions kept.
    const Fitted wide = fittedOf(256, false, "w.jpg", jpegOf(300, 100));
    ASSERT_EQ(wide.ok, 1);
    EXPECT_EQ(wide.width, 256);
    EXPECT_EQ(wide.height, 85);
    const Fitted tall = fittedOf(64, false, "t.jpg", jpegOf(10, 65));
    ASSERT_EQ(tall.ok, 1);
    EXPECT_EQ(tall.width, 9);
    EXPECT_EQ(tall.height, 64);
}

TEST(FittedThumbnail, AtTheCatalogSizeItIsTheCatalogThumbnail)
{
    RegistryScope scope("registry");
    const std::vector<std::pair<std::string, Bytes>> pages = {
        {"a.jpg", jpegOf(1000, 700)}, {"b.jpg", jpegOf(90, 40, true)}, {"c.pic", Bytes{1}}};
    for (const auto& [name, bytes] : pages) {
        const Thumbnail t = thumbnailOf(name, bytes);
        const Fitted f = fittedOf(128, true, name, bytes);
        ASSERT_EQ(t.ok, 1) << name;
        ASSERT_EQ(f.ok, 1) << name;
        ASSERT_EQ(f.width, t.width) << name;
        ASSERT_EQ(f.height, t.height) << name;
        EXPECT_EQ(std::memcmp(f.pixels.get(), t.pixels.data(), pictureBytes(f.width, f.height)), 0)
            << name;
    }
}

TEST(FittedThumbnail, RefusesWhatCannotBeDecodedAndEmptyCells)
{
    RegistryScope scope("registry");
    EXPECT_EQ(fittedOf(0, true, "a.jpg", jpegOf(40, 40)).ok, 0);
    EXPECT_EQ(fittedOf(-5, false, "a.jpg", jpegOf(40, 40)).ok, 0);
    EXPECT_EQ(fittedOf(256, false, "page.pic", kDummy).ok, 0);
    EXPECT_EQ(fittedOf(256, false, "t.txt", jpegOf(40, 40)).ok, 0);
    EXPECT_EQ(fittedOf(256, false, "t.jpg", Bytes(50, 1)).ok, 0);
    EXPECT_EQ(fittedOf(1, true, "a.jpg", jpegOf(40, 20)).width, 1);
}

TEST(ScaleImage, ChoosesTheInterpolationByQualityAndDirection)
{
    // A 7 × 5 irregular picture (odd width: padded rows) with junk in the padding bytes.
    const int w = 7, h = 5;
    Bytes source(rowStride(w) * h, 0xAB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                source[rowStride(w) * y + x * 3 + c] =
                    static_cast<unsigned char>((x * 37 + y * 101 + c * 59) * 73 % 251);
    const cv::Mat from(h, w, CV_8UC3, source.data(), rowStride(w));
    auto reference = [&](int dw, int dh, int interpolation) {
        cv::Mat out;
        cv::resize(from, out, cv::Size(dw, dh), 0, 0, interpolation);
        Bytes bytes(rowStride(dw) * dh, 0);
        for (int y = 0; y < dh; ++y)
            std::memcpy(&bytes[rowStride(dw) * y], out.ptr(y), size_t(dw) * 3);
        return bytes;
    };
    auto scaled = [&](int dw, int dh, int quality) {
        Bytes bytes(rowStride(dw) * dh, 0);
        scaleImage(source.data(), w, h, dw, dh, bytes.data(), quality);
        return bytes;
    };
    struct Case {
        int dw, dh, quality, expected, other;
    } cases[] = {{13, 9, 0, cv::INTER_LINEAR, cv::INTER_CUBIC},
                 {13, 9, 1, cv::INTER_CUBIC, cv::INTER_LINEAR},
                 {9, 3, 1, cv::INTER_CUBIC, cv::INTER_AREA}, // wider: enlarging
                 {3, 2, 1, cv::INTER_AREA, cv::INTER_LINEAR},
                 {3, 2, 0, cv::INTER_LINEAR, cv::INTER_AREA}};
    for (const Case& c : cases) {
        const Bytes out = scaled(c.dw, c.dh, c.quality);
        EXPECT_EQ(out, reference(c.dw, c.dh, c.expected))
            << c.dw << "x" << c.dh << " q" << c.quality;
        EXPECT_NE(out, reference(c.dw, c.dh, c.other)) << "the case must tell the two apart";
    }
    // Same size: a copy.
    const Bytes same = scaled(w, h, 1);
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(std::memcmp(&same[rowStride(w) * y], &source[rowStride(w) * y], w * 3), 0);
}

TEST(ScaleImage, IgnoresEmptySizes)
{
    Bytes source(12, 1), destination(12, 9);
    scaleImage(source.data(), 0, 1, 1, 1, destination.data(), 0);
    scaleImage(source.data(), 1, 1, 0, 1, destination.data(), 0);
    scaleImage(nullptr, 1, 1, 1, 1, destination.data(), 0);
    EXPECT_EQ(destination, Bytes(12, 9));
}
