#include "catalog/CatalogFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include "CatalogTestSupport.h"
#include "catalog/Rle.h"
#include "platform/Text.h"

using namespace catalogtest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<unsigned char>;

const char kHeader[] = "mekuri catalog 0000\n";

Bytes fileHeader(int32_t recordSize, int32_t count)
{
    Bytes b(kHeader, kHeader + 20);
    for (int32_t v : {recordSize, count})
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i)));
    return b;
}

// The model of a folder that holds a catalog to be saved.
CatalogModel modelIn(const TempFolder& folder, CatalogEntries entries)
{
    CatalogModel model;
    model.folderPath = folder.path();
    model.entries = std::move(entries);
    model.modified = true;
    model.sortOrder = kSortNone;
    return model;
}

CatalogModel loadFrom(const TempFolder& folder, int order = kSortNone)
{
    CatalogModel model;
    model.folderPath = folder.path();
    model.sortOrder = order;
    loadCatalog(model);
    return model;
}

Bytes serialized(const CatalogEntry& entry)
{
    Bytes b(kCatalogEntrySize);
    serializeEntry(entry, b.data());
    return b;
}

} // namespace

TEST(CatalogSave, EmptyCatalogIsTwentyEightBytes)
{
    TempFolder folder;
    CatalogModel model = modelIn(folder, {});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    EXPECT_EQ(readBytes(folder.file("_$mekuri.bin")), fileHeader(49696, 0));
    EXPECT_FALSE(model.modified);
}

TEST(CatalogSave, WritesOnlyWhenModifiedAndAFolderIsSet)
{
    TempFolder folder;
    CatalogModel model = modelIn(folder, {makeEntry("a.zip", 1, 2)});
    model.modified = false;
    EXPECT_TRUE(saveCatalog(model, nullptr));
    EXPECT_TRUE(folder.names().empty());
    model.modified = true;
    model.folderPath.clear();
    EXPECT_TRUE(saveCatalog(model, nullptr));
    EXPECT_TRUE(folder.names().empty());
}

TEST(CatalogSave, RecordsAreLittleEndianWithZeroPadding)
{
    TempFolder folder;
    auto entry = makeEntry("a.zip", 0x01020304, 0x1122334455667788LL, 3, 2);
    CatalogModel model = modelIn(folder, {entry});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    const Bytes file = readBytes(folder.file("_$mekuri.bin"));
    ASSERT_GT(file.size(), 32u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 28), fileHeader(49696, 1));
    const int32_t length = file[28] | (file[29] << 8) | (file[30] << 16) | (file[31] << 24);
    ASSERT_EQ(file.size(), 32u + static_cast<size_t>(length));
    Bytes record(kCatalogEntrySize);
    ASSERT_EQ(rleDecode(static_cast<size_t>(length), record.data(), record.size(), &file[32]),
              static_cast<long>(kCatalogEntrySize));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data())), "a.zip");
    EXPECT_EQ(Bytes(record.begin() + 5, record.begin() + 512), Bytes(507, 0));
    EXPECT_EQ(Bytes(record.begin() + 512, record.begin() + 538),
              (Bytes{4,    3,    2,    1, 0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55, 0x44,
                     0x33, 0x22, 0x11, 1, 0, 3, 0, 2, 0,    62,   0,    63,   0}));
    // Two rows of 12 bytes (3 × 3 rounded up to 4) carry the picture; the rest is zero.
    EXPECT_EQ(Bytes(record.begin() + 538, record.begin() + 562),
              Bytes(entry->thumbPixels, entry->thumbPixels + 24));
    EXPECT_EQ(Bytes(record.begin() + 562, record.end()), Bytes(kCatalogEntrySize - 562, 0));
}

