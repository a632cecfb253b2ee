#include "pipeline/ZipBook.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "PipelineTestSupport.h"
#include "pipeline/Decoders.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"
#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Entries = std::vector<std::pair<std::string, Bytes>>;

const std::string kFixtures = MEKURI_FIXTURES;

Bytes patterned(size_t size, int seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + size_t(seed) * 13) & 0xFF);
    return bytes;
}

struct Listing {
    int ok = 0;
    int64_t bookTime = 0;
    std::vector<PageEntry> pages;
};

Listing list(const std::string& archive)
{
    Listing l;
    l.ok = unzip_list(archive, &l.bookTime, l.pages);
    return l;
}

// Extracts page `i` of a listing; empty optional-like result on failure.
bool extractBytes(const std::string& archive, const PageEntry& entry, Bytes* out)
{
    MemoryBlock block;
    if (unzip_file(archive, entry, block) != 0)
        return false;
    out->assign(block.data(), block.data() + block.size());
    return true;
}

void put32(Bytes& bytes, size_t at, uint32_t value)
{
    std::memcpy(&bytes[at], &value, 4);
}

// Offsets of every record with this 4-byte signature.
std::vector<size_t> findSignature(const Bytes& bytes, uint32_t signature)
{
    std::vector<size_t> found;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
        uint32_t v;
        std::memcpy(&v, &bytes[i], 4);
        if (v == signature)
            found.push_back(i);
    }
    return found;
}

// Rewrites the uncompressed size of entry `index` in both its local and its central record.
void claimSize(Bytes& zip, size_t index, uint32_t size)
{
    const auto local = findSignature(zip, 0x04034b50);
    const auto central = findSignature(zip, 0x02014b50);
    ASSERT_GT(local.size(), index);
    ASSERT_GT(central.size(), index);
    put32(zip, local[index] + 22, size);
    put32(zip, central[index] + 24, size);
}

std::string writeZipFile(const TempFolder& folder, const std::string& name, const Entries& entries,
                         bool store = false, bool utf8Flag = false)
{
    const std::string path = folder.file(name);
    EXPECT_TRUE(writeZip(path, entries, store, utf8Flag));
    return path;
}

} // namespace

TEST(ZipBook, ListsEveryEntryInDirectoryOrder)
{
    TempFolder folder;
    const std::string path =
        writeZipFile(folder, "b.zip",
                     {{"b.jpg", patterned(100, 1)}, {"sub/", {}}, {"a.txt", patterned(3000, 2)}});
    int pumped = 0;
    setEventPump([&pumped] { ++pumped; });
    const Listing l = list(path);
    setEventPump(nullptr);
    ASSERT_EQ(l.ok, 1);
    ASSERT_EQ(l.pages.size(), 3u);
    EXPECT_EQ(l.pages[0].name, "b.jpg");
    EXPECT_EQ(l.pages[1].name, "sub/");
    EXPECT_EQ(l.pages[2].name, "a.txt");
    EXPECT_EQ(l.pages[2].size, 3000u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(l.pages[i].position, i);
        EXPECT_NE(l.pages[i].zipOffset, 0u);
        EXPECT_TRUE(l.pages[i].label.empty());
    }
    // BookMaker dates every entry 2024-01-15 12:00:00, read as local time.
    EXPECT_EQ(l.pages[0].time, zipEntryTime(2024, 0, 15, 12, 0, 0));
    int64_t mtime = 0;
    ASSERT_TRUE(fileStatus(path, nullptr, &mtime));
    EXPECT_EQ(l.bookTime, mtime);
    EXPECT_GE(pumped, 5); // before and after opening, and before each entry
}

TEST(ZipBook, EntryTimesAreLocalWithoutDaylightSaving)
{
    std::tm t = {};
    t.tm_year = 99;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 58;
    EXPECT_EQ(zipEntryTime(1999, 11, 31, 23, 59, 58), static_cast<int64_t>(std::mktime(&t)));
}

TEST(ZipBook, ExtractsEntriesStoredAndDeflated)
{
    TempFolder folder;
    for (bool store : {false, true}) {
        const Entries entries = {
            {"one.bin", patterned(100000, 1)}, {"empty", {}}, {"two.bin", patterned(8192, 2)}};
        const std::string path = writeZipFile(folder, store ? "s.zip" : "d.zip", entries, store);
        const Listing l = list(path);
        ASSERT_EQ(l.pages.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            Bytes bytes;
            TraceCapture trace;
            ASSERT_TRUE(extractBytes(path, l.pages[i], &bytes)) << i;
            EXPECT_EQ(bytes, entries[i].second) << i;
            EXPECT_NE(
                trace.text().find("miniunzip extractor called(idx=" + std::to_string(i) + ")\n"),
                std::string::npos);
        }
    }
}

