#include "print/PdfDeviceContext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "PdfTools.h"
#include "RecordingDevice.h"
#include "imaging/Dither.h"
#include "print/PixelOutput.h"

namespace {

DeviceMode a4(int dpi, int orientation)
{
    DeviceMode m;
    m.printerName = "test";
    m.mediaName = "iso_a4_210x297mm";
    m.paperWidth = 21000;
    m.paperLength = 29700;
    m.marginLeft = m.marginRight = 635;
    m.marginTop = m.marginBottom = 1270;
    m.xResolution = m.yResolution = dpi;
    m.orientation = orientation;
    m.color = 2;
    return m;
}

// A 100 mm square sheet with 10 mm margins at 100 dpi: 314 × 314 printable dots, starting at
// dot 39 (10 mm) of the sheet.
DeviceMode smallSheet()
{
    DeviceMode m;
    m.printerName = "test";
    m.paperWidth = m.paperLength = 10000;
    m.marginLeft = m.marginRight = m.marginTop = m.marginBottom = 1000;
    m.xResolution = m.yResolution = 100;
    return m;
}

// A white-is-1 bitmap, width × height, bottom-up, with the given rows (top row first) black.
std::vector<unsigned char> bitmap(int width, int height, int blackTopRows)
{
    const size_t stride = bitRowStride(width);
    std::vector<unsigned char> bits(stride * height, 0);
    for (int line = blackTopRows; line < height; ++line) {
        const int row = height - 1 - line;
        for (int x = 0; x < width; ++x)
            bits[row * stride + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    return bits;
}

bool toolsPresent()
{
    return toolAvailable("pdfinfo") && toolAvailable("pdfimages") && toolAvailable("pdftoppm");
}

} // namespace

TEST(DeviceModeGeometry, A4AtSixHundredDots)
{
    const DeviceMode portrait = a4(600, 1);
    EXPECT_EQ(portrait.physicalWidth(), 4960);
    EXPECT_EQ(portrait.physicalHeight(), 7015);
    EXPECT_EQ(portrait.offsetX(), 150);
    EXPECT_EQ(portrait.offsetY(), 300);
    EXPECT_EQ(portrait.printableWidth(), 4660);
    EXPECT_EQ(portrait.printableHeight(), 6415);
    EXPECT_EQ(portrait.paperSizeCode(), 9);
    const DeviceMode landscape = a4(600, 2);
    EXPECT_EQ(landscape.physicalWidth(), 7015);
    EXPECT_EQ(landscape.physicalHeight(), 4960);
    EXPECT_EQ(landscape.offsetX(), 300);
    EXPECT_EQ(landscape.offsetY(), 150);
    EXPECT_EQ(landscape.printableWidth(), 6415);
    EXPECT_EQ(landscape.printableHeight(), 4660);
}

TEST(DeviceModeGeometry, NonsenseMarginsGiveNoPrintableArea)
{
    DeviceMode m = smallSheet();
    m.marginLeft = 6000;
    m.marginRight = 6000;
    EXPECT_EQ(m.printableWidth(), 0);
    m.xResolution = 0;
    EXPECT_EQ(m.physicalWidth(), 0);
    m.mediaName = "custom_1x1in";
    EXPECT_EQ(m.paperSizeCode(), 0);
}

TEST(PdfDeviceContext, ImagesKeepTheirDepth)
{
    if (!toolsPresent())
        GTEST_SKIP() << "poppler-utils (pdfinfo, pdfimages, pdftoppm) is not installed";
    const ScopedTempFolder folder;
    const std::string pdf = folder.path() + "/depth.pdf";
    PdfDeviceContext dc(a4(600, 1));
    ASSERT_TRUE(dc.open(pdf)) << dc.errorText();
    EXPECT_EQ(dc.printableWidth(), 4660);
    EXPECT_EQ(dc.printableHeight(), 6415);
    EXPECT_TRUE(dc.startPage());
    const auto bits = bitmap(1001, 1400, 700);
    EXPECT_EQ(dc.drawBits1({0, 0, 2002, 2800}, {0, 0, 1001, 1400}, bits.data(), 1001, 1400), 1400);
    const std::vector<unsigned char> gray(grayRowStride(300) * 200, 77);
    EXPECT_EQ(dc.drawGray8({2100, 0, 600, 400}, {0, 0, 300, 200}, gray.data(), 300, 200), 200);
    const auto colour = solidPicture(250, 150, 10, 20, 200);
    EXPECT_EQ(dc.drawBgr24({2100, 500, 500, 300}, {0, 0, 250, 150}, colour.data(), 250, 150), 150);
    EXPECT_TRUE(dc.endPage());
    EXPECT_TRUE(dc.startPage()); // an empty second sheet
    EXPECT_TRUE(dc.endPage());
    ASSERT_TRUE(dc.finish()) << dc.errorText();

    EXPECT_EQ(pdfPageCount(pdf), 2);
    EXPECT_EQ(pdfPageSize(pdf, 1).substr(0, 17), "595.276 x 841.89 ");
    const std::vector<PdfImage> images = pdfImages(pdf);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].type, "stencil");
    EXPECT_EQ(images[0].width, 1001);
    EXPECT_EQ(images[0].height, 1400);
    EXPECT_EQ(images[0].bitsPerComponent, 1);
    EXPECT_EQ(images[1].type, "image");
    EXPECT_EQ(images[1].color, "gray");
    EXPECT_EQ(images[1].bitsPerComponent, 8);
    EXPECT_EQ(images[1].width, 300);
    EXPECT_EQ(images[2].color, "rgb");
    EXPECT_EQ(images[2].bitsPerComponent, 8);
    for (const PdfImage& image : images)
        EXPECT_EQ(image.page, 1);
}

