#include "platform/FileOps.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string makeTempFolder()
{
    char pattern[] = "/tmp/mekuri-fileops-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(RenameNoReplace, MovesAFileToAFreeName)
{
    const std::string dir = makeTempFolder();
    writeText(dir + "/a.zip", "A");
    EXPECT_EQ(renameNoReplace(dir + "/a.zip", dir + "/b.zip"), 0);
    EXPECT_FALSE(pathExists(dir + "/a.zip"));
    EXPECT_EQ(readText(dir + "/b.zip"), "A");
}

TEST(RenameNoReplace, NeverReplacesAnExistingFile)
{
    const std::string dir = makeTempFolder();
    writeText(dir + "/a.zip", "A");
    writeText(dir + "/b.zip", "B");
    EXPECT_EQ(renameNoReplace(dir + "/a.zip", dir + "/b.zip"), EEXIST);
    EXPECT_EQ(readText(dir + "/a.zip"), "A");
    EXPECT_EQ(readText(dir + "/b.zip"), "B");
    EXPECT_EQ(renameNoReplace(dir + "/missing.zip", dir + "/c.zip"), ENOENT);
    EXPECT_FALSE(errorText(ENOENT).empty());
}

TEST(SameFile, ComparesDeviceAndInodeNotSpelling)
{
    const std::string dir = makeTempFolder();
    writeText(dir + "/a.zip", "A");
    EXPECT_TRUE(sameFile(dir + "/a.zip", dir + "/./a.zip"));
    EXPECT_TRUE(sameFile(dir + "/a.zip", dir + "/../" + lastComponent(dir) + "/a.zip"));
    writeText(dir + "/A.zip", "A");
    EXPECT_FALSE(sameFile(dir + "/a.zip", dir + "/A.zip"));
    EXPECT_FALSE(sameFile(dir + "/a.zip", dir + "/none.zip"));
}

TEST(Paths, FullPathAndComponents)
{
    EXPECT_EQ(fullPath("/a/b/../c/./d.zip"), "/a/c/d.zip");
    EXPECT_EQ(fullPath("/a/b/"), "/a/b/");
    EXPECT_EQ(lastComponent("/a/b/c.zip"), "c.zip");
    EXPECT_EQ(lastComponent("/a/b/"), "b");
    EXPECT_EQ(folderOf("/a/b/c.zip"), "/a/b/");
    EXPECT_EQ(joinPath("/a/", "x"), "/a/x");
    EXPECT_EQ(joinPath("/a", "x"), "/a/x");
}

TEST(FileNames, RefusesEmptySlashesAndControlCharacters)
{
    EXPECT_TRUE(acceptableFileName("vol1.zip"));
    EXPECT_TRUE(acceptableFileName("第1巻.zip"));
    EXPECT_FALSE(acceptableFileName(""));
    EXPECT_FALSE(acceptableFileName("."));
    EXPECT_FALSE(acceptableFileName(".."));
    EXPECT_FALSE(acceptableFileName("a/b.zip"));
    EXPECT_FALSE(acceptableFileName("a\nb.zip"));
    EXPECT_FALSE(acceptableFileName("a\tb.zip"));
    EXPECT_FALSE(acceptableFileName("vol1\n.zip")); // pasted into a multi-line field
    EXPECT_TRUE(acceptableFileName("a b.zip"));
    EXPECT_FALSE(acceptableFileName(std::string(256, 'a')));
}
