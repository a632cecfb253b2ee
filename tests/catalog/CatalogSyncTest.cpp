#include "catalog/CatalogSync.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include "CatalogTestSupport.h"
#include "pipeline/PluginRegistry.h"
#include "platform/FileOps.h"

using namespace catalogtest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// An entry that matches the file `name` in `folder` as it is now.
std::shared_ptr<CatalogEntry> entryFor(const TempFolder& folder, const std::string& name)
{
    int64_t size = 0, time = 0;
    EXPECT_TRUE(fileStatus(folder.file(name), &size, &time));
    auto entry = makeEntry(name, static_cast<int32_t>(size), time, 100, 100);
    return entry;
}

void setTime(const std::string& path, time_t seconds)
{
    struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    utimes(path.c_str(), times);
}

CatalogModel modelOf(const TempFolder& folder, CatalogEntries entries)
{
    CatalogModel model;
    model.folderPath = folder.path();
    model.entries = std::move(entries);
    return model;
}

} // namespace

TEST(CatalogArchive, NamesAndKindsThatBelongInACatalog)
{
    TempFolder folder;
    for (const char* name :
         {"a.zip", "b.ZIP", "c.LzH", "d.rAr", "e.7z", "f.zip.txt", "g.cbz", "_$mekuri.bin", "zip"})
        writeText(folder.file(name), "x");
    mkdir(folder.file("dir.zip").c_str(), 0755);
    mkfifo(folder.file("pipe.zip").c_str(), 0644);
    symlink("a.zip", folder.file("link.zip").c_str());
    symlink("nothing", folder.file("dangling.zip").c_str());

    EXPECT_TRUE(isCatalogArchive("a.zip", folder.path()));
    EXPECT_TRUE(isCatalogArchive("b.ZIP", folder.path()));
    EXPECT_TRUE(isCatalogArchive("c.LzH", folder.path()));
    EXPECT_TRUE(isCatalogArchive("d.rAr", folder.path()));
    EXPECT_TRUE(isCatalogArchive("link.zip", folder.path()));
    EXPECT_FALSE(isCatalogArchive("e.7z", folder.path()));
    EXPECT_FALSE(isCatalogArchive("f.zip.txt", folder.path()));
    EXPECT_FALSE(isCatalogArchive("g.cbz", folder.path()));
    EXPECT_FALSE(isCatalogArchive("_$mekuri.bin", folder.path()));
    EXPECT_FALSE(isCatalogArchive("dir.zip", folder.path()));
    EXPECT_FALSE(isCatalogArchive("pipe.zip", folder.path()));
    EXPECT_FALSE(isCatalogArchive("dangling.zip", folder.path()));
    EXPECT_FALSE(isCatalogArchive("missing.zip", folder.path()));

    std::vector<std::string> names;
    ASSERT_TRUE(listCatalogArchives(folder.path(), names));
    EXPECT_EQ(names.size(), 5u);
}

// With the shipped archive plug-in loaded, every kind it reads belongs in the catalog too, in
// any letter case; unloading it takes its kinds away again.
TEST(CatalogArchive, ThePluginsArchiveKindsBelongInACatalog)
{
    TempFolder folder;
    const std::vector<std::string> kinds = {"a.7z",  "b.CBZ", "c.cbr", "d.Cb7", "e.cbt",
                                            "f.tar", "g.lha", "h.RAR", "i.zip"};
    for (const std::string& name : kinds)
        writeText(folder.file(name), "x");
    for (const char* name : {"j.7z.txt", "k.gz", "l.cbz.bak"})
        writeText(folder.file(name), "x");
    mkdir(folder.file("m.cbz").c_str(), 0755);

    unloadPlugins();
    EXPECT_FALSE(isCatalogArchive("a.7z", folder.path()));
    EXPECT_FALSE(isCatalogArchive("b.CBZ", folder.path()));
    loadPluginsFrom(MEKURI_BIN_DIR);
    for (const std::string& name : kinds)
        EXPECT_TRUE(isCatalogArchive(name, folder.path())) << name;
    EXPECT_FALSE(isCatalogArchive("m.cbz", folder.path())); // a folder
    std::vector<std::string> names;
    ASSERT_TRUE(listCatalogArchives(folder.path(), names));
    EXPECT_EQ(names, kinds); // the listing's order, only the archives
    unloadPlugins();
    EXPECT_FALSE(isCatalogArchive("e.cbt", folder.path()));
}

TEST(CatalogSync, AddsEveryArchiveOfANewFolderSortedByName)
{
    TempFolder folder;
    writeText(folder.file("b.zip"), "bb");
    writeText(folder.file("A.rar"), "a");
    writeText(folder.file("c.lzh"), "ccc");
    writeText(folder.file("notes.txt"), "x");
    setTime(folder.file("b.zip"), 1500000000);
    CatalogModel model = modelOf(folder, {});
    CaptureStderr();
    EXPECT_TRUE(syncWithFolder(model));
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("UPDATE: b.zip カタログへ追加\n"), std::string::npos);
    EXPECT_NE(trace.find("UPDATE: A.rar カタログへ追加\n"), std::string::npos);
    EXPECT_NE(trace.find("current strategy=0\n"), std::string::npos);
    EXPECT_TRUE(model.modified);
    EXPECT_EQ(namesOf(model.entries), (std::vector<std::string>{"A.rar", "b.zip", "c.lzh"}));
    EXPECT_EQ(model.entries[1]->fileSize, 2);
    EXPECT_EQ(model.entries[1]->modifiedTime, 1500000000);
    EXPECT_EQ(model.entries[1]->hasThumbnail, 0);
}