TEST(PdfDeviceContext, LandscapeTurnsTheSheet)
{
    if (!toolsPresent())
        GTEST_SKIP() << "poppler-utils is not installed";
    const ScopedTempFolder folder;
    const std::string pdf = folder.path() + "/landscape.pdf";
    PdfDeviceContext dc(a4(300, 2));
    ASSERT_TRUE(dc.open(pdf));
    EXPECT_EQ(dc.printableWidth(), 3207);
    EXPECT_EQ(dc.printableHeight(), 2330);
    dc.startPage();
    dc.endPage();
    ASSERT_TRUE(dc.finish());
    EXPECT_EQ(pdfPageSize(pdf, 1).substr(0, 17), "841.89 x 595.276 ");
}

TEST(PdfDeviceContext, DevicePixelsAreThePrintersDots)
{
    if (!toolsPresent())
        GTEST_SKIP() << "poppler-utils is not installed";
    const ScopedTempFolder folder;
    const std::string dir = folder.path();
    const std::string pdf = dir + "/dots.pdf";
    PdfDeviceContext dc(smallSheet());
    ASSERT_TRUE(dc.open(pdf));
    ASSERT_EQ(dc.printableWidth(), 314);
    dc.startPage();
    // 40 × 40 bitmap, top 10 rows black, drawn 1:1 at device (100, 50).
    const auto bits = bitmap(40, 40, 10);
    dc.drawBits1({100, 50, 40, 40}, {0, 0, 40, 40}, bits.data(), 40, 40);
    // A colour picture whose top half is red and bottom half blue; only the top-left 10 × 10
    // (source y 30 counted from the bottom) is drawn, doubled, at (200, 200).
    std::vector<unsigned char> picture = solidPicture(40, 40, 255, 0, 0);
    for (int row = 20; row < 40; ++row)
        for (int x = 0; x < 40; ++x) {
            unsigned char* p = &picture[row * 120 + x * 3];
            p[0] = 0;
            p[2] = 255;
        }
    dc.drawBgr24({200, 200, 20, 20}, {0, 30, 10, 10}, picture.data(), 40, 40);
    dc.endPage();
    ASSERT_TRUE(dc.finish());

    const GrayRaster r = rasterise(pdf, 1, 100, dir + "/dots");
    ASSERT_EQ(r.width, 394);
    ASSERT_EQ(r.height, 394);
    const int o = 39;                      // the 10 mm margin in dots
    EXPECT_LT(r.at(o + 110, o + 55), 40);  // black band of the bitmap
    EXPECT_GT(r.at(o + 110, o + 65), 215); // its white part
    EXPECT_GT(r.at(o + 110, o + 45), 215); // above it: paper
    EXPECT_GT(r.at(o + 95, o + 55), 215);  // left of it: paper
    // Red in grey is about 76; blue would be about 29.
    EXPECT_NEAR(r.at(o + 210, o + 210), 76, 12);
    EXPECT_GT(r.at(o + 225, o + 210), 215); // right of the 20 dots drawn: paper
}