TEST(ZipBook, WalksFromTheFirstEntryWhenTheOffsetIsUnknown)
{
    TempFolder folder;
    const Entries entries = {
        {"a", patterned(10, 1)}, {"b", patterned(20, 2)}, {"c", patterned(30, 3)}};
    const std::string path = writeZipFile(folder, "w.zip", entries);
    Listing l = list(path);
    ASSERT_EQ(l.pages.size(), 3u);
    PageEntry last = l.pages[2];
    last.zipOffset = 0;
    Bytes bytes;
    ASSERT_TRUE(extractBytes(path, last, &bytes));
    EXPECT_EQ(bytes, entries[2].second);
    last.position = 7; // past the end
    TraceCapture trace;
    EXPECT_FALSE(extractBytes(path, last, &bytes));
    EXPECT_NE(trace.text().find("unzip_file(): unzGoToNextFile() failed\n"), std::string::npos);
}

TEST(ZipBook, NamesWithTheUtf8FlagOrValidUtf8AreKept)
{
    const Listing flagged = list(kFixtures + "/archives/zip/la_zip_filename_utf8_jp.zip");
    ASSERT_EQ(flagged.ok, 1);
    ASSERT_EQ(flagged.pages.size(), 3u);
    EXPECT_EQ(flagged.pages[0].name, "表だよ/");
    EXPECT_EQ(flagged.pages[1].name, "表だよ/一覧表.txt");
    EXPECT_EQ(flagged.pages[2].name, "表だよ/漢字.txt");

    // Valid UTF-8 without the flag (what many Linux tools write).
    TempFolder folder;
    const std::string path = writeZipFile(folder, "u.zip", {{"ページ01.jpg", patterned(5, 1)}});
    const Listing unflagged = list(path);
    ASSERT_EQ(unflagged.pages.size(), 1u);
    EXPECT_EQ(unflagged.pages[0].name, "ページ01.jpg");
}

TEST(ZipBook, ShiftJisNamesAreDecoded)
{
    const Listing l = list(kFixtures + "/archives/zip/la_zip_filename_cp932_sjis.zip");
    ASSERT_EQ(l.ok, 1);
    ASSERT_EQ(l.pages.size(), 2u);
    EXPECT_EQ(l.pages[0].name, "表だよ/一覧表.txt");
    EXPECT_EQ(l.pages[1].name, "表だよ/漢字.txt");
    Bytes bytes;
    EXPECT_TRUE(extractBytes(kFixtures + "/archives/zip/la_zip_filename_cp932_sjis.zip", l.pages[1],
                             &bytes));
    EXPECT_EQ(bytes.size(), 5u);
}

TEST(ZipBook, EntryNamesAreCleanedAndCut)
{
    EXPECT_EQ(zipEntryName("\x83\x79\x81\x5B\x83\x57.jpg", 0), "ページ.jpg");
    // With the flag, bytes are not reinterpreted; ill-formed ones become U+FFFD.
    EXPECT_EQ(zipEntryName("a\x83.jpg", 1ul << 11), "a\xEF\xBF\xBD.jpg");
    // Neither UTF-8 nor cp932 (a lone lead byte at the end).
    EXPECT_EQ(zipEntryName("x\x81", 0), "x\xEF\xBF\xBD");
    EXPECT_EQ(zipEntryName(std::string("cut\0here", 8), 0), "cut");
    EXPECT_EQ(zipEntryName(std::string(300, 'n'), 0), std::string(255, 'n'));
    // Kanji count two cp932 bytes each: 127 of them fit in 255 bytes, never half of one.
    std::string kanji;
    for (int i = 0; i < 200; ++i)
        kanji += "漢";
    std::string expected;
    for (int i = 0; i < 127; ++i)
        expected += "漢";
    EXPECT_EQ(zipEntryName(kanji, 1ul << 11), expected);
}

TEST(ZipBook, LongEntryNamesAreCutTo255Bytes)
{
    TempFolder folder;
    const std::string longName = std::string(300, 'p') + ".jpg";
    const std::string path = writeZipFile(folder, "l.zip", {{longName, patterned(10, 1)}});
    const Listing l = list(path);
    ASSERT_EQ(l.pages.size(), 1u);
    EXPECT_EQ(l.pages[0].name, std::string(255, 'p'));
    Bytes bytes;
    EXPECT_TRUE(extractBytes(path, l.pages[0], &bytes));
}

