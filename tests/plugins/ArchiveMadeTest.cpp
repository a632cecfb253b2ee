// The archive plug-in on archives made here with Debian's own tools (7-Zip, jLHA, GNU tar),
// by minizip, and byte by byte: every entry must come back exactly as it went in, in any
// order of reading, with its name in UTF-8.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <thread>

#include "platform/Text.h"
#include "tests/plugins/ArchiveClient.h"
#include "tests/plugins/TestSupport.h"
#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Deterministic content: half of the files compress well, half hardly at all.
Bytes makeBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (seed % 2 == 0) ? static_cast<unsigned char>(random())
                                   : static_cast<unsigned char>("page text "[i % 10] + seed);
    return bytes;
}

bool makeFolders(const std::string& root, const std::string& name)
{
    for (size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
        mkdir((root + "/" + name.substr(0, slash)).c_str(), 0755);
    }
    return true;
}

// Writes the files under `root` and returns their names joined for a shell command line.
std::string writeFiles(const std::string& root, const std::map<std::string, Bytes>& files)
{
    std::string names;
    for (const auto& [name, bytes] : files) {
        makeFolders(root, name);
        writeFile(root + "/" + name, bytes);
        names += " " + shellQuote(name);
    }
    return names;
}

std::map<std::string, Bytes> bookFiles(int count)
{
    std::map<std::string, Bytes> files;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%03d.jpg", i);
        files[name] = makeBytes(3000 + static_cast<size_t>(i) * 1777, static_cast<unsigned>(i));
    }
    files["章/表紙 カバー.jpg"] = makeBytes(40000, 101);
    files["extras/notes.txt"] = makeBytes(5000, 7);
    return files;
}

class ArchiveMade : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(client.ready()) << client.loadError();
        ASSERT_FALSE(dir.path().empty());
        mkdir(dir.file("in").c_str(), 0755);
    }

    // Lists the archive and checks that it holds exactly `files`; returns the entries.
    std::vector<ArchiveClient::Entry> expectListing(const std::string& archive,
                                                    const std::map<std::string, Bytes>& files)
    {
        std::vector<ArchiveClient::Entry> entries;
        EXPECT_EQ(client.list(archive, entries), 0);
        std::map<std::string, uint32_t> listed;
        for (const auto& e : entries)
            listed[e.name()] = e.size;
        std::map<std::string, uint32_t> expected;
        for (const auto& [name, bytes] : files)
            expected[name] = static_cast<uint32_t>(bytes.size());
        EXPECT_EQ(listed, expected);
        return entries;
    }

    // Reads the entries in the given order of positions and compares each with its file.
    void expectContents(const std::string& archive, std::vector<ArchiveClient::Entry> entries,
                        const std::map<std::string, Bytes>& files)
    {
        for (const auto& e : entries) {
            Bytes bytes;
            ASSERT_EQ(client.get(archive, e.position, e.size, bytes), 0) << e.name();
            EXPECT_TRUE(bytes == files.at(e.name())) << e.name();
        }
    }

    ArchiveClient client;
    TempDir dir;
};

// One LZH header of level 0, method -lh0- (stored), for names given as raw bytes.
void appendStoredLzhEntry(Bytes& out, const std::string& rawName, const Bytes& data)
{
    auto crc16 = [](const Bytes& bytes) {
        unsigned crc = 0;
        for (unsigned char b : bytes) {
            crc ^= b;
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        return crc;
    };
    auto le32 = [](Bytes& b, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    Bytes header;
    for (char c : std::string("-lh0-"))
        header.push_back(static_cast<unsigned char>(c));
    le32(header, static_cast<uint32_t>(data.size()));
    le32(header, static_cast<uint32_t>(data.size()));
    le32(header, (45u << 25) | (6u << 21) | (15u << 16) | (12u << 11)); // 2025-06-15 12:00
    header.push_back(0x20);                                             // attribute: archive
    header.push_back(0);                                                // header level 0
    header.push_back(static_cast<unsigned char>(rawName.size()));
    for (char c : rawName)
        header.push_back(static_cast<unsigned char>(c));
    const unsigned crc = crc16(data);
    header.push_back(static_cast<unsigned char>(crc & 0xFF));
    header.push_back(static_cast<unsigned char>(crc >> 8));
    unsigned sum = 0;
    for (unsigned char b : header)
        sum += b;
    out.push_back(static_cast<unsigned char>(header.size()));
    out.push_back(static_cast<unsigned char>(sum & 0xFF));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), data.begin(), data.end());
}

