#include "thumbnailer/PngFile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include "ThumbnailerTestSupport.h"
#include "pipeline/Bgr24.h"
#include "tools/BookMaker.h"

namespace {

// A BGR24 picture (bottom-up) whose pixel at (x, y from the top) encodes its position.
std::vector<unsigned char> patterned(int width, int height)
{
    std::vector<unsigned char> pixels(pictureBytes(width, height), 0xCC); // padding junk
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels.data() + rowStride(width) * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[x * 3 + 0] = static_cast<unsigned char>(200);    // blue
            row[x * 3 + 1] = static_cast<unsigned char>(y * 10); // green: row from the top
            row[x * 3 + 2] = static_cast<unsigned char>(x * 20); // red: column
        }
    }
    return pixels;
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

} // namespace

TEST(PngFile, WritesTopDownRgbOfTheBottomUpPicture)
{
    ScratchFolder folder;
    const int w = 7, h = 5; // odd width: padded rows
    const std::vector<unsigned char> pixels = patterned(w, h);
    ASSERT_EQ(writePng(folder.file("t.png"), w, h, pixels.data()), "");
    const PngPicture png = readPng(folder.file("t.png"));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.width, w);
    ASSERT_EQ(png.height, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            EXPECT_EQ(png.at(x, y)[0], x * 20) << x << "," << y;
            EXPECT_EQ(png.at(x, y)[1], y * 10) << x << "," << y;
            EXPECT_EQ(png.at(x, y)[2], 200) << x << "," << y;
        }
    }
    // Nothing but the picture is left in the folder, readable by its owner only.
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"t.png"});
    struct stat st;
    ASSERT_EQ(stat(folder.file("t.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(PngFile, ReplacesAnOldFileWhole)
{
    ScratchFolder folder;
    ASSERT_TRUE(writeFile(folder.file("t.png"), std::vector<unsigned char>(100000, 'x')));
    const std::vector<unsigned char> pixels = patterned(3, 2);
    ASSERT_EQ(writePng(folder.file("t.png"), 3, 2, pixels.data()), "");
    const PngPicture png = readPng(folder.file("t.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 3);
    EXPECT_EQ(png.height, 2);
}

TEST(PngFile, FailuresLeaveNothingBehind)
{
    ScratchFolder folder;
    const std::vector<unsigned char> pixels = patterned(4, 4);
    EXPECT_NE(writePng(folder.file("no/such/folder/t.png"), 4, 4, pixels.data()), "");
    EXPECT_NE(writePng(folder.file("t.png"), 0, 4, pixels.data()), "");
    EXPECT_NE(writePng(folder.file("t.png"), 4, 4, nullptr), "");
    // The output names a folder: the rename fails and the temporary file goes away.
    ASSERT_EQ(mkdir(folder.file("taken").c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(folder.file("taken/keep"), {'k'}));
    EXPECT_NE(writePng(folder.file("taken"), 4, 4, pixels.data()), "");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(namesIn(folder.file("taken")), std::vector<std::string>{"keep"});
}
