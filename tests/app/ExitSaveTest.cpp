#include "app/ExitSave.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "catalog/CatalogFile.h"
#include "catalog/CatalogModel.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/ShutdownRequest.h"

namespace {

class ExitSaveTest : public testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/mekuri-exitsave-XXXXXX";
        dir = mkdtemp(pattern);
        books = dir + "/books/";
        shelf = dir + "/shelf";
        ASSERT_EQ(mkdir(books.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(shelf.c_str(), 0755), 0);
        std::ofstream(books + "book.zip") << "the book";
        std::ofstream(shelf + "/vol1.zip") << "an archive";
        // A catalog with a thumbnail made since it was opened: modified, not yet saved.
        catalog.folderPath = shelf;
        auto entry = newCatalogEntry();
        setEntryName(*entry, "vol1.zip");
        entry->hasThumbnail = 1;
        entry->thumbWidth = entry->thumbHeight = 128;
        catalog.entries.push_back(entry);
        catalog.modified = true;
    }
    void TearDown() override { setDialogResponder(nullptr); }

    // The catalog as the folder's file holds it now.
    CatalogEntries savedCatalog() const
    {
        CatalogModel loaded;
        loaded.folderPath = shelf;
        loadCatalog(loaded);
        return loaded.entries;
    }

    // In a forked child: the display lost while the book waits to be renamed to `wanted`,
    // the handler entered `entries` times. Any box shown ends the child with status 13;
    // saving twice, or a rename left pending, with 16.
    void saveAtLostDisplay(const std::string& wanted, int entries)
    {
        setMessageBoxPresenter([](const void*, const DialogRequest&) -> int { _exit(13); });
        std::string name = "book.zip";
        std::string newName = wanted;
        int saves = 0;
        int ends = 0;
        const auto save = [&] {
            ++saves;
            saveBeforeExit(&catalog, books, name, newName);
        };
        const auto end = [&](int status) {
            if (++ends == entries)
                _exit(saves == 1 && newName == name ? status : 16);
        };
        for (int i = 0; i < entries; ++i)
            endAfterDisplayLost(save, end);
        _exit(15);
    }

    std::string dir, books, shelf;
    CatalogModel catalog;
};

} // namespace

TEST_F(ExitSaveTest, ALostDisplaySavesTheCatalogAndRenamesTheBookOnceWithoutABox)
{
    EXPECT_EXIT(saveAtLostDisplay("第1巻.zip", 2), testing::ExitedWithCode(1),
                "exit: catalog saved in .*/shelf\nexit: renamed book.zip to 第1巻.zip\n");
    EXPECT_TRUE(pathExists(books + "第1巻.zip"));
    EXPECT_FALSE(pathExists(books + "book.zip"));
    const CatalogEntries saved = savedCatalog();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(entryName(*saved[0]), "vol1.zip");
    EXPECT_EQ(saved[0]->hasThumbnail, 1);
}

TEST_F(ExitSaveTest, ARenameThatFailsAtALostDisplayIsTracedNotShown)
{
    std::ofstream(books + "taken.zip") << "another file";
    EXPECT_EXIT(saveAtLostDisplay("taken.zip", 1), testing::ExitedWithCode(1),
                "ERROR rename .*book\\.zip->.*taken\\.zip");
    EXPECT_TRUE(pathExists(books + "book.zip"));
    std::ifstream taken(books + "taken.zip");
    std::string text;
    std::getline(taken, text);
    EXPECT_EQ(text, "another file");
}

TEST_F(ExitSaveTest, AfterwardsNothingIsPendingAndNothingIsDoneTwice)
{
    std::vector<std::string> boxes;
    setDialogResponder([&](const DialogRequest& r, DialogAnswer&) {
        boxes.push_back(r.title);
        return true;
    });
    // A rename that fails is tried once: closing the book later does not try (or report) it
    // again.
    std::string name = "missing.zip", newName = "new.zip";
    saveBeforeExit(nullptr, books, name, newName);
    EXPECT_EQ(newName, "missing.zip");
    EXPECT_EQ(boxes, std::vector<std::string>{"ファイル名変更失敗"});

    // Saved once; an unmodified catalog is not written again.
    saveBeforeExit(&catalog, books, name, newName);
    EXPECT_FALSE(catalog.modified);
    ASSERT_EQ(unlink(catalogFilePath(shelf).c_str()), 0);
    saveBeforeExit(&catalog, books, name, newName);
    EXPECT_FALSE(pathExists(catalogFilePath(shelf)));
    EXPECT_EQ(boxes.size(), 1u);
}