std::string cp932(const std::string& utf8)
{
    std::string out;
    EXPECT_TRUE(utf8ToCp932(utf8, out));
    return out;
}

} // namespace

TEST_F(ArchiveMade, SolidSevenZipReadsExactlyInAnyOrder)
{
    if (!haveTool("7z"))
        GTEST_SKIP() << "7z (p7zip-full) is not installed";
    const auto files = bookFiles(24);
    const std::string names = writeFiles(dir.file("in"), files);
    const std::string archive = dir.file("book.cb7");
    ASSERT_TRUE(runIn(dir.file("in"), "7z a -t7z -ms=on -mx=5 " + shellQuote(archive) + names));
    auto entries = expectListing(archive, files);
    ASSERT_EQ(entries.size(), files.size());
    for (const auto& e : entries) {
        if (e.name() == "章/表紙 カバー.jpg") {
            EXPECT_EQ(e.path, "章/");
            EXPECT_EQ(e.filename, "表紙 カバー.jpg");
        }
        EXPECT_EQ(e.method, "7z");
    }
    SCOPED_TRACE("forward");
    expectContents(archive, entries, files);
    std::reverse(entries.begin(), entries.end());
    SCOPED_TRACE("backward");
    expectContents(archive, entries, files);
    std::shuffle(entries.begin(), entries.end(), std::mt19937(5));
    SCOPED_TRACE("shuffled");
    expectContents(archive, entries, files);
    // The same entry twice in a row (the reader stands past it after the first read).
    expectContents(archive, {entries[3], entries[3]}, files);
}

TEST_F(ArchiveMade, LzhOfEveryJlhaMethodReadsExactly)
{
    if (!haveTool("jlha"))
        GTEST_SKIP() << "jlha (jlha-utils) is not installed";
    std::map<std::string, Bytes> files;
    files["a.txt"] = makeBytes(70000, 3);
    files["b.bin"] = makeBytes(30000, 4);
    files["sub/c.txt"] = makeBytes(123457, 9);
    const std::string names = writeFiles(dir.file("in"), files);
    for (const char* method : {"5", "6", "7"}) {
        SCOPED_TRACE(method);
        const std::string archive = dir.file(std::string("m") + method + ".lzh");
        ASSERT_TRUE(runIn(dir.file("in"),
                          std::string("jlha ao") + method + " " + shellQuote(archive) + names));
        auto entries = expectListing(archive, files);
        bool compressed = false;
        for (const auto& e : entries)
            compressed = compressed || e.method == std::string("-lh") + method + "-";
        EXPECT_TRUE(compressed) << "jlha stored everything";
        expectContents(archive, entries, files);
    }
}

TEST_F(ArchiveMade, TarKeepsRegularFilesAndTimesAndLeavesLinksOut)
{
    std::map<std::string, Bytes> files;
    files["one.png"] = makeBytes(10000, 21);
    files["deep/two.gif"] = makeBytes(20001, 22);
    files["日本語/三.webp"] = makeBytes(333, 23);
    files["empty.bmp"] = Bytes();
    const std::string names = writeFiles(dir.file("in"), files);
    ASSERT_TRUE(runIn(dir.file("in"), "ln -s one.png link.png && ln one.png hard.png && "
                                      "touch -h -d @1234567890 one.png link.png"));
    const std::string archive = dir.file("book.cbt");
    ASSERT_TRUE(
        runIn(dir.file("in"), "tar cf " + shellQuote(archive) + names + " link.png hard.png"));
    // The hard link's copy is stored as a link to one.png and has no bytes of its own.
    auto entries = expectListing(archive, files);
    for (const auto& e : entries) {
        EXPECT_EQ(e.method, "tar");
        if (e.name() == "one.png") {
            EXPECT_EQ(e.time, 1234567890);
        }
    }
    expectContents(archive, entries, files);
}