TEST(CatalogSave, SaveThenLoadGivesEverySignificantByteBackInListOrder)
{
    TempFolder folder;
    CatalogEntries entries = {makeEntry("zeta.zip", 300, 1000, 85, 128, 1),
                              makeEntry("alpha.rar", -5, -20, 0, 0),
                              makeEntry("Mid.lzh", 0x7FFFFFFF, 0x7FFFFFFFFFFFFFFFLL, 128, 128, 2),
                              makeEntry("beta.zip", 12, 5, 1, 1, 3)};
    CatalogModel model = modelIn(folder, entries);
    ASSERT_TRUE(saveCatalog(model, nullptr));
    CaptureStderr();
    CatalogModel loaded = loadFrom(folder);
    EXPECT_EQ(GetCapturedStderr(), "current strategy=-1\n");
    ASSERT_EQ(loaded.entries.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(serialized(*loaded.entries[i]), serialized(*entries[i])) << i;
        const size_t used = significantThumbnailBytes(*entries[i]);
        EXPECT_EQ(memcmp(loaded.entries[i]->thumbPixels, entries[i]->thumbPixels, used), 0);
    }
    EXPECT_FALSE(loaded.modified);
}

TEST(CatalogLoad, SortsByTheCheckedOrderAndKeepsModifiedClear)
{
    TempFolder folder;
    CatalogModel model = modelIn(
        folder, {makeEntry("b.zip", 1, 30), makeEntry("c.zip", 3, 10), makeEntry("A.zip", 2, 20)});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    EXPECT_EQ(namesOf(loadFrom(folder, kSortByName).entries),
              (std::vector<std::string>{"A.zip", "b.zip", "c.zip"}));
    EXPECT_EQ(namesOf(loadFrom(folder, kSortByTime).entries),
              (std::vector<std::string>{"b.zip", "A.zip", "c.zip"}));
    EXPECT_EQ(namesOf(loadFrom(folder, kSortBySize).entries),
              (std::vector<std::string>{"c.zip", "A.zip", "b.zip"}));

    CatalogModel again;
    again.folderPath = folder.path();
    again.entries = {makeEntry("old.zip", 1, 1)};
    again.selectedIndex = 0;
    ASSERT_TRUE(loadCatalog(again));
    EXPECT_EQ(again.entries.size(), 3u); // replaced, not appended
    EXPECT_EQ(again.selectedIndex, -1);
    EXPECT_FALSE(again.modified);
}

TEST(CatalogLoad, MissingFileTracesAndLeavesTheListEmpty)
{
    TempFolder folder;
    CatalogModel model;
    model.folderPath = folder.path();
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "warning: can't load catalog\n");
    EXPECT_TRUE(model.entries.empty());

    CatalogModel noFolder;
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(noFolder));
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(CatalogLoad, AFolderOrPipeInPlaceOfTheFileIsNotRead)
{
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.file("_$mekuri.bin").c_str(), 0644), 0); // would block a plain open
    CatalogModel model;
    model.folderPath = folder.path();
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "warning: can't load catalog\n");
    unlink(folder.file("_$mekuri.bin").c_str());
    mkdir(folder.file("_$mekuri.bin").c_str(), 0755);
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "warning: can't load catalog\n");
}

TEST(CatalogLoad, VersionOneIsRefused)
{
    TempFolder folder;
    Bytes file = fileHeader(49696, 0);
    file[18] = '1';
    writeBytes(folder.file("_$mekuri.bin"), file);
    CatalogModel model;
    model.folderPath = folder.path();
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "loadCatalog(): magic number or version mismatch\n"
                                   "   30 30 30 31 0a, 16777216\n");
    EXPECT_TRUE(model.entries.empty());
}

TEST(CatalogLoad, WrongRecordSizeIsRefused)
{
    TempFolder folder;
    writeBytes(folder.file("_$mekuri.bin"), fileHeader(49697, 0));
    CatalogModel model;
    model.folderPath = folder.path();
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "loadCatalog(): ??? entry size mismatch. 49697,49696\n");
}

TEST(CatalogLoad, HeaderBlanksMatchAnyRunOfWhiteSpace)
{
    TempFolder folder;
    for (const std::string header : {"mekuri  \t catalog\n0000\n", "mekuricatalog0000x"}) {
        Bytes file(header.begin(), header.end());
        const Bytes rest = fileHeader(49696, 0);
        file.insert(file.end(), rest.begin() + 20, rest.end());
        writeBytes(folder.file("_$mekuri.bin"), file);
        CatalogModel model;
        model.folderPath = folder.path();
        EXPECT_TRUE(loadCatalog(model)) << header;
    }
    writeText(folder.file("_$mekuri.bin"), "mekuri catalog 000");
    CatalogModel model;
    model.folderPath = folder.path();
    CaptureStderr();
    EXPECT_FALSE(loadCatalog(model));
    EXPECT_EQ(GetCapturedStderr(), "loadCatalog(): magic number or version mismatch\n"
                                   "   30 30 30 00 00, -805306368\n");
}

