// Opening and closing books in the reading model: what an open sets and shows, the books that
// cannot be shown, the open refused while another lists, and the close with its rename, each
// stage shown before the box that follows it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ReadingTestSupport.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"

using readingtest::Reader;
using readingtest::Shelf;
using Boxes = std::vector<std::string>;

namespace {

std::string currentDirectory()
{
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" : std::string();
}

} // namespace

TEST(ReadingOpen, AZipBookOpensAtItsFirstSpreadWithItsNamesAndTitle)
{
    Shelf shelf;
    Reader r;
    r.setStartOptions(RIGHT_BINDING, 0);
    (void)r.open(shelf.pages("first.zip", 6));
    (void)r.forwardPage(JUMP_TO_START);
    const std::string path = shelf.pages("vol1.zip", 5);
    const ReadingChange c = r.open(path);
    EXPECT_TRUE(c.opened && c.newBook && c.title && c.list && c.zoomField);
    EXPECT_EQ(c.prefetch, 2); // the spread after the first
    EXPECT_TRUE(r.bookOpen);
    EXPECT_EQ(r.pageCount(), 5);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(r.bookPath, path);
    EXPECT_EQ(r.bookFolder, shelf.folder + "/");
    EXPECT_EQ(r.bookFileName, "vol1.zip");
    EXPECT_EQ(r.newFileName, "vol1.zip");
    EXPECT_EQ(r.title(), shelf.folder + "/vol1.zip (5 pages)");
    EXPECT_EQ(currentDirectory(), r.bookFolder); // where the file chooser starts
    EXPECT_FALSE(r.cache.isClosed());
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingOpen, AFolderBookIsNamedAfterItsFolder)
{
    Shelf shelf;
    const std::string folder = shelf.folder + "/scans";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    writeFile(folder + "/a.jpg", encodeJpeg(RgbImage(20, 30, Rgb{9, 9, 9})));
    Reader r;
    EXPECT_TRUE(r.open(folder).opened);
    EXPECT_EQ(r.bookFileName, "scans");
    EXPECT_EQ(r.bookFolder, shelf.folder + "/");
    EXPECT_EQ(r.title(), shelf.folder + "/scans (1 pages)");
}

TEST(ReadingOpen, AMissingBookLeavesNoBookAndSaysSo)
{
    Shelf shelf;
    Reader r;
    const std::string missing = shelf.folder + "/missing.zip";
    const ReadingChange c = r.open(missing);
    EXPECT_FALSE(c.opened);
    EXPECT_FALSE(r.bookOpen);
    EXPECT_FALSE(r.book);
    EXPECT_EQ(r.title(), "Mekuri");
    EXPECT_EQ(shelf.boxes, Boxes{"Error: ファイル(" + missing + ")を開けません"});
}

TEST(ReadingOpen, ABookWithoutPicturesStaysOpenEmptyShownBeforeItsBox)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("notes.zip", 0);
    Boxes order;
    setDialogResponder([&](const DialogRequest& request, DialogAnswer&) {
        order.push_back(request.text);
        return true;
    });
    const ReadingChange rest = r.open(path, [&](const ReadingChange& stage) {
        if (stage.title)
            order.push_back(r.title());
    });
    EXPECT_FALSE(rest.opened);
    EXPECT_TRUE(r.bookOpen);
    EXPECT_EQ(r.pageCount(), 0);
    EXPECT_EQ(order, (Boxes{shelf.folder + "/notes.zip (0 pages)",
                            "jpegファイルが無いので開けません\n(" + path + ")\n"}));
    EXPECT_TRUE(r.cache.isClosed()); // nothing to read

    // A name nothing reads, missing or not, is such a book too.
    const std::string unknown = shelf.folder + "/unknown.xyz";
    Reader other;
    EXPECT_FALSE(other.open(unknown).opened);
    EXPECT_TRUE(other.bookOpen);
    EXPECT_EQ(other.title(), shelf.folder + "/unknown.xyz (0 pages)");
    EXPECT_EQ(order.back(), "jpegファイルが無いので開けません\n(" + unknown + ")\n");
}

TEST(ReadingOpen, ASecondOpenWhileOneListsIsRefused)
{
    Shelf shelf;
    Reader r;
    const std::string first = shelf.pages("first.zip", 3);
    const std::string second = shelf.pages("second.zip", 2);
    int nested = 0;
    // The listing lets events run: one of them asks for another book.
    setEventPump([&] {
        if (nested++ == 0) {
            EXPECT_FALSE(r.open(second).opened);
        }
    });
    EXPECT_TRUE(r.open(first).opened);
    setEventPump(nullptr);
    EXPECT_EQ(r.bookFileName, "first.zip");
    EXPECT_EQ(shelf.boxes, Boxes{"エラー: 他のファイルを開いている途中です"});
    // Once it has finished, another open goes ahead.
    EXPECT_TRUE(r.open(second).opened);
}