TEST(ZipBook, BrokenArchivesAreNotListed)
{
    TempFolder folder;
    const std::string empty = folder.file("empty.zip");
    ASSERT_TRUE(writeFile(empty, {}));
    const std::string garbage = folder.file("garbage.zip");
    ASSERT_TRUE(writeFile(garbage, patterned(5000, 9)));
    for (const std::string& path :
         {empty, garbage, kFixtures + "/books/photobook_truncated.cbz", folder.file("missing.zip"),
          kFixtures + "/archives/zip/malformed/la_zip_malformed1.zip"}) {
        TraceCapture trace;
        const Listing l = list(path);
        EXPECT_EQ(l.ok, 0) << path;
        EXPECT_TRUE(l.pages.empty());
        EXPECT_NE(trace.text().find("Cannot open " + path + "\n"), std::string::npos) << path;
    }
}

TEST(ZipBook, DirectoryShorterThanItsCountKeepsWhatWasListed)
{
    TempFolder folder;
    Bytes zip;
    {
        const std::string path =
            writeZipFile(folder, "c.zip", {{"a", patterned(5, 1)}, {"b", patterned(5, 2)}});
        zip = readFile(path);
    }
    // The end record claims five entries where two exist.
    const auto end = findSignature(zip, 0x06054b50);
    ASSERT_EQ(end.size(), 1u);
    zip[end[0] + 8] = 5;
    zip[end[0] + 10] = 5;
    const std::string path = folder.file("count.zip");
    ASSERT_TRUE(writeFile(path, zip));
    TraceCapture trace;
    const Listing l = list(path);
    EXPECT_EQ(l.ok, 1);
    EXPECT_EQ(l.pages.size(), 2u);
    EXPECT_NE(trace.text().find("with zipfile in unzGoToNextFile\n"), std::string::npos);
}

TEST(ZipBook, EntryClaimingMoreBytesThanItHoldsFails)
{
    TempFolder folder;
    for (bool store : {true, false}) {
        const std::string name = store ? "more-s.zip" : "more-d.zip";
        Bytes zip = readFile(writeZipFile(folder, name, {{"a.bin", patterned(1000, 1)}}, store));
        claimSize(zip, 0, 1500);
        ASSERT_TRUE(writeFile(folder.file(name), zip));
        const Listing l = list(folder.file(name));
        ASSERT_EQ(l.pages.size(), 1u);
        EXPECT_EQ(l.pages[0].size, 1500u);
        TraceCapture trace;
        Bytes bytes;
        EXPECT_FALSE(extractBytes(folder.file(name), l.pages[0], &bytes)) << name;
        const std::string text = trace.text();
        EXPECT_NE(text.find("holds 1000 of 1500 bytes"), std::string::npos) << text;
    }
}

TEST(ZipBook, EntryHoldingMoreBytesThanItClaimsFails)
{
    TempFolder folder;
    Bytes zip = readFile(writeZipFile(folder, "less.zip", {{"a.bin", patterned(1000, 1)}}, true));
    claimSize(zip, 0, 500);
    ASSERT_TRUE(writeFile(folder.file("less.zip"), zip));
    const Listing l = list(folder.file("less.zip"));
    ASSERT_EQ(l.pages.size(), 1u);
    {
        // Only the claimed 500 bytes are read; their CRC is not the entry's.
        TraceCapture trace;
        Bytes bytes;
        EXPECT_FALSE(extractBytes(folder.file("less.zip"), l.pages[0], &bytes));
        EXPECT_NE(trace.text().find("error -105 with zipfile in unzCloseCurrentFile"),
                  std::string::npos);
    }
    {
        // A listing that disagrees with the archive: never more than the listed size is written.
        const std::string path = writeZipFile(folder, "ok.zip", {{"a.bin", patterned(1000, 1)}});
        PageEntry entry = list(path).pages.at(0);
        entry.size = 10;
        TraceCapture trace;
        Bytes bytes;
        EXPECT_FALSE(extractBytes(path, entry, &bytes));
        EXPECT_NE(trace.text().find("holds more than 10 bytes"), std::string::npos);
    }
}

TEST(ZipBook, CrcErrorsFailThePage)
{
    const std::string path = kFixtures + "/books/photobook_crc_error.cbz";
    const Listing l = list(path);
    ASSERT_EQ(l.ok, 1);
    ASSERT_EQ(l.pages.size(), 4u);
    Bytes bytes;
    EXPECT_TRUE(extractBytes(path, l.pages[0], &bytes));
    TraceCapture trace;
    EXPECT_FALSE(extractBytes(path, l.pages[1], &bytes)); // page2.jpg
    EXPECT_NE(trace.text().find("error -105 with zipfile in unzCloseCurrentFile"),
              std::string::npos);
}