TEST_F(ArchiveMade, EntriesAboveOneGibibyteAreLeftOut)
{
    std::map<std::string, Bytes> files;
    files["small.png"] = makeBytes(1000, 31);
    writeFiles(dir.file("in"), files);
    // A sparse file: 1.1 GiB in its header, a few kilobytes on disk and in the archive.
    ASSERT_TRUE(runIn(dir.file("in"), "truncate -s 1181116006 huge.png"));
    const std::string archive = dir.file("big.tar");
    ASSERT_TRUE(
        runIn(dir.file("in"), "tar --sparse -cf " + shellQuote(archive) + " huge.png small.png"));
    auto entries = expectListing(archive, files);
    expectContents(archive, entries, files);
    Bytes bytes;
    EXPECT_NE(client.get(archive, 0, 0, bytes), 0) << "position 0 is the huge entry";
}

TEST_F(ArchiveMade, LongEntryNamesAreLeftOutRatherThanCut)
{
    std::map<std::string, Bytes> files;
    files["short.png"] = makeBytes(100, 41);
    const std::string folder = std::string(200, 'f') + "/" + std::string(200, 'g') + "/" +
                               std::string(200, 'h') + "/" + std::string(200, 'i') + "/" +
                               std::string(200, 'j') + "/" + std::string(200, 'k') + "/";
    std::map<std::string, Bytes> all = files;
    all[folder + "deep.png"] = makeBytes(100, 42);
    const std::string names = writeFiles(dir.file("in"), all);
    const std::string archive = dir.file("long.tar");
    ASSERT_TRUE(runIn(dir.file("in"), "tar cf " + shellQuote(archive) + names));
    auto entries = expectListing(archive, files);
    expectContents(archive, entries, files);
}

TEST_F(ArchiveMade, CbzWithCp932NamesComesOutInUtf8)
{
    std::map<std::string, Bytes> files;
    files["第1話/001.jpg"] = makeBytes(5000, 51);
    files["第1話/表紙.jpg"] = makeBytes(6000, 52);
    files["readme.txt"] = makeBytes(100, 53);
    std::vector<std::pair<std::string, Bytes>> entries;
    for (const auto& [name, bytes] : files)
        entries.push_back({cp932(name), bytes});
    const std::string archive = dir.file("book.cbz");
    ASSERT_TRUE(writeZip(archive, entries));
    auto listed = expectListing(archive, files);
    expectContents(archive, listed, files);
}

TEST_F(ArchiveMade, LzhWithUnmarkedCp932NamesIsListedAndReadWhereverItsNamesStop)
{
    // libarchive stops walking an LZH at a name it cannot convert: raw, it stops at the cp932
    // name; as cp932, at a UTF-8 one. The plug-in takes the walk that goes furthest.
    const Bytes first = makeBytes(300, 61), second = makeBytes(400, 62), third = makeBytes(50, 63);
    Bytes lzh;
    appendStoredLzhEntry(lzh, "first.jpg", first);
    appendStoredLzhEntry(lzh, cp932("テスト画像.jpg"), second);
    appendStoredLzhEntry(lzh, "third.jpg", third);
    lzh.push_back(0);
    const std::string archive = dir.file("sjis.lzh");
    ASSERT_TRUE(writeFile(archive, lzh));
    // Read before any listing (a fresh file): the plug-in must find the way through itself.
    Bytes bytes;
    ASSERT_EQ(client.get(archive, 2, static_cast<uint32_t>(third.size()), bytes), 0);
    EXPECT_EQ(bytes, third);
    auto entries = expectListing(
        archive, {{"first.jpg", first}, {"テスト画像.jpg", second}, {"third.jpg", third}});
    expectContents(archive, entries,
                   {{"first.jpg", first}, {"テスト画像.jpg", second}, {"third.jpg", third}});
}