TEST(ReadingClose, ClosingForgetsTheBookKeepsThePlaceAndRenames)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("vol1.zip", 6);
    (void)r.open(path);
    (void)r.forwardPage(JUMP_TO_START);
    (void)r.setZoom(80);
    ASSERT_TRUE(r.requestRename("第1巻.zip"));
    EXPECT_TRUE(pathExists(path)); // not before the close
    const ReadingChange c = r.closeBook(r.cache);
    EXPECT_TRUE(c.title && c.list);
    EXPECT_FALSE(r.bookOpen);
    EXPECT_FALSE(r.book);
    EXPECT_EQ(r.title(), "Mekuri");
    EXPECT_TRUE(r.cache.isClosed());
    EXPECT_TRUE(r.cache.snapshot().empty());
    EXPECT_EQ(r.currentPage, 2);
    EXPECT_FLOAT_EQ(r.zoomPercent, 80);
    EXPECT_FALSE(pathExists(path));
    EXPECT_TRUE(pathExists(shelf.folder + "/第1巻.zip"));
}

TEST(ReadingClose, OpeningAnotherBookClosesAndRenamesTheFirstFirst)
{
    Shelf shelf;
    Reader r;
    const std::string first = shelf.pages("vol1.zip", 2);
    const std::string second = shelf.pages("vol2.zip", 2);
    (void)r.open(first);
    ASSERT_TRUE(r.requestRename("old.zip"));
    (void)r.open(second);
    EXPECT_TRUE(pathExists(shelf.folder + "/old.zip"));
    EXPECT_FALSE(pathExists(first));
    EXPECT_EQ(r.bookFileName, "vol2.zip");
}

TEST(ReadingClose, TheOpenBookOpenedByTheNameItIsLosingOpensUnderItsNewName)
{
    Shelf shelf;
    Reader r;
    const std::string archive = shelf.pages("vol1.zip", 4);
    const std::string folder = shelf.folder + "/scans";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    writeFile(folder + "/a.jpg", encodeJpeg(RgbImage(20, 30, Rgb{9, 9, 9})));
    // The recent list and the catalog still show the old name until the close renames it.
    for (const auto& [path, newName] :
         {std::pair<std::string, std::string>{archive, "第1巻.zip"}, {folder + "/", "scans2"}}) {
        (void)r.open(path);
        ASSERT_TRUE(r.requestRename(newName));
        EXPECT_TRUE(r.open(path).opened) << path;
        EXPECT_EQ(r.bookFileName, newName);
        EXPECT_TRUE(pathExists(shelf.folder + "/" + newName));
    }
    // A rename that fails at the close leaves the old name, which opens.
    (void)r.open(shelf.folder + "/第1巻.zip");
    ASSERT_TRUE(r.requestRename("taken.zip"));
    writeFile(shelf.folder + "/taken.zip", {'x'});
    shelf.boxes.clear();
    EXPECT_TRUE(r.open(shelf.folder + "/第1巻.zip").opened);
    EXPECT_EQ(r.bookFileName, "第1巻.zip");
    EXPECT_EQ(shelf.boxes.size(), 1u); // the failed rename's, no other
}

TEST(ReadingClose, TheOpenBookNamedThroughALinkByTheNameItIsLosingOpensUnderItsNewName)
{
    Shelf shelf;
    Reader r;
    const std::string archive = shelf.pages("vol1.zip", 4);
    // The same folder by another path (the catalog window may show it so), and a link to the
    // book itself.
    const std::string linkedFolder = shelf.folder + "/library";
    ASSERT_EQ(symlink(shelf.folder.c_str(), linkedFolder.c_str()), 0);
    ASSERT_EQ(symlink("vol1.zip", (shelf.folder + "/link.zip").c_str()), 0);
    for (const std::string& path : {linkedFolder + "/vol1.zip", shelf.folder + "/link.zip"}) {
        (void)r.open(shelf.folder + "/vol1.zip");
        ASSERT_TRUE(r.requestRename("vol2.zip"));
        shelf.boxes.clear();
        EXPECT_TRUE(r.open(path).opened) << path;
        EXPECT_EQ(r.title(), shelf.folder + "/vol2.zip (4 pages)") << path;
        EXPECT_TRUE(shelf.boxes.empty()) << path;
        ASSERT_EQ(rename((shelf.folder + "/vol2.zip").c_str(), archive.c_str()), 0);
    }
    // A hard link to the book is another name that stays: it opens by that name.
    const std::string hard = shelf.folder + "/hard.zip";
    ASSERT_EQ(link(archive.c_str(), hard.c_str()), 0);
    (void)r.open(archive);
    ASSERT_TRUE(r.requestRename("vol2.zip"));
    EXPECT_TRUE(r.open(hard).opened);
    EXPECT_EQ(r.bookFileName, "hard.zip");
    EXPECT_TRUE(pathExists(shelf.folder + "/vol2.zip"));
}

TEST(ReadingClose, AFailedRenameIsShownAfterTheClosedBook)
{
    Shelf shelf;
    Reader r;
    const std::string path = shelf.pages("vol1.zip", 2);
    (void)r.open(path);
    ASSERT_TRUE(r.requestRename("taken.zip"));
    writeFile(shelf.folder + "/taken.zip", {'x'}); // another program took the name meanwhile
    Boxes order;
    setDialogResponder([&](const DialogRequest& request, DialogAnswer&) {
        order.push_back(request.title);
        return true;
    });
    (void)r.closeBook(r.cache, [&](const ReadingChange& stage) {
        if (stage.title)
            order.push_back(r.title());
    });
    EXPECT_EQ(order, (Boxes{"Mekuri", "ファイル名変更失敗"}));
    EXPECT_TRUE(pathExists(path));
    EXPECT_EQ(readFile(shelf.folder + "/taken.zip"), std::vector<unsigned char>{'x'});
}
