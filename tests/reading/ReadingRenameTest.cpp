// The rename of the open book in the reading model: the names the rename dialog refuses (with
// their boxes), the name kept until the close, and the rename carried out early at an exit.

#include <gtest/gtest.h>

#include "ReadingTestSupport.h"
#include "platform/FileOps.h"
#include "reading/RenameFile.h"

using readingtest::Reader;
using readingtest::Shelf;
using Boxes = std::vector<std::string>;

TEST(ReadingRename, UnusableAndTakenNamesAreRefusedWithTheirBoxes)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("vol3.zip", 2);
    shelf.pages("exists.zip", 1);
    (void)r.open(path);
    for (const char* name : {"exists.zip", "a/b.zip", "", "_$mekuri.bin", "_$Mekuri.BIN"})
        EXPECT_FALSE(r.requestRename(name)) << name;
    EXPECT_EQ(r.newFileName, "vol3.zip");
    EXPECT_EQ(shelf.boxes,
              (Boxes{"エラー: 同名のファイルが存在します", "エラー: このファイル名は使えません",
                     "エラー: このファイル名は使えません", "エラー: このファイル名は使えません",
                     "エラー: このファイル名は使えません"}));
}

TEST(ReadingRename, TheBooksOwnNameRestoresItAndNothingMovesAtTheClose)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("vol3.zip", 2);
    (void)r.open(path);
    ASSERT_TRUE(r.requestRename("renamed.zip"));
    EXPECT_EQ(r.newFileName, "renamed.zip");
    EXPECT_TRUE(r.requestRename("vol3.zip")); // its own name exists, and is accepted
    (void)r.closeBook(r.cache);
    EXPECT_TRUE(pathExists(path));
    EXPECT_FALSE(pathExists(shelf.folder + "/renamed.zip"));
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingRename, WithoutABookNothingIsAsked)
{
    Shelf shelf;
    Reader r;
    EXPECT_FALSE(r.requestRename("new.zip"));
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingRename, SettlingTheRenameAtAnExitLeavesNothingForTheClose)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("vol1.zip", 2);
    (void)r.open(path);
    ASSERT_TRUE(r.requestRename("第1巻.zip"));
    std::string seenFolder;
    r.settleRename([&](const std::string& folder, std::string& name, std::string& newName) {
        seenFolder = folder;
        EXPECT_EQ(renameFile(folder + name, folder + newName), 1);
        name = newName;
    });
    EXPECT_EQ(seenFolder, shelf.folder + "/");
    EXPECT_EQ(r.bookFileName, "第1巻.zip");
    EXPECT_EQ(r.newFileName, "第1巻.zip");
    (void)r.closeBook(r.cache);
    EXPECT_TRUE(pathExists(shelf.folder + "/第1巻.zip"));
    EXPECT_TRUE(shelf.boxes.empty());

    // Without a book the names handed over are equal and empty.
    r.settleRename([](const std::string&, std::string& name, std::string& newName) {
        EXPECT_TRUE(name.empty() && newName.empty());
    });
}
