#include "thumbnailer/BookThumbnail.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "ThumbnailerTestSupport.h"
#include "pipeline/Bgr24.h"
#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Entries = std::vector<std::pair<std::string, Bytes>>;

const std::string kFixtures = MEKURI_FIXTURES;

// A page whose top half is red and bottom half blue, so orientation shows.
Bytes twoTonePage(int width, int height)
{
    RgbImage image(width, height, Rgb{0, 0, 255});
    image.fillRect(0, 0, width, height / 2, Rgb{255, 0, 0});
    return encodeJpeg(image, 90);
}

Bytes plainPage(int width, int height, Rgb colour)
{
    return encodeJpeg(RgbImage(width, height, colour), 90);
}

// The pixel at (x, y) counted from the top of a BGR24 picture, as red, green, blue.
Rgb pixelFromTop(const BookPicture& p, int x, int y)
{
    const unsigned char* bgr =
        p.pixels.get() + rowStride(p.width) * static_cast<size_t>(p.height - 1 - y) + x * 3;
    return Rgb{bgr[2], bgr[1], bgr[0]};
}

void expectNear(Rgb got, Rgb want, int tolerance = 16)
{
    EXPECT_NEAR(got.r, want.r, tolerance);
    EXPECT_NEAR(got.g, want.g, tolerance);
    EXPECT_NEAR(got.b, want.b, tolerance);
}

} // namespace

TEST(BookThumbnail, FirstPageInNameOrderOfAZipFittedIntoTheSquare)
{
    ShippedPlugins plugins;
    ScratchFolder folder;
    // Stored out of order, with a text file that sorts first: page01 is the cover.
    const Entries entries = {{"page02.jpg", plainPage(300, 300, Rgb{0, 255, 0})},
                             {"a-readme.txt", {'h', 'i'}},
                             {"page01.jpg", twoTonePage(600, 900)}};
    ASSERT_TRUE(writeZip(folder.file("book.zip"), entries));
    BookPicture picture;
    ASSERT_EQ(makeBookThumbnail(folder.file("book.zip"), 256, picture), "");
    EXPECT_EQ(picture.width, 170); // 600 × 900 → 256 high, 256 × 600 / 900 = 170.7 wide
    EXPECT_EQ(picture.height, 256);
    expectNear(pixelFromTop(picture, 85, 10), Rgb{255, 0, 0});
    expectNear(pixelFromTop(picture, 85, 245), Rgb{0, 0, 255});
}

TEST(BookThumbnail, ComicArchivesGoThroughThePlugin)
{
    ShippedPlugins plugins;
    ScratchFolder folder;
    ASSERT_TRUE(writeZip(folder.file("book.cbz"), {{"p1.jpg", twoTonePage(400, 200)}}));
    BookPicture picture;
    ASSERT_EQ(makeBookThumbnail(folder.file("book.cbz"), 128, picture), "");
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 64);
    expectNear(pixelFromTop(picture, 64, 5), Rgb{255, 0, 0});
}

TEST(BookThumbnail, RarWithAPictureAndAFolder)
{
    ShippedPlugins plugins;
    BookPicture rar;
    ASSERT_EQ(makeBookThumbnail(kFixtures + "/archives/rar4/unrarjs_test_with_jpeg.rar", 64, rar),
              "");
    EXPECT_TRUE(rar.width == 64 || rar.height == 64) << rar.width << "x" << rar.height;
    EXPECT_LE(rar.width, 64);
    EXPECT_LE(rar.height, 64);

    // The fixture folder's first picture in name order is Page1.jpg (900 × 1350).
    BookPicture folderPicture;
    ASSERT_EQ(makeBookThumbnail(kFixtures + "/books/photobook_folder", 300, folderPicture), "");
    EXPECT_EQ(folderPicture.width, 200);
    EXPECT_EQ(folderPicture.height, 300);
}

