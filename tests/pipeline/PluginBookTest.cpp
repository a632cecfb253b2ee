#include "pipeline/PluginBook.h"

#include <gtest/gtest.h>

#include <fstream>

#include "PipelineTestSupport.h"
#include "pipeline/Decoders.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/FileOps.h"
#include "platform/Text.h"
#include "platform/UiHooks.h"
#include "tools/BookMaker.h"

namespace {

void writeManifest(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text;
}

const char kThreeEntries[] = "entry -lh5- dir/ a.jpg 100 100 1700000000\n"
                             "entry -lh5- - b.pic 20 20 -1\n"
                             "entry -lh0- x/y/ c.txt 0 0 5\n";

int progressCalls = 0;
int countProgress(int, int, long)
{
    ++progressCalls;
    return 0;
}

} // namespace

TEST(PluginBook, ListsRecordsThroughThePlugin)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string path = folder.file("book.arc");
    writeManifest(path, kThreeEntries);
    std::vector<bool> cursor;
    setBusyCursorHook([&cursor](bool busy) { cursor.push_back(busy); });
    int pumped = 0;
    setEventPump([&pumped] { ++pumped; });
    ImageOperatorWrapper book(path);
    setBusyCursorHook(nullptr);
    setEventPump(nullptr);
    ASSERT_EQ(book.valid, 1);
    ASSERT_NE(book.plugin, nullptr);
    EXPECT_EQ(book.plugin->fileName, "arc.spi");
    ASSERT_EQ(book.pages.size(), 3u);
    EXPECT_EQ(book.pages[0].name, "dir/a.jpg");
    EXPECT_EQ(book.pages[1].name, "b.pic");
    EXPECT_EQ(book.pages[2].name, "x/y/c.txt");
    EXPECT_EQ(book.pages[0].size, 100u);
    EXPECT_EQ(book.pages[0].position, 1000u);
    EXPECT_EQ(book.pages[2].position, 1002u);
    EXPECT_EQ(book.pages[0].time, 1700000000);
    EXPECT_EQ(book.pages[1].time, 4294967295LL); // the 32-bit stamp, zero-extended
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(pumped, 2);
    int64_t mtime = 0;
    ASSERT_TRUE(fileStatus(path, nullptr, &mtime));
    EXPECT_EQ(book.bookTime, mtime);
}

TEST(PluginBook, ExtractsThroughGetFile)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string jpeg = folder.file("page.jpg");
    ASSERT_TRUE(writeFile(jpeg, encodeJpeg(RgbImage(40, 30, Rgb{9, 9, 9}))));
    const size_t jpegSize = readFile(jpeg).size();
    const std::string path = folder.file("book.arc");
    writeManifest(path, kThreeEntries + std::string("entry -lh5- - real.jpg ") +
                            std::to_string(jpegSize) + " 0 0 " + jpeg + "\n");
    ImageOperatorWrapper book(path);
    ASSERT_EQ(book.pages.size(), 4u);
    MemoryBlock block;
    progressCalls = 0;
    ASSERT_EQ(book.extract(1, block, countProgress), 1);
    EXPECT_EQ(progressCalls, 1);
    ASSERT_EQ(block.size(), 20u);
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(block.data()[i], (1 + i) & 0xFF);
    ASSERT_EQ(book.extract(2, block), 1);
    EXPECT_EQ(block.size(), 0u);
    ASSERT_EQ(book.extract(3, block), 1);
    int w = 0, h = 0;
    std::unique_ptr<unsigned char[]> pixels;
    EXPECT_EQ(get_image(&w, &h, pixels, book.pages[3].name, block.data(), block.size()), 1);
    EXPECT_EQ(w, 40);
}

