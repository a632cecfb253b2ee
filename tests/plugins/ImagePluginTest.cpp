// The image plug-in on real pictures: sizes, pixel values (checked against ImageMagick's
// decoding of the same files, alpha over white), equal pictures in different encodings,
// malformed files and pictures declared too large to decode.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>

#include "tests/plugins/ImageClient.h"
#include "tests/plugins/TestSupport.h"
#include "tools/BookMaker.h"

namespace {

const std::string kImages = std::string(MEKURI_FIXTURES) + "/images/";

struct Probe {
    int x, y;
    Rgb expected;
};

class ImagePlugin : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(client.ready()) << client.loadError(); }

    // Decodes a fixture, checks its size (also as GetPictureInfo reports it) and the probes,
    // each channel within `tolerance` (16-bit and alpha rounding differ by one between
    // decoders).
    void expectPicture(const std::string& file, int width, int height,
                       const std::vector<Probe>& probes, int tolerance = 1)
    {
        SCOPED_TRACE(file);
        const auto bytes = readFile(kImages + file);
        ASSERT_FALSE(bytes.empty());
        int w = 0, h = 0;
        ASSERT_EQ(client.size(bytes, &w, &h), 0);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        ImageClient::Picture picture;
        ASSERT_EQ(client.decode(bytes, picture), 0);
        ASSERT_EQ(picture.width, width);
        ASSERT_EQ(picture.height, height);
        for (const Probe& p : probes) {
            const Rgb got = picture.at(p.x, p.y);
            EXPECT_NEAR(got.r, p.expected.r, tolerance) << p.x << "," << p.y;
            EXPECT_NEAR(got.g, p.expected.g, tolerance) << p.x << "," << p.y;
            EXPECT_NEAR(got.b, p.expected.b, tolerance) << p.x << "," << p.y;
        }
    }

    // Largest channel difference between two decoded pictures of the same size.
    int maxDifference(const std::string& a, const std::string& b)
    {
        ImageClient::Picture pa, pb;
        EXPECT_EQ(client.decodeFile(kImages + a, pa), 0) << a;
        EXPECT_EQ(client.decodeFile(kImages + b, pb), 0) << b;
        EXPECT_EQ(pa.width, pb.width) << a << " vs " << b;
        EXPECT_EQ(pa.height, pb.height) << a << " vs " << b;
        if (pa.rgb.size() != pb.rgb.size() || pa.rgb.empty())
            return 256;
        int most = 0;
        for (size_t i = 0; i < pa.rgb.size(); ++i)
            most = std::max(most, std::abs(pa.rgb[i] - pb.rgb[i]));
        return most;
    }

    ImageClient client;
};