TEST(CatalogSync, AnUnchangedFolderChangesNothing)
{
    TempFolder folder;
    writeText(folder.file("a.zip"), "a");
    writeText(folder.file("b.zip"), "b");
    CatalogModel model = modelOf(folder, {entryFor(folder, "b.zip"), entryFor(folder, "a.zip")});
    CaptureStderr();
    EXPECT_FALSE(syncWithFolder(model));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_FALSE(model.modified);
    EXPECT_EQ(namesOf(model.entries), (std::vector<std::string>{"b.zip", "a.zip"}));
}

TEST(CatalogSync, DropsRenamedAndChangedArchivesAndAddsNewOnes)
{
    TempFolder folder;
    for (const char* name : {"same.zip", "renamed-old.zip", "grown.zip", "touched.zip", "Case.zip"})
        writeText(folder.file(name), "x");
    CatalogEntries entries;
    for (const char* name : {"same.zip", "renamed-old.zip", "grown.zip", "touched.zip", "Case.zip"})
        entries.push_back(entryFor(folder, name));
    CatalogModel model = modelOf(folder, entries);
    rename(folder.file("renamed-old.zip").c_str(), folder.file("renamed-new.zip").c_str());
    rename(folder.file("Case.zip").c_str(), folder.file("case.zip").c_str());
    writeText(folder.file("grown.zip"), "xx");
    setTime(folder.file("touched.zip"), model.entries[3]->modifiedTime + 0x100000000LL);
    writeText(folder.file("fresh.rar"), "new");

    CaptureStderr();
    EXPECT_TRUE(syncWithFolder(model));
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("UPDATE: renamed-old.zip カタログから削除\n"), std::string::npos);
    EXPECT_NE(trace.find("UPDATE: Case.zip カタログから削除\n"), std::string::npos);
    EXPECT_NE(trace.find("UPDATE: " + folder.file("grown.zip") + " カタログが古く要更新\n"),
              std::string::npos);
    EXPECT_NE(trace.find("UPDATE: " + folder.file("touched.zip") + " カタログが古く要更新\n"),
              std::string::npos);
    for (const char* added :
         {"renamed-new.zip", "case.zip", "grown.zip", "touched.zip", "fresh.rar"})
        EXPECT_NE(trace.find(std::string("UPDATE: ") + added + " カタログへ追加\n"),
                  std::string::npos)
            << added;
    EXPECT_EQ(trace.find("same.zip"), std::string::npos);
    EXPECT_TRUE(model.modified);
    EXPECT_EQ(namesOf(model.entries),
              (std::vector<std::string>{"case.zip", "fresh.rar", "grown.zip", "renamed-new.zip",
                                        "same.zip", "touched.zip"}));
    for (const auto& entry : model.entries)
        EXPECT_EQ(entry->hasThumbnail, entryName(*entry) == "same.zip" ? 1 : 0) << entry->fileName;
    EXPECT_EQ(model.entries[2]->fileSize, 2);
}

TEST(CatalogSync, KeepsTheSelectedRecordSelected)
{
    TempFolder folder;
    writeText(folder.file("m.zip"), "m");
    writeText(folder.file("z.zip"), "z");
    writeText(folder.file("a.zip"), "a");
    CatalogModel model = modelOf(folder, {entryFor(folder, "m.zip"), entryFor(folder, "z.zip")});
    model.selectedIndex = 1;
    EXPECT_TRUE(syncWithFolder(model));
    ASSERT_EQ(model.selectedIndex, 2);
    EXPECT_EQ(entryName(*model.entries[2]), "z.zip");

    unlink(folder.file("z.zip").c_str());
    EXPECT_TRUE(syncWithFolder(model));
    EXPECT_EQ(model.selectedIndex, -1);
}

TEST(CatalogSync, DuplicateEntriesAreDroppedOnce)
{
    TempFolder folder;
    writeText(folder.file("a.zip"), "a");
    CatalogModel model = modelOf(folder, {entryFor(folder, "a.zip"), entryFor(folder, "a.zip")});
    EXPECT_TRUE(syncWithFolder(model));
    EXPECT_EQ(namesOf(model.entries), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(model.entries[0]->hasThumbnail, 1);
}

TEST(CatalogSync, AFolderThatCannotBeListedLeavesTheList)
{
    TempFolder folder;
    CatalogModel model = modelOf(folder, {makeEntry("a.zip", 1, 1)});
    model.folderPath = folder.file("gone");
    CaptureStderr();
    EXPECT_FALSE(syncWithFolder(model));
    EXPECT_EQ(GetCapturedStderr(), "syncWithFolder(): can't list " + folder.file("gone") + "\n");
    EXPECT_EQ(model.entries.size(), 1u);
    EXPECT_FALSE(model.modified);
}

TEST(CatalogSync, SizesPastTwoGibibytesAreKeptAsTheLargest)
{
    EXPECT_EQ(recordedFileSize(0), 0);
    EXPECT_EQ(recordedFileSize(123456), 123456);
    EXPECT_EQ(recordedFileSize(0x7FFFFFFF), 0x7FFFFFFF);
    EXPECT_EQ(recordedFileSize(0x80000000LL), 0x7FFFFFFF);
    EXPECT_EQ(recordedFileSize(5000000000LL), 0x7FFFFFFF);
}