TEST(PluginBook, ShortBlocksAndFailedCallsFailThePage)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string path = folder.file("book.arc");
    // Listed 1000 bytes, hands over 10; a source file that does not exist.
    writeManifest(path, "entry -lh5- - short.jpg 1000 10 0\n"
                        "entry -lh5- - gone.jpg 5 5 0 /nonexistent/file.jpg\n");
    ImageOperatorWrapper book(path);
    ASSERT_EQ(book.pages.size(), 2u);
    for (int page : {0, 1}) {
        TraceCapture trace;
        MemoryBlock block = MemoryBlock::allocate(4);
        EXPECT_EQ(book.extract(page, block), 0);
        EXPECT_FALSE(block.valid());
        const std::string text = trace.text();
        EXPECT_NE(text.find("ImageOperatorWrapper::extract(" + std::to_string(page) + ") failed\n"),
                  std::string::npos);
        EXPECT_NE(text.find(page == 0 ? "gave" : "failed 1"), std::string::npos) << text;
    }
}

TEST(PluginBook, LhasadListsWhateverItReturnsOthersNeedZero)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string lzh = folder.file("book.lzh");
    writeManifest(lzh, std::string("rc 1\n") + kThreeEntries);
    ImageOperatorWrapper lenient(lzh);
    EXPECT_EQ(lenient.valid, 1);
    EXPECT_EQ(lenient.plugin->fileName, "lhasad.spi");
    EXPECT_EQ(lenient.pages.size(), 3u);

    const std::string arc = folder.file("book.arc");
    writeManifest(arc, std::string("rc 1\n") + kThreeEntries);
    TraceCapture trace;
    ImageOperatorWrapper strict(arc);
    EXPECT_EQ(strict.valid, 0);
    EXPECT_TRUE(strict.pages.empty());
    EXPECT_NE(trace.text().find("arc.spi::getArchiveInfo failed(" + arc + ") localmem="),
              std::string::npos);
}

TEST(PluginBook, NoBlockFailsEvenForLhasad)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string lzh = folder.file("book.lzh");
    writeManifest(lzh, std::string("nohandle\n") + kThreeEntries);
    TraceCapture trace;
    ImageOperatorWrapper book(lzh);
    EXPECT_EQ(book.valid, 0);
    EXPECT_NE(trace.text().find("lhasad.spi::getArchiveInfo failed(" + lzh + ") localmem=0\n"),
              std::string::npos);
    EXPECT_EQ(ImageOperatorWrapper(folder.file("missing.lzh")).valid, 0);
}

TEST(PluginBook, RecordsWithoutClosingRecordStayInsideTheBlock)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string path = folder.file("book.arc");
    writeManifest(path, std::string("unterminated\n") + kThreeEntries);
    TraceCapture trace;
    ImageOperatorWrapper book(path);
    EXPECT_EQ(book.valid, 1);
    EXPECT_EQ(book.pages.size(), 3u);
    EXPECT_NE(trace.text().find("no closing record, 3 entries kept"), std::string::npos);
}

TEST(PluginBook, EmptyArchiveListsNoPages)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string path = folder.file("empty.arc");
    writeManifest(path, "");
    ImageOperatorWrapper book(path);
    EXPECT_EQ(book.valid, 1);
    EXPECT_TRUE(book.pages.empty());
}

TEST(PluginBook, ArchivePluginClaimingZipTakesZipBooks)
{
    RegistryScope scope("registry");
    TempFolder folder;
    const std::string path = folder.file("book.zip");
    writeManifest(path, kThreeEntries); // not a ZIP at all: only the plug-in can list it
    ImageOperatorWrapper book(path);
    EXPECT_EQ(book.valid, 1);
    ASSERT_NE(book.plugin, nullptr);
    EXPECT_EQ(book.plugin->fileName, "arc.spi");
    EXPECT_EQ(book.pages.size(), 3u);
}

TEST(PluginBook, PluginWithoutEntryPointsFailsCleanly)
{
    SpiPlugin plugin;
    plugin.fileName = "bare.spi";
    std::vector<PageEntry> pages;
    int64_t time = 0;
    EXPECT_EQ(getArchiveInfo("/tmp/x.arc", &time, &plugin, pages), 0);
    EXPECT_EQ(getArchiveInfo("/tmp/x.arc", &time, nullptr, pages), 0);
    MemoryBlock block;
    EXPECT_FALSE(extractWithPlugin(&plugin, "/tmp/x.arc", PageEntry(), block, nullptr));
}