TEST(PdfDeviceContext, SourceOutsideThePictureIsClipped)
{
    PdfDeviceContext dc(smallSheet());
    const ScopedTempFolder folder;
    ASSERT_TRUE(dc.open(folder.path() + "/clip.pdf"));
    const auto picture = solidPicture(10, 10, 0, 0, 0);
    EXPECT_EQ(dc.drawBgr24({0, 0, 20, 20}, {5, 5, 10, 10}, picture.data(), 10, 10), 5);
    EXPECT_EQ(dc.drawBgr24({0, 0, 20, 20}, {10, 0, 10, 10}, picture.data(), 10, 10), 0);
    EXPECT_EQ(dc.drawBgr24({0, 0, 0, 20}, {0, 0, 10, 10}, picture.data(), 10, 10), 0);
    EXPECT_EQ(dc.drawGray8({0, 0, 20, 20}, {0, 0, 10, 10}, nullptr, 10, 10), 0);
    EXPECT_TRUE(dc.finish());
}

TEST(PdfDeviceContext, StreamsToAWriterAndReportsWriteFailure)
{
    std::string bytes;
    {
        PdfDeviceContext dc(smallSheet());
        ASSERT_TRUE(dc.open([&bytes](const unsigned char* data, size_t n) {
            bytes.append(reinterpret_cast<const char*>(data), n);
            return true;
        }));
        dc.startPage();
        dc.endPage();
        ASSERT_TRUE(dc.finish());
    }
    EXPECT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
    EXPECT_NE(bytes.find("%%EOF"), std::string::npos);

    PdfDeviceContext failing(smallSheet());
    ASSERT_TRUE(failing.open([](const unsigned char*, size_t) { return false; }));
    failing.startPage();
    failing.endPage();
    EXPECT_FALSE(failing.finish());
    EXPECT_FALSE(failing.errorText().empty());
}

TEST(PdfDeviceContext, RefusesASheetWithoutPrintableArea)
{
    DeviceMode m = smallSheet();
    m.marginTop = 9000;
    m.marginBottom = 2000;
    PdfDeviceContext dc(m);
    const ScopedTempFolder folder;
    EXPECT_FALSE(dc.open(folder.path() + "/none.pdf"));
    EXPECT_FALSE(dc.errorText().empty());
    EXPECT_FALSE(dc.startPage());
    EXPECT_FALSE(dc.finish());
}

TEST(PdfDeviceContext, OpensOnlyOnce)
{
    const ScopedTempFolder folder;
    PdfDeviceContext dc(smallSheet());
    ASSERT_TRUE(dc.open(folder.path() + "/once.pdf"));
    EXPECT_FALSE(dc.open(folder.path() + "/twice.pdf"));
    EXPECT_EQ(dc.errorText(), "document already opened");
    EXPECT_TRUE(dc.finish());
    EXPECT_FALSE(dc.open([](const unsigned char*, size_t) { return true; }));
    EXPECT_FALSE(dc.startPage()); // nothing is drawn after the end
}

TEST(PdfDeviceContext, BinarisedA4PageStaysSmall)
{
    // A 600 dpi A4 page of Floyd–Steinberg dots from a grey ramp through the print path.
    const ScopedTempFolder folder;
    const std::string pdf = folder.path() + "/ramp.pdf";
    PdfDeviceContext dc(a4(600, 1));
    ASSERT_TRUE(dc.open(pdf));
    std::vector<unsigned char> picture = solidPicture(1000, 1400, 0, 0, 0);
    for (int row = 0; row < 1400; ++row)
        for (int x = 0; x < 1000; ++x)
            for (int c = 0; c < 3; ++c)
                picture[row * 3000 + x * 3 + c] = static_cast<unsigned char>(x * 255 / 999);
    dc.startPage();
    testing::internal::CaptureStderr();
    EXPECT_GT(printBlit(dc, 0, 0, 4582, 6415, 1000, 1400, picture.data(), 1000, 1400, 1, 0), 0);
    testing::internal::GetCapturedStderr();
    dc.endPage();
    ASSERT_TRUE(dc.finish());
    struct stat st;
    ASSERT_EQ(stat(pdf.c_str(), &st), 0);
    // The dots alone are 3.7 MB uncompressed; 8-bit grey would be 29 MB.
    EXPECT_LT(st.st_size, 4 * 1024 * 1024);
    if (toolsPresent()) {
        const auto images = pdfImages(pdf);
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].width, 4582);
        EXPECT_EQ(images[0].height, 6415);
        EXPECT_EQ(images[0].bitsPerComponent, 1);
    }
}