TEST_F(ArchiveMade, LzhWithUtf8NamesKeepsThem)
{
    const Bytes data = makeBytes(256, 64);
    Bytes lzh;
    appendStoredLzhEntry(lzh, "ページ/テスト.png", data);
    lzh.push_back(0);
    const std::string archive = dir.file("utf8.lzh");
    ASSERT_TRUE(writeFile(archive, lzh));
    auto entries = expectListing(archive, {{"ページ/テスト.png", data}});
    expectContents(archive, entries, {{"ページ/テスト.png", data}});
}

TEST_F(ArchiveMade, ReplacedArchiveIsReadAfresh)
{
    if (!haveTool("7z"))
        GTEST_SKIP() << "7z (p7zip-full) is not installed";
    const std::string archive = dir.file("swap.7z");
    std::map<std::string, Bytes> before = {{"a.jpg", makeBytes(5000, 71)},
                                           {"b.jpg", makeBytes(6000, 72)}};
    writeFiles(dir.file("in"), before);
    ASSERT_TRUE(runIn(dir.file("in"), "7z a -ms=on " + shellQuote(archive) + " a.jpg b.jpg"));
    auto entries = expectListing(archive, before);
    expectContents(archive, {entries[0]}, before);
    // Same path, new file: the reader kept on the old one must not be used.
    std::map<std::string, Bytes> after = {{"a.jpg", makeBytes(7000, 73)},
                                          {"b.jpg", makeBytes(8000, 74)}};
    writeFiles(dir.file("in"), after);
    ASSERT_EQ(std::remove(archive.c_str()), 0);
    ASSERT_TRUE(runIn(dir.file("in"), "7z a -ms=on " + shellQuote(archive) + " a.jpg b.jpg"));
    entries = expectListing(archive, after);
    expectContents(archive, entries, after);
}

namespace {

struct ProgressLog {
    int calls = 0;
    int lastDone = -1;
    int total = -1;
    bool ordered = true;
    int stopAfter = -1; // answer non-zero on this call
};

int progressRecorder(int done, int total, long user)
{
    auto* log = reinterpret_cast<ProgressLog*>(user);
    ++log->calls;
    if (total > 0) {
        log->ordered = log->ordered && done >= log->lastDone && done <= total;
        log->lastDone = done;
        log->total = total;
    }
    return log->calls == log->stopAfter ? 1 : 0;
}

} // namespace

TEST_F(ArchiveMade, ProgressIsReportedAndCanStopTheRead)
{
    std::map<std::string, Bytes> files = {{"big.png", makeBytes(5 * 1024 * 1024 + 17, 81)},
                                          {"small.png", makeBytes(10, 82)}};
    const std::string names = writeFiles(dir.file("in"), files);
    const std::string archive = dir.file("progress.tar");
    ASSERT_TRUE(runIn(dir.file("in"), "tar cf " + shellQuote(archive) + names));
    auto entries = expectListing(archive, files);
    const auto& big = entries[0].name() == "big.png" ? entries[0] : entries[1];

    ProgressLog log;
    Bytes bytes;
    ASSERT_EQ(client.get(archive, big.position, big.size, bytes, progressRecorder,
                         reinterpret_cast<long>(&log)),
              0);
    EXPECT_GE(log.calls, 3);
    EXPECT_TRUE(log.ordered);
    EXPECT_EQ(log.total, static_cast<int>(big.size));
    EXPECT_EQ(log.lastDone, static_cast<int>(big.size));

    ProgressLog stopper;
    stopper.stopAfter = 2;
    EXPECT_NE(client.get(archive, big.position, big.size, bytes, progressRecorder,
                         reinterpret_cast<long>(&stopper)),
              0);
    EXPECT_EQ(stopper.calls, 2) << "no call after the answer to stop";
    expectContents(archive, entries, files);
}