TEST(CatalogNames, JapaneseNameIsStoredAsCp932AndComesBack)
{
    TempFolder folder;
    const std::string name = "漫画 第1巻.zip";
    CatalogModel model = modelIn(folder, {makeEntry(name, 1, 1)});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    std::string cp932;
    ASSERT_TRUE(utf8ToCp932(name, cp932));
    const Bytes file = readBytes(folder.file("_$mekuri.bin"));
    const std::string text(file.begin(), file.end());
    EXPECT_NE(text.find(cp932), std::string::npos);
    EXPECT_EQ(text.find(name), std::string::npos);
    EXPECT_EQ(namesOf(loadFrom(folder).entries), std::vector<std::string>{name});
}

TEST(CatalogNames, NameOutsideCp932IsStoredRawAndFoundAgain)
{
    TempFolder folder;
    // é has no cp932 form, and its UTF-8 bytes C3 A9 read as cp932 are the half-width kana
    // ﾃｩ: only the file's presence tells the two readings apart.
    const std::string name = "café ✓.zip";
    writeText(folder.file(name), "x");
    CatalogModel model = modelIn(folder, {makeEntry(name, 1, 1), makeEntry("é.zip", 1, 1)});
    writeText(folder.file("é.zip"), "x");
    ASSERT_TRUE(saveCatalog(model, nullptr));
    const Bytes file = readBytes(folder.file("_$mekuri.bin"));
    EXPECT_NE(std::string(file.begin(), file.end()).find("café"), std::string::npos);
    EXPECT_EQ(namesOf(loadFrom(folder).entries), (std::vector<std::string>{name, "é.zip"}));

    // Without the files, the cp932 reading wins where there is one.
    unlink(folder.file("é.zip").c_str());
    EXPECT_EQ(entryName(*loadFrom(folder).entries[1]), "ﾃｩ.zip");
}

TEST(CatalogNames, NameCp932OnlyMapsOneWayIsStoredRaw)
{
    TempFolder folder;
    // A name whose conversion to cp932 would not come back the same (iconv maps some
    // characters, such as the full-width tilde's look-alikes, one way only).
    std::vector<std::string> names = {"～波.zip", "〜波.zip", "¥100.zip", "‖.zip", "−1.zip"};
    CatalogEntries entries;
    for (const auto& n : names) {
        writeText(folder.file(n), "x");
        entries.push_back(makeEntry(n, 1, 1));
    }
    CatalogModel model = modelIn(folder, entries);
    ASSERT_TRUE(saveCatalog(model, nullptr));
    EXPECT_EQ(namesOf(loadFrom(folder).entries), names);
}

TEST(CatalogNames, LongNamesAreCutAtACharacterBoundary)
{
    CatalogEntry entry;
    clearEntry(entry);
    std::string name;
    for (int i = 0; i < 200; ++i)
        name += "あ"; // 600 bytes of UTF-8
    setEntryName(entry, name);
    EXPECT_EQ(entryName(entry).size(), 510u);
    EXPECT_EQ(entry.fileName[510], 0);
    EXPECT_EQ(entry.fileName[511], 0);
    setEntryName(entry, "x" + name);
    EXPECT_EQ(entryName(entry).size(), 508u); // 1 + 169 × 3
    EXPECT_EQ(cutToBytes("abcdef", 3), "abc");
}

TEST(CatalogLoad, ThumbnailFieldsOutOfRangeAreMadeAgain)
{
    TempFolder folder;
    auto wide = makeEntry("wide.zip", 1, 1, 100, 100);
    wide->thumbWidth = 300;
    auto offside = makeEntry("offside.zip", 1, 1, 100, 100);
    offside->thumbOffsetX = 29;
    auto flagged = makeEntry("flag.zip", 1, 1, 100, 100);
    flagged->hasThumbnail = 7;
    CatalogModel model =
        modelIn(folder, {wide, offside, flagged, makeEntry("ok.zip", 1, 1, 128, 1)});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    CaptureStderr();
    CatalogModel loaded = loadFrom(folder);
    const std::string trace = GetCapturedStderr();
    ASSERT_EQ(loaded.entries.size(), 4u);
    EXPECT_EQ(loaded.entries[0]->hasThumbnail, 0);
    EXPECT_EQ(loaded.entries[1]->hasThumbnail, 0);
    EXPECT_EQ(loaded.entries[2]->hasThumbnail, 0);
    EXPECT_EQ(loaded.entries[3]->hasThumbnail, 1);
    EXPECT_NE(trace.find("thumbnail of wide.zip is broken"), std::string::npos);
}