TEST(BookThumbnail, SmallCoversKeepTheirOwnSize)
{
    ShippedPlugins plugins;
    ScratchFolder folder;
    ASSERT_EQ(mkdir(folder.file("pages").c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(folder.file("pages/001.jpg"), plainPage(90, 60, Rgb{255, 255, 0})));
    BookPicture picture;
    ASSERT_EQ(makeBookThumbnail(folder.file("pages"), 256, picture), "");
    EXPECT_EQ(picture.width, 90);
    EXPECT_EQ(picture.height, 60);
    expectNear(pixelFromTop(picture, 45, 30), Rgb{255, 255, 0});
}

TEST(BookThumbnail, FailuresSayWhy)
{
    ShippedPlugins plugins;
    ScratchFolder folder;
    BookPicture picture;
    EXPECT_EQ(makeBookThumbnail(folder.file("missing.cbz"), 128, picture),
              "no such file or folder");
    EXPECT_EQ(makeBookThumbnail(folder.file("missing"), 128, picture), "no such file or folder");

    ASSERT_TRUE(writeFile(folder.file("garbage.zip"), Bytes(5000, 0x5A)));
    EXPECT_EQ(makeBookThumbnail(folder.file("garbage.zip"), 128, picture),
              "not a book, or it cannot be read");
    ASSERT_TRUE(writeFile(folder.file("garbage.cbr"), Bytes(5000, 0x5A)));
    EXPECT_EQ(makeBookThumbnail(folder.file("garbage.cbr"), 128, picture),
              "not a book, or it cannot be read");

    ASSERT_TRUE(writeZip(folder.file("text.zip"), {{"a.txt", {'a'}}, {"b.doc", {'b'}}}));
    EXPECT_EQ(makeBookThumbnail(folder.file("text.zip"), 128, picture), "has no pictures");
    ASSERT_EQ(mkdir(folder.file("empty").c_str(), 0755), 0);
    EXPECT_EQ(makeBookThumbnail(folder.file("empty"), 128, picture), "has no pictures");
    ASSERT_TRUE(writeFile(folder.file("notes.txt"), {'x'}));
    EXPECT_EQ(makeBookThumbnail(folder.file("notes.txt"), 128, picture), "has no pictures");

    ASSERT_TRUE(writeZip(folder.file("bad-cover.zip"),
                         {{"1.jpg", Bytes(300, 7)}, {"2.jpg", plainPage(50, 50, Rgb{9, 9, 9})}}));
    EXPECT_EQ(makeBookThumbnail(folder.file("bad-cover.zip"), 128, picture),
              "the first page (1.jpg) cannot be decoded");

    // A FIFO named like an archive is refused before anything tries to read it.
    ASSERT_EQ(mkfifo(folder.file("pipe.cbz").c_str(), 0600), 0);
    EXPECT_EQ(makeBookThumbnail(folder.file("pipe.cbz"), 128, picture),
              "not a regular file or a folder");
    EXPECT_EQ(picture.pixels, nullptr);
}

TEST(BookThumbnail, DamagedArchivesFromOtherProgramsFailCleanly)
{
    ShippedPlugins plugins;
    BookPicture picture;
    for (const char* broken : {"/archives/7z/malformed/la_7z_malformed.7z",
                               "/archives/rar4/unrarpromise_encrypted_headers.rar",
                               "/archives/7z/la_7z_empty_archive.7z"})
        EXPECT_NE(makeBookThumbnail(kFixtures + broken, 128, picture), "") << broken;
    EXPECT_EQ(picture.pixels, nullptr);
    // An archive cut short still lists the pages before the cut, and its cover is one of them,
    // as in the viewer.
    ASSERT_EQ(makeBookThumbnail(kFixtures + "/books/photobook_truncated.cbz", 128, picture), "");
    EXPECT_EQ(picture.width, 85); // 900 × 1350
    EXPECT_EQ(picture.height, 128);
}