void appendChunk(std::vector<unsigned char>& png, const char* type,
                 const std::vector<unsigned char>& data)
{
    auto be32 = [&](uint32_t v) {
        for (int k = 3; k >= 0; --k)
            png.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    be32(static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    be32(static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A valid-looking PNG header declaring width × height RGB, followed by a few compressed rows.
std::vector<unsigned char> pngDeclaring(uint32_t width, uint32_t height)
{
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> ihdr;
    for (uint32_t v : {width, height})
        for (int k = 3; k >= 0; --k)
            ihdr.push_back(static_cast<unsigned char>(v >> (8 * k)));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    appendChunk(png, "IHDR", ihdr);
    std::vector<unsigned char> raw(1000, 0), packed(2000);
    uLongf packedSize = packed.size();
    compress(packed.data(), &packedSize, raw.data(), raw.size());
    packed.resize(packedSize);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

// A whole black RGB picture, its rows compressed as tightly as zlib can: the densest real
// PNG there is.
std::vector<unsigned char> blackPng(uint32_t width, uint32_t height)
{
    std::vector<unsigned char> png = pngDeclaring(width, height);
    png.resize(33); // signature and IHDR
    std::vector<unsigned char> raw(size_t(height) * (1 + size_t(width) * 3), 0);
    std::vector<unsigned char> packed(compressBound(raw.size()));
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, raw.data(), raw.size(), 9);
    packed.resize(packedSize);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

std::vector<unsigned char> gifDeclaring(uint16_t width, uint16_t height)
{
    std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a'};
    auto le16 = [&](uint16_t v) {
        gif.push_back(static_cast<unsigned char>(v & 0xFF));
        gif.push_back(static_cast<unsigned char>(v >> 8));
    };
    le16(width);
    le16(height);
    gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255}); // 2-colour global palette
    gif.push_back(0x2C);
    le16(0);
    le16(0);
    le16(width);
    le16(height);
    gif.insert(gif.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    return gif;
}

std::vector<unsigned char> tiffDeclaring(uint32_t width, uint32_t height)
{
    std::vector<unsigned char> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto le = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            tiff.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    struct Tag {
        uint16_t tag, type;
        uint32_t value;
    };
    const Tag tags[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},
                        {259, 3, 1},     {262, 3, 1},      {273, 4, 8},
                        {277, 3, 1},     {278, 4, height}, {279, 4, 64}};
    le(sizeof tags / sizeof tags[0], 2);
    for (const Tag& t : tags) {
        le(t.tag, 2);
        le(t.type, 2);
        le(1, 4);
        le(t.value, 4);
    }
    le(0, 4);
    tiff.resize(tiff.size() + 64, 0);
    return tiff;
}

long peakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int stopAtOnce(int, int, long)
{
    return 1;
}

int countCalls(int, int, long user)
{
    ++*reinterpret_cast<int*>(user);
    return 0;
}

} // namespace

TEST_F(ImagePlugin, PluginInfoNamesTheImageTypeAndPatterns)
{
    EXPECT_EQ(client.info(0), "00IN");
    EXPECT_FALSE(client.info(1).empty());
    const std::string patterns = client.info(2);
    for (const char* p : {"*.png", "*.gif", "*.webp", "*.bmp", "*.tif", "*.tiff"})
        EXPECT_NE(patterns.find(p), std::string::npos) << p;
    EXPECT_EQ(patterns.find("jp"), std::string::npos) << "JPEG stays with the built-in codec";
    EXPECT_EQ(client.info(4), "");
}

TEST_F(ImagePlugin, PngPaletteGreySixteenBitAndAlphaOverWhite)
{
    expectPicture(
        "png/pngsuite_basn3p08.png", 32, 32,
        {{0, 0, {1, 0, 0}}, {5, 3, {51, 26, 0}}, {17, 9, {0, 153, 0}}, {31, 31, {255, 254, 255}}},
        0);
    expectPicture("png/pngsuite_basn0g16.png", 32, 32,
                  {{0, 0, {0, 0, 0}},
                   {5, 3, {50, 50, 50}},
                   {17, 9, {170, 170, 170}},
                   {20, 13, {205, 205, 205}}});
    expectPicture("png/pngsuite_basn2c16.png", 32, 32,
                  {{0, 0, {255, 255, 0}},
                   {5, 3, {213, 230, 0}},
                   {20, 13, {90, 148, 16}},
                   {31, 31, {0, 0, 255}}});
    // Alpha 0 at the top left must come out white, not black.
    expectPicture("png/pngsuite_basn6a08.png", 32, 32,
                  {{0, 0, {255, 255, 255}},
                   {5, 3, {255, 229, 215}},
                   {17, 9, {238, 255, 119}},
                   {20, 13, {152, 255, 94}},
                   {31, 31, {0, 32, 255}}});
    expectPicture("png/pngsuite_basn4a16.png", 32, 32,
                  {{0, 0, {255, 255, 255}}, {5, 3, {213, 213, 213}}, {20, 13, {154, 154, 154}}});
}

TEST_F(ImagePlugin, InterlacedPngsEqualTheirPlainTwins)
{
    for (const char* name : {"0g16", "2c08", "3p01", "3p08", "4a16", "6a08", "6a16"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(maxDifference(std::string("png/pngsuite_basn") + name + ".png",
                                std::string("png/pngsuite_ibasn") + name + "_interlaced.png"),
                  0);
    }
}

TEST_F(ImagePlugin, GifFirstFrameWithTransparencyOverWhite)
{
    expectPicture("gif/pil_transparent.gif", 200, 150,
                  {{0, 0, {255, 255, 255}},
                   {100, 20, {255, 255, 255}},
                   {60, 30, {35, 35, 138}},
                   {31, 31, {53, 53, 216}}},
                  0);
    expectPicture("gif/giflib_treescap_interlaced.gif", 40, 40,
                  {{0, 0, {231, 231, 231}},
                   {5, 3, {110, 110, 110}},
                   {17, 9, {0, 157, 0}},
                   {20, 13, {81, 200, 86}}},
                  0);
    EXPECT_EQ(maxDifference("gif/giflib_treescap.gif", "gif/giflib_treescap_interlaced.gif"), 0);
    // An animation gives its first frame.
    ImageClient::Picture fire;
    ASSERT_EQ(client.decodeFile(kImages + "gif/giflib_fire_animated.gif", fire), 0);
    EXPECT_EQ(fire.width, 30);
    EXPECT_EQ(fire.height, 60);
}

TEST_F(ImagePlugin, WebpLossyLosslessAlphaAndAnimation)
{
    expectPicture("webp/derived_photo_lossless.webp", 600, 472,
                  {{0, 0, {238, 212, 182}}, {100, 20, {36, 105, 158}}, {60, 30, {29, 78, 160}}}, 0);
    expectPicture("webp/pil_lossy_alpha.webp", 200, 150,
                  {{0, 0, {255, 255, 255}}, {60, 30, {35, 36, 139}}, {31, 31, {60, 56, 210}}});
    expectPicture("webp/pil_animated_lossless.webp", 245, 245,
                  {{0, 0, {42, 82, 90}}, {100, 20, {51, 75, 72}}, {60, 30, {7, 132, 83}}});
    ImageClient::Picture lossy;
    ASSERT_EQ(client.decodeFile(kImages + "webp/libwebp_test_lossy.webp", lossy), 0);
    EXPECT_EQ(lossy.width, 128);
}

TEST_F(ImagePlugin, TiffFirstPageOfManyKinds)
{
    expectPicture("tiff/libtiff_rgb_8bit.tiff", 157, 151,
                  {{0, 0, {162, 52, 53}}, {20, 13, {127, 177, 71}}, {100, 20, {203, 53, 35}}}, 0);
    expectPicture("tiff/pil_rgba_16bit_lzw.tiff", 100, 40,
                  {{0, 0, {255, 255, 255}}, {17, 9, {239, 235, 235}}, {60, 30, {220, 216, 209}}});
    EXPECT_LE(maxDifference("tiff/libtiff_rgb_8bit.tiff", "tiff/libtiff_rgb_16bit.tiff"), 1);
    EXPECT_LE(
        maxDifference("tiff/libtiff_minisblack_8bit.tiff", "tiff/libtiff_minisblack_16bit.tiff"),
        1);
    for (const char* name :
         {"libtiff_old_jpeg.tiff", "libtiff_quad_tiled_jpeg.tiff", "pil_cmyk_jpeg_strips.tif",
          "pil_tiled_planar_lzw.tiff", "pil_bigtiff.tif", "libtiff_miniswhite_1bit.tiff",
          "libtiff_palette_4bit.tiff", "pil_ycbcr_jpeg_2x2.tif",
          "libtiff_quad_lzw_oldstyle.tiff"}) {
        ImageClient::Picture picture;
        EXPECT_EQ(client.decodeFile(kImages + "tiff/" + name, picture), 0) << name;
    }
    ImageClient::Picture multipage;
    ASSERT_EQ(client.decodeFile(kImages + "tiff/pil_g4_multipage_3307x4677.tiff", multipage), 0);
    EXPECT_EQ(multipage.width, 3307);
    EXPECT_EQ(multipage.height, 4677);
}

TEST_F(ImagePlugin, BmpVariantsMatchTheirReferencePictures)
{
    // The reference PNGs come with the bitmap suite; they are decoded here by libpng, the
    // bitmaps by the plug-in's own reader.
    struct Pair {
        const char* bmp;
        const char* reference;
        int tolerance;
    };
    const Pair pairs[] = {
        {"bmp/bmpsuite_g_pal1.bmp", "pal1", 0},
        {"bmp/bmpsuite_g_pal4.bmp", "pal4", 0},
        {"bmp/bmpsuite_g_pal4rle.bmp", "pal4", 0},
        {"bmp/bmpsuite_g_pal8.bmp", "pal8", 1},
        {"bmp/bmpsuite_g_rgb24.bmp", "rgb24", 0},
        {"bmp/bmpsuite_g_rgb32.bmp", "rgb24", 0},
        {"bmp/bmpsuite_g_rgb32bf.bmp", "rgb24", 0},
        {"bmp/bmpsuite_g_rgb16.bmp", "rgb16", 1},
        {"bmp/bmpsuite_q_rgb16-231.bmp", "rgb16-231", 1},
        {"bmp/bmpsuite_q_rgba16-4444.bmp", "rgba16-4444", 1},
        {"bmp/bmpsuite_q_rgba32.bmp", "rgba32", 1},
        {"bmp/bmpsuite_q_rgba32abf.bmp", "rgba32", 1},
        {"bmp/bmpsuite_q_pal4rletrns.bmp", "pal4rletrns", 0},
        {"bmp/bmpsuite_q_pal8rletrns.bmp", "pal8rletrns", 0},
        {"bmp/bmpsuite_q_rgb32fakealpha.bmp", "rgb24", 0},
    };
    for (const Pair& p : pairs) {
        EXPECT_LE(
            maxDifference(p.bmp, std::string("bmp/reference/bmpsuite_") + p.reference + ".png"),
            p.tolerance)
            << p.bmp;
    }
    // The reference of the 8-bit palette differs by one here and there: the 8-bit variants
    // are held to the plain 8-bit bitmap exactly.
    for (const char* variant :
         {"g_pal8rle", "g_pal8os2", "g_pal8topdown", "g_pal8v4", "g_pal8v5", "q_pal8os2v2"}) {
        EXPECT_EQ(maxDifference("bmp/bmpsuite_g_pal8.bmp",
                                std::string("bmp/bmpsuite_") + variant + ".bmp"),
                  0)
            << variant;
    }
    EXPECT_EQ(maxDifference("bmp/derived_testorig_24bit_topdown.bmp",
                            "bmp/derived_testorig_32bit_topdown.bmp"),
              0);
}

TEST_F(ImagePlugin, PhotobookPagesOfEveryClaimedKindDecode)
{
    const std::string folder = std::string(MEKURI_FIXTURES) + "/books/photobook_folder/";
    for (const char* name : {"Page10.png", "page2.png", "Page3.webp", "page11.webp", "Page5.bmp",
                             "page4.gif", "page6.tif"}) {
        ImageClient::Picture picture;
        ASSERT_EQ(client.decodeFile(folder + name, picture), 0) << name;
        EXPECT_EQ(picture.width, 600) << name;
        EXPECT_EQ(picture.height, 900) << name;
    }
}

TEST_F(ImagePlugin, MalformedPicturesFailOrDecodeButNeverCrash)
{
    const char* files[] = {"bmp/malformed/bmpsuite_b_badbitcount.bmp",
                           "bmp/malformed/bmpsuite_b_badheadersize.bmp",
                           "bmp/malformed/bmpsuite_b_badpalettesize.bmp",
                           "bmp/malformed/bmpsuite_b_badrle.bmp",
                           "bmp/malformed/bmpsuite_b_badwidth.bmp",
                           "bmp/malformed/bmpsuite_b_pal8badindex.bmp",
                           "bmp/malformed/bmpsuite_b_reallybig.bmp",
                           "bmp/malformed/bmpsuite_b_rletopdown.bmp",
                           "bmp/malformed/bmpsuite_b_shortfile.bmp",
                           "gif/malformed/derived_chi_truncated.gif",
                           "gif/malformed/pil_decompression_bomb.gif",
                           "gif/malformed/pil_no_palette.gif",
                           "png/malformed/derived_basn2c08_bad_idat_crc.png",
                           "png/malformed/libpng_bad_iCCP.png",
                           "png/malformed/libpng_badadler.png",
                           "png/malformed/libpng_badcrc.png",
                           "png/malformed/libpng_huge_IDAT.png",
                           "png/malformed/pil_broken_data_stream.png",
                           "png/malformed/pil_broken_signature.png",
                           "png/malformed/pil_png_zTXt_bomb.png",
                           "png/malformed/pil_truncated_image.png",
                           "webp/malformed/derived_lossless_truncated.webp",
                           "tiff/malformed/libtiff_ifd_loop_to_self.tif",
                           "tiff/malformed/pil_crash_0da013a1.tif",
                           "tiff/malformed/pil_wrong_bits_per_sample.tiff",
                           "jpeg/ljt_testorig_baseline.jpg",
                           "bmp/bmpsuite_q_rgb24jpeg.bmp",
                           "bmp/bmpsuite_q_rgb24png.bmp"};
    int failures = 0;
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const auto bytes = readFile(kImages + name);
        ImageClient::Picture picture;
        finishWithin(60, name, [&] {
            const int rc = client.decode(bytes, picture);
            EXPECT_NE(rc, -100) << "a malformed answer";
            EXPECT_NE(rc, -200) << "blocks handed over with a failure";
            failures += rc != 0;
        });
    }
    EXPECT_GE(failures, 15);
    // Cut-short and bad-check-sum data fail rather than show garbage.
    for (const char* name :
         {"png/malformed/pil_truncated_image.png",
          "png/malformed/derived_basn2c08_bad_idat_crc.png",
          "webp/malformed/derived_lossless_truncated.webp",
          "bmp/malformed/bmpsuite_b_shortfile.bmp", "jpeg/ljt_testorig_baseline.jpg"}) {
        ImageClient::Picture picture;
        EXPECT_NE(client.decodeFile(kImages + name, picture), 0) << name;
    }
}

TEST_F(ImagePlugin, HugeDeclaredPicturesFailFastWithBoundedMemory)
{
    const std::vector<std::vector<unsigned char>> bombs = {
        pngDeclaring(60000, 60000), gifDeclaring(65535, 65535), tiffDeclaring(60000, 60000),
        readFile(kImages + "bmp/malformed/bmpsuite_b_reallybig.bmp"),
        readFile(kImages + "png/malformed/pil_png_zTXt_bomb.png")};
    const long before = peakMemoryKb();
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < bombs.size(); ++i) {
        SCOPED_TRACE(i);
        ImageClient::Picture picture;
        int w = 0, h = 0;
        if (i < 4) {
            EXPECT_NE(client.size(bombs[i], &w, &h), 0);
            EXPECT_NE(client.decode(bombs[i], picture), 0);
        } else {
            client.decode(bombs[i], picture); // the text bomb: 1 × 1, its zTXt left out
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0) << "refusals happen before any decoding";
    EXPECT_LT(peakMemoryKb() - before, 200 * 1024) << "no picture-sized allocation";
    // Just within the limit still decodes: 18000 × 19000 × 3 is below 1 GiB.
    int w = 0, h = 0;
    EXPECT_EQ(client.size(pngDeclaring(18000, 19000), &w, &h), 0);
}

TEST_F(ImagePlugin, ProgressIsCalledAndCanStopTheDecode)
{
    const auto bytes = readFile(kImages + "png/ukui_desert_3640x2400_rgba.png");
    ImageClient::Picture picture;
    int calls = 0;
    ASSERT_EQ(client.decode(bytes, picture, countCalls, reinterpret_cast<long>(&calls)), 0);
    EXPECT_GT(calls, 10);
    EXPECT_NE(client.decode(bytes, picture, stopAtOnce, 0), 0);
    EXPECT_NE(client.decode(readFile(kImages + "bmp/bmpsuite_g_rgb24.bmp"), picture, stopAtOnce, 0),
              0);
}

TEST_F(ImagePlugin, OnlyPicturesInMemoryAreRead)
{
    const auto bytes = readFile(kImages + "png/pngsuite_basn2c08.png");
    ImageClient::Picture picture;
    EXPECT_EQ(client.decode(bytes, picture), 0);
    EXPECT_NE(client.decode(bytes, picture, nullptr, 0, 0), 0) << "flag 0 names a file";
    EXPECT_NE(client.decode(std::vector<unsigned char>{'x'}, picture), 0);
}

// Found by fuzzing: a broken interlaced PNG made libpng jump out of the decode past a vector
// of row pointers, leaking it every time. A book of such pages would leak with every read.
TEST_F(ImagePlugin, BrokenInterlacedPngFailsWithoutLeaking)
{
    const auto bytes = readFile(std::string(MEKURI_TEST_DATA) +
                                "/fuzz/image_plugin/interlaced_png_broken_idat.png");
    ASSERT_EQ(bytes.size(), 117u);
    ImageClient::Picture picture;
    EXPECT_NE(client.decode(bytes, picture), 0);
    // Under AddressSanitizer mallinfo2 reports nothing and LeakSanitizer catches the leak.
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 400; ++i)
        EXPECT_NE(client.decode(bytes, picture), 0);
    EXPECT_LT(mallinfo2().uordblks, before + 16 * 1024) << "256 bytes lost per decode";
}

// Found by fuzzing: a 1,438-byte PNG whose text chunk claims 2 GB. libpng took a buffer of
// that size before finding the data short; the chunk list is now checked against the data
// first, and every chunk cut short is refused the same way.
TEST_F(ImagePlugin, ChunkClaimingMoreThanTheDataIsRefusedBeforeLibpngReadsIt)
{
    const std::string file =
        std::string(MEKURI_TEST_DATA) + "/fuzz/image_plugin/text_chunk_claims_2gb.png";
    ImageClient::Picture picture;
    testing::internal::CaptureStderr();
    EXPECT_NE(client.decodeFile(file, picture), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "mekuri_image: PNG: a chunk runs past the end of the data\n");

    // A whole picture still decodes, and so does one that lost only its IEND chunk, which
    // libpng never reads; the same picture cut before that does not.
    const auto whole = readFile(kImages + "png/pngsuite_basn2c08.png");
    ASSERT_EQ(client.decode(whole, picture), 0);
    for (size_t cut : {size_t(40), whole.size() / 2, whole.size() - 13}) {
        const std::vector<unsigned char> part(whole.begin(), whole.begin() + cut);
        EXPECT_NE(client.decode(part, picture), 0) << cut;
    }
    for (size_t cut : {whole.size() - 12, whole.size() - 1}) {
        const std::vector<unsigned char> part(whole.begin(), whole.begin() + cut);
        EXPECT_EQ(client.decode(part, picture), 0) << cut;
    }
}

// A small file declaring a picture its compressed data cannot fill fails before the picture
// is allocated; the densest real picture, black rows at zlib's best, still decodes.
TEST_F(ImagePlugin, PngWithTooLittleImageDataFailsBeforeAllocating)
{
    const long before = peakMemoryKb();
    ImageClient::Picture picture;
    testing::internal::CaptureStderr();
    EXPECT_NE(client.decode(pngDeclaring(18000, 19000), picture), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "mekuri_image: PNG: 18000 x 19000 needs more image data than the file holds\n");
    EXPECT_LT(peakMemoryKb() - before, 100 * 1024) << "no picture-sized allocation";

    const std::vector<unsigned char> black = blackPng(3000, 2000);
    ASSERT_EQ(client.decode(black, picture), 0) << black.size() << " bytes";
    EXPECT_EQ(picture.width, 3000);
    EXPECT_EQ(picture.height, 2000);
    const Rgb corner = picture.at(2999, 1999);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0);
}