TEST(ZipBook, EncryptedAndUnsupportedEntriesFail)
{
    for (const char* file : {"la_zip_zipcrypto.zip", "la_zip_lzma_by_7zip.zip"}) {
        const std::string path = kFixtures + "/archives/zip/" + file;
        const Listing l = list(path);
        ASSERT_EQ(l.ok, 1) << file;
        int failed = 0;
        for (const PageEntry& entry : l.pages) {
            Bytes bytes;
            if (entry.size > 0 && !extractBytes(path, entry, &bytes))
                ++failed;
        }
        EXPECT_GE(failed, 2) << file;
    }
}

TEST(ZipBook, RealBooksInEveryZipFlavourExtractAndDecode)
{
    for (const char* file :
         {"photobook.cbz", "photobook_zip64_stored.cbz", "photobook_streamed_data_descriptor.cbz",
          "photobook_utf8_names.cbz"}) {
        const std::string path = kFixtures + "/books/" + file;
        const Listing l = list(path);
        ASSERT_EQ(l.ok, 1) << file;
        ASSERT_GE(l.pages.size(), 3u) << file;
        const PageEntry& last = l.pages.back();
        MemoryBlock block;
        ASSERT_EQ(unzip_file(path, last, block), 0) << file;
        EXPECT_EQ(block.size(), last.size);
        int w = 0, h = 0;
        std::unique_ptr<unsigned char[]> pixels;
        EXPECT_EQ(get_image(&w, &h, pixels, last.name, block.data(), block.size()), 1) << file;
        EXPECT_GE(w, 900) << file;
    }
}

TEST(ZipBook, ThreadsExtractFromOneArchiveAtOnce)
{
    const std::string path = kFixtures + "/books/photobook.cbz";
    const Listing l = list(path);
    ASSERT_EQ(l.pages.size(), 15u);
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = size_t(t); i < l.pages.size(); i += 2) {
                MemoryBlock block;
                if (unzip_file(path, l.pages[i], block) != 0 || block.size() != l.pages[i].size)
                    ++failures[size_t(t)];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(ZipBook, Zip64SizesComeFromTheExtraField)
{
    // Every central record of this book says 0xFFFFFFFF and keeps the size in its Zip64 field.
    const std::string path = kFixtures + "/books/photobook_zip64_stored.cbz";
    const Listing l = list(path);
    ASSERT_EQ(l.pages.size(), 15u);
    EXPECT_EQ(l.pages[0].name, "ComicInfo.xml");
    EXPECT_EQ(l.pages[0].size, 421u);
    EXPECT_EQ(l.pages[1].size, 139741u);
    EXPECT_EQ(l.pages[14].size, 254329u);
    Bytes bytes;
    ASSERT_TRUE(extractBytes(path, l.pages[0], &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "<?xml");

    // minizip does not check the CRC of such entries; a damaged one must still fail.
    TempFolder folder;
    Bytes zip = readFile(path);
    const auto local = findSignature(zip, 0x04034b50);
    ASSERT_EQ(local.size(), 15u);
    zip[local[1] + 30 + 9 + 100] ^= 0xFF; // inside Page1.jpg's stored bytes
    ASSERT_TRUE(writeFile(folder.file("bad.zip"), zip));
    TraceCapture trace;
    EXPECT_FALSE(extractBytes(folder.file("bad.zip"), l.pages[1], &bytes));
    EXPECT_NE(trace.text().find("CRC error in Page1.jpg"), std::string::npos);
}

TEST(ZipBook, DamagedFixturesNeverGiveAWrongSizedPage)
{
    for (const char* file : {"/books/infozip_streamed_zip64_missing_eocd64.cbz",
                             "/archives/zip/la_zip64_invalid_traditional_eocd.zip",
                             "/archives/zip/la_zip_data_descriptor_dir.zip",
                             "/archives/zip/malformed/la_zip_bz2_hang.zip",
                             "/archives/zip/malformed/la_zipx_ppmd8_crash.zipx",
                             "/archives/zip/la_zip_prepended_data.zip"}) {
        const std::string path = kFixtures + file;
        const Listing l = list(path);
        for (const PageEntry& entry : l.pages) {
            MemoryBlock block;
            if (unzip_file(path, entry, block) == 0)
                EXPECT_EQ(block.size(), entry.size) << file << " " << entry.name;
            else
                EXPECT_FALSE(block.valid());
        }
    }
}