TEST(CatalogSave, AFailedSaveLeavesTheOldFileIntact)
{
    TempFolder folder;
    CatalogModel good = modelIn(folder, {makeEntry("good.zip", 1, 1, 64, 64)});
    ASSERT_TRUE(saveCatalog(good, nullptr));
    const Bytes before = readBytes(folder.file("_$mekuri.bin"));

    // A full disk, simulated by the file-size limit (which binds root as well): every point at
    // which a write can fail.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    for (rlim_t limit : {rlim_t(0), rlim_t(10), rlim_t(27), rlim_t(5000), rlim_t(before.size())}) {
        CatalogModel bigger = modelIn(
            folder, {makeEntry("a.zip", 1, 1, 128, 128, 1), makeEntry("b.zip", 2, 2, 128, 128, 2)});
        struct rlimit small = old;
        small.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        // (The trace is not captured here: the limit would bind the capture file too.)
        const bool saved = saveCatalog(bigger, nullptr);
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(saved) << limit;
        EXPECT_TRUE(bigger.modified);
        EXPECT_EQ(readBytes(folder.file("_$mekuri.bin")), before) << limit;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"_$mekuri.bin"}) << "left a file";
    }
    signal(SIGXFSZ, previous);
}

TEST(CatalogSave, FailureIsTraced)
{
    TempFolder folder;
    CatalogModel model = modelIn(folder, {});
    model.folderPath = folder.file("no such folder");
    CaptureStderr();
    EXPECT_FALSE(saveCatalog(model, nullptr));
    EXPECT_EQ(GetCapturedStderr(), "warning: can't save catalog\n");
    EXPECT_TRUE(model.modified);
}

TEST(CatalogSave, AFolderThatRefusesNewFilesKeepsTheOldCatalog)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the file-size test covers this";
    TempFolder folder;
    CatalogModel good = modelIn(folder, {makeEntry("good.zip", 1, 1, 64, 64)});
    ASSERT_TRUE(saveCatalog(good, nullptr));
    const Bytes before = readBytes(folder.file("_$mekuri.bin"));
    chmod(folder.path().c_str(), 0555);
    CatalogModel other = modelIn(folder, {});
    EXPECT_FALSE(saveCatalog(other, nullptr));
    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(readBytes(folder.file("_$mekuri.bin")), before);
}

TEST(CatalogSave, ReplacesTheOldFileAndKeepsItsPermissions)
{
    TempFolder folder;
    CatalogModel first = modelIn(folder, {makeEntry("a.zip", 1, 1)});
    ASSERT_TRUE(saveCatalog(first, nullptr));
    chmod(folder.file("_$mekuri.bin").c_str(), 0640);
    CatalogModel second = modelIn(folder, {});
    ASSERT_TRUE(saveCatalog(second, nullptr));
    EXPECT_EQ(readBytes(folder.file("_$mekuri.bin")).size(), 28u);
    struct stat st;
    ASSERT_EQ(stat(folder.file("_$mekuri.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"_$mekuri.bin"});
}

TEST(CatalogNames, RawCp932FileNamesOnDiskComeBackRaw)
{
    // Archives unpacked from Windows may carry cp932 bytes as their Linux name.
    TempFolder folder;
    std::string raw;
    ASSERT_TRUE(utf8ToCp932("漫画.zip", raw));
    writeText(folder.file(raw), "x");
    CatalogModel model = modelIn(folder, {makeEntry(raw, 1, 1)});
    ASSERT_TRUE(saveCatalog(model, nullptr));
    EXPECT_EQ(namesOf(loadFrom(folder).entries), std::vector<std::string>{raw});
}
