#include "catalog/CatalogFile.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <map>

#include "CatalogTestSupport.h"

using namespace catalogtest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const std::string kCorpus = std::string(MEKURI_TEST_DATA) + "/catalog";

// Each broken file and the trace that names its fault.
const std::map<std::string, std::string> kExpected = {
    {"empty_file.bin", "loadCatalog(): magic number or version mismatch\n"},
    {"wrong_magic.bin", "loadCatalog(): magic number or version mismatch\n"},
    {"version_0001.bin", "loadCatalog(): magic number or version mismatch\n"},
    {"truncated_header.bin", "loadCatalog(): magic number or version mismatch\n"},
    {"wrong_record_size.bin", "loadCatalog(): ??? entry size mismatch. 49697,49696\n"},
    {"truncated_count.bin", "loadCatalog(): file is truncated\n"},
    {"negative_count.bin", "loadCatalog(): bad entry count -1\n"},
    {"huge_count.bin", "loadCatalog(): bad entry count 2147483647\n"},
    {"count_past_file.bin", "loadCatalog(): bad entry count 1000\n"},
    {"truncated_record.bin", "loadCatalog(): file is truncated\n"},
    {"truncated_length.bin", "loadCatalog(): file is truncated\n"},
    {"negative_length.bin", "loadCatalog(): bad compressed length -5 of record 0\n"},
    {"long_length.bin", "loadCatalog(): bad compressed length 149089 of record 0\n"},
    {"length_past_end.bin", "loadCatalog(): file is truncated\n"},
    {"expands_too_far.bin", "loadCatalog(): record 0 does not expand to one entry\n"},
    {"expands_far_past.bin", "loadCatalog(): record 0 does not expand to one entry\n"},
    {"expands_too_short.bin", "loadCatalog(): record 0 does not expand to one entry\n"},
    {"zero_length_record.bin", "loadCatalog(): record 0 does not expand to one entry\n"},
    {"cut_escape_item.bin", "loadCatalog(): record 0 does not expand to one entry\n"},
    {"second_record_broken.bin", "loadCatalog(): record 1 does not expand to one entry\n"},
};

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(kCorpus.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bin") == 0)
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(BrokenCatalog, EveryFileOfTheCorpusIsKnown)
{
    std::vector<std::string> known;
    for (const auto& item : kExpected)
        known.push_back(item.first);
    EXPECT_EQ(corpusFiles(), known);
}

TEST(BrokenCatalog, EachLoadsAsAnEmptyCatalogWithItsTrace)
{
    for (const std::string& name : corpusFiles()) {
        TempFolder folder;
        writeBytes(folder.file("_$mekuri.bin"), readBytes(kCorpus + "/" + name));
        CatalogModel model;
        model.folderPath = folder.path();
        model.entries.push_back(makeEntry("stale.zip", 1, 1));
        CaptureStderr();
        EXPECT_FALSE(loadCatalog(model)) << name;
        const std::string trace = GetCapturedStderr();
        EXPECT_TRUE(model.entries.empty()) << name;
        EXPECT_FALSE(model.modified) << name;
        const auto expected = kExpected.find(name);
        ASSERT_NE(expected, kExpected.end()) << name;
        EXPECT_EQ(trace.substr(0, expected->second.size()), expected->second) << name;
    }
}

TEST(BrokenCatalog, ACountNeedingMoreMemoryThanAllowedIsRefusedBeforeAllocating)
{
    // A file large enough for the count, of records that each need only 8 bytes, but more
    // of them than the memory allowance permits.
    const size_t count = maxCatalogEntries() + 1;
    std::vector<unsigned char> file = {'m', 'e', 'k', 'u',  'r',  'i',  ' ', 'c',
                                       'a', 't', 'a', 'l',  'o',  'g',  ' ', '0',
                                       '0', '0', '0', '\n', 0x20, 0xC2, 0,   0};
    for (int i = 0; i < 4; ++i)
        file.push_back(static_cast<unsigned char>(count >> (8 * i)));
    const unsigned char record[8] = {4, 0, 0, 0, 0x88, 0, 0x20, 0xC2};
    for (size_t i = 0; i < count; ++i)
        file.insert(file.end(), record, record + 8);
    FILE* stream = fmemopen(file.data(), file.size(), "rb");
    ASSERT_NE(stream, nullptr);
    CatalogEntries entries;
    CaptureStderr();
    EXPECT_FALSE(readCatalog(stream, static_cast<int64_t>(file.size()), nullptr, entries));
    fclose(stream);
    EXPECT_EQ(GetCapturedStderr(),
              "loadCatalog(): bad entry count " + std::to_string(count) + "\n");
    EXPECT_TRUE(entries.empty());
}

TEST(BrokenCatalog, AllZeroRecordsOfEightBytesLoad)
{
    // The smallest records the writer can make (a whole record in one escape item) are valid.
    std::vector<unsigned char> file = {'m',  'e',  'k', 'u', 'r', 'i', ' ', 'c', 'a', 't',
                                       'a',  'l',  'o', 'g', ' ', '0', '0', '0', '0', '\n',
                                       0x20, 0xC2, 0,   0,   3,   0,   0,   0};
    const unsigned char record[8] = {4, 0, 0, 0, 0x88, 0, 0x20, 0xC2};
    for (int i = 0; i < 3; ++i)
        file.insert(file.end(), record, record + 8);
    FILE* stream = fmemopen(file.data(), file.size(), "rb");
    ASSERT_NE(stream, nullptr);
    CatalogEntries entries;
    EXPECT_TRUE(readCatalog(stream, static_cast<int64_t>(file.size()), nullptr, entries));
    fclose(stream);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entryName(*entries[2]), "");
}