TEST_F(ArchiveMade, TwoThreadsReadingTwoArchivesGetExactBytes)
{
    if (!haveTool("7z"))
        GTEST_SKIP() << "7z (p7zip-full) is not installed";
    const auto files = bookFiles(10);
    const std::string names = writeFiles(dir.file("in"), files);
    const std::string a = dir.file("a.7z"), b = dir.file("b.cbt");
    ASSERT_TRUE(runIn(dir.file("in"), "7z a -ms=on " + shellQuote(a) + names));
    ASSERT_TRUE(runIn(dir.file("in"), "tar cf " + shellQuote(b) + names));
    const auto entriesA = expectListing(a, files), entriesB = expectListing(b, files);
    std::atomic<int> wrong{0};
    auto reader = [&](const std::string& archive, const std::vector<ArchiveClient::Entry>& es) {
        for (int round = 0; round < 3; ++round) {
            for (const auto& e : es) {
                Bytes bytes;
                if (client.get(archive, e.position, e.size, bytes) != 0 ||
                    bytes != files.at(e.name()))
                    ++wrong;
            }
        }
    };
    std::thread t1(reader, a, entriesA), t2(reader, b, entriesB);
    t1.join();
    t2.join();
    EXPECT_EQ(wrong.load(), 0);
}

namespace {

// What a progress callback that reads again needs: the program lets its event loop run in
// the catalog's callback, and a page drawn there reads through the same plug-in.
struct Reentry {
    const ArchiveClient* client = nullptr;
    std::string archive;
    std::vector<ArchiveClient::Entry> entries;
    const std::map<std::string, std::vector<unsigned char>>* files = nullptr;
    int inner = 0;
    int innerWrong = 0;
};

int readAgain(int, int, long user)
{
    auto* r = reinterpret_cast<Reentry*>(user);
    // Alternate between the last entry and the first, which moves any shared reader.
    const auto& e = r->entries[r->inner % 2 == 0 ? r->entries.size() - 1 : 0];
    ++r->inner;
    std::vector<unsigned char> bytes;
    if (r->client->get(r->archive, e.position, e.size, bytes) != 0 ||
        bytes != r->files->at(e.name()))
        ++r->innerWrong;
    return 0;
}

} // namespace

TEST_F(ArchiveMade, ReadingAgainFromInsideTheProgressCallbackIsSafe)
{
    if (!haveTool("7z"))
        GTEST_SKIP() << "7z (p7zip-full) is not installed";
    auto files = bookFiles(8);
    files["big.png"] = makeBytes(3 * 1024 * 1024, 91);
    const std::string names = writeFiles(dir.file("in"), files);
    const std::string archive = dir.file("reentry.7z");
    ASSERT_TRUE(runIn(dir.file("in"), "7z a -ms=on " + shellQuote(archive) + names));
    Reentry reentry;
    reentry.client = &client;
    reentry.archive = archive;
    reentry.entries = expectListing(archive, files);
    reentry.files = &files;
    for (const auto& e : reentry.entries) {
        std::vector<unsigned char> bytes;
        ASSERT_EQ(client.get(archive, e.position, e.size, bytes, readAgain,
                             reinterpret_cast<long>(&reentry)),
                  0)
            << e.name();
        EXPECT_TRUE(bytes == files.at(e.name())) << e.name();
    }
    EXPECT_GT(reentry.inner, static_cast<int>(reentry.entries.size()));
    EXPECT_EQ(reentry.innerWrong, 0);
}
