#include "pipeline/ImageOperatorWrapper.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "PipelineTestSupport.h"
#include "pipeline/Decoders.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"
#include "platform/Text.h"
#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::vector<std::string> namesOf(const std::vector<PageEntry>& pages)
{
    std::vector<std::string> names;
    for (const PageEntry& page : pages)
        names.push_back(page.name);
    return names;
}

std::vector<PageEntry> pagesNamed(const std::vector<std::string>& names)
{
    std::vector<PageEntry> pages;
    for (const std::string& name : names) {
        PageEntry page;
        page.name = name;
        pages.push_back(page);
    }
    return pages;
}

Bytes smallJpeg(int width = 20, int height = 10)
{
    return encodeJpeg(RgbImage(width, height, Rgb{200, 100, 50}));
}

// A folder with pictures, a text file and subfolders, one of them named like a JPEG.
void fillFolder(const TempFolder& folder)
{
    ASSERT_TRUE(writeFile(folder.file("page10.jpg"), smallJpeg()));
    ASSERT_TRUE(writeFile(folder.file("page9.JPEG"), smallJpeg()));
    ASSERT_TRUE(writeFile(folder.file("notes.txt"), {'h', 'i'}));
    ASSERT_TRUE(writeFile(folder.file("cover.pic"), {1, 2, 3}));
    ASSERT_EQ(mkdir(folder.file("extras").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder.file("folder.jpg").c_str(), 0755), 0);
}

} // namespace

TEST(FolderBook, ListsEveryNameInNumericCaseInsensitiveOrder)
{
    TempFolder folder;
    fillFolder(folder);
    std::vector<PageEntry> pages;
    int64_t bookTime = 0;
    ASSERT_EQ(scanFolder(folder.path(), &bookTime, pages), 1);
    EXPECT_EQ(namesOf(pages),
              (std::vector<std::string>{".", "..", "cover.pic", "extras", "folder.jpg", "notes.txt",
                                        "page9.JPEG", "page10.jpg"}));
    EXPECT_EQ(pages[5].size, 2u);
    EXPECT_EQ(pages[5].position, 0u);
    int64_t mtime = 0;
    ASSERT_TRUE(fileStatus(folder.file("notes.txt"), nullptr, &mtime));
    EXPECT_EQ(pages[5].time, mtime);
    ASSERT_TRUE(fileStatus(folder.path(), nullptr, &mtime));
    EXPECT_EQ(bookTime, mtime);
    // A trailing "/" changes nothing.
    std::vector<PageEntry> again;
    ASSERT_EQ(scanFolder(folder.path() + "/", &bookTime, again), 1);
    EXPECT_EQ(namesOf(again), namesOf(pages));
}

TEST(FolderBook, UnlistableFolderShowsTheErrorBox)
{
    std::vector<DialogRequest> boxes;
    setDialogResponder([&boxes](const DialogRequest& r, DialogAnswer&) {
        boxes.push_back(r);
        return true;
    });
    std::vector<PageEntry> pages;
    int64_t bookTime = 0;
    EXPECT_EQ(scanFolder("/nonexistent/mekuri/folder", &bookTime, pages), 0);
    setDialogResponder(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "scan directory failed\n");
}

TEST(FolderBook, FilteringLeavesPicturesAndTheFolderNamedLikeOne)
{
    RegistryScope scope("registry");
    TempFolder folder;
    fillFolder(folder);
    ImageOperatorWrapper book(folder.path());
    ASSERT_EQ(book.valid, 1);
    EXPECT_EQ(book.kind, BOOK_FOLDER);
    EXPECT_EQ(book.plugin, nullptr);
    TraceCapture trace;
    filterPages(book.pages);
    const std::string text = trace.text();
    EXPECT_EQ(namesOf(book.pages),
              (std::vector<std::string>{"cover.pic", "folder.jpg", "page9.JPEG", "page10.jpg"}));
    EXPECT_NE(text.find("notes.txtを開くSPI無し\n"), std::string::npos) << text;
    EXPECT_NE(text.find(".を開くSPI無し\n"), std::string::npos) << text;
    EXPECT_NE(text.find("cover.picは、img2.spiで開ける\n"), std::string::npos) << text;
}

TEST(FolderBook, ExtractReadsExactlyTheListedBytes)
{
    RegistryScope scope;
    TempFolder folder;
    fillFolder(folder);
    ImageOperatorWrapper book(folder.path());
    filterPages(book.pages);
    sortPages(book.pages);
    ASSERT_EQ(namesOf(book.pages),
              (std::vector<std::string>{"folder.jpg", "page10.jpg", "page9.JPEG"}));
    MemoryBlock block;
    ASSERT_EQ(book.extract(1, block), 1);
    EXPECT_EQ(Bytes(block.data(), block.data() + block.size()), smallJpeg());
    // The subfolder named like a picture cannot be read: the page fails (and shows a
    // placeholder later).
    TraceCapture trace;
    EXPECT_EQ(book.extract(0, block), 0);
    EXPECT_NE(trace.text().find("ImageOperatorWrapper::extract(0) failed\n"), std::string::npos);
}

TEST(FolderBook, PageThatShrankOrVanishedFails)
{
    RegistryScope scope;
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("a.jpg"), smallJpeg()));
    ASSERT_TRUE(writeFile(folder.file("b.jpg"), smallJpeg()));
    ASSERT_TRUE(writeFile(folder.file("empty.jpg"), {}));
    ImageOperatorWrapper book(folder.path());
    filterPages(book.pages);
    ASSERT_EQ(namesOf(book.pages), (std::vector<std::string>{"a.jpg", "b.jpg", "empty.jpg"}));
    ASSERT_EQ(truncate(folder.file("a.jpg").c_str(), 10), 0);
    ASSERT_EQ(unlink(folder.file("b.jpg").c_str()), 0);
    MemoryBlock block;
    {
        TraceCapture trace;
        EXPECT_EQ(book.extract(0, block), 0);
        EXPECT_NE(trace.text().find("read 10 of"), std::string::npos);
    }
    EXPECT_EQ(book.extract(1, block), 0);
    // A zero-byte page reads fine; decoding it is what fails.
    ASSERT_EQ(book.extract(2, block), 1);
    EXPECT_EQ(block.size(), 0u);
    int w, h;
    std::unique_ptr<unsigned char[]> pixels;
    EXPECT_EQ(get_image(&w, &h, pixels, "empty.jpg", block.data(), block.size()), 0);
}

TEST(FolderBook, FifoNamedLikeAPictureFailsWithoutWaiting)
{
    RegistryScope scope;
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.file("a.jpg").c_str(), 0600), 0);
    ASSERT_TRUE(writeFile(folder.file("b.jpg"), smallJpeg()));
    ImageOperatorWrapper book(folder.path());
    filterPages(book.pages);
    sortPages(book.pages);
    ASSERT_EQ(namesOf(book.pages), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    MemoryBlock block;
    {
        TraceCapture trace;
        auto result = std::async(std::launch::async, [&] { return book.extract(0, block); });
        if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Blocked in the open: a writer lets it go, so the test ends either way.
            const int writer = open(folder.file("a.jpg").c_str(), O_WRONLY);
            if (writer >= 0)
                close(writer);
            ADD_FAILURE() << "reading the FIFO waited for a writer";
        }
        EXPECT_EQ(result.get(), 0);
        EXPECT_NE(trace.text().find("a.jpg is not a regular file\n"), std::string::npos);
    }
    ASSERT_EQ(book.extract(1, block), 1);
    EXPECT_EQ(Bytes(block.data(), block.data() + block.size()), smallJpeg());
}

TEST(ImageOperatorWrapper, FifoNamedLikeABookIsNotOpened)
{
    RegistryScope scope;
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.file("book.zip").c_str(), 0600), 0);
    TraceCapture trace;
    auto opened = std::async(std::launch::async, [&] {
        ImageOperatorWrapper book(folder.file("book.zip"));
        return book.valid;
    });
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        const int writer = open(folder.file("book.zip").c_str(), O_WRONLY);
        if (writer >= 0)
            close(writer);
        ADD_FAILURE() << "opening the FIFO waited for a writer";
    }
    EXPECT_EQ(opened.get(), 0);
    EXPECT_NE(trace.text().find("book.zip is neither a file nor a folder\n"), std::string::npos);
}

TEST(FolderBook, OutOfRangeAndInvalidBooksFail)
{
    RegistryScope scope;
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("a.jpg"), smallJpeg()));
    ImageOperatorWrapper book(folder.path());
    MemoryBlock block;
    EXPECT_EQ(book.extract(-1, block), 0);
    EXPECT_EQ(book.extract(100, block), 0);
    book.close();
    EXPECT_EQ(book.valid, 0);
    EXPECT_TRUE(book.pages.empty());
    EXPECT_EQ(book.extract(0, block), 0);
    // A page listed past the size cap is not read at all.
    ImageOperatorWrapper other(folder.path());
    other.pages[0].size = kMaxPageBytes + 1;
    EXPECT_EQ(other.extract(0, block), 0);
}

TEST(ImageOperatorWrapper, NeitherFolderNorZipNorPluginIsValidWithNoPages)
{
    RegistryScope scope("registry");
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("book.rar"), {1, 2, 3}));
    ImageOperatorWrapper book(folder.file("book.rar"));
    EXPECT_EQ(book.valid, 1);
    EXPECT_TRUE(book.pages.empty());
    EXPECT_EQ(book.plugin, nullptr);
    EXPECT_EQ(ImageOperatorWrapper(folder.file("missing.cbz")).valid, 1);
}

TEST(ImageOperatorWrapper, ZipBooksUseTheBuiltInReader)
{
    RegistryScope scope;
    TempFolder folder;
    const std::string path = folder.file("Book.ZIP");
    ASSERT_TRUE(writeZip(path, {{"b.jpg", smallJpeg(30, 20)}, {"dir/", {}}, {"a.txt", {1}}}));
    ImageOperatorWrapper book(path);
    ASSERT_EQ(book.valid, 1);
    EXPECT_EQ(book.kind, BOOK_ZIP);
    EXPECT_EQ(book.path, path);
    filterPages(book.pages);
    ASSERT_EQ(namesOf(book.pages), (std::vector<std::string>{"b.jpg"}));
    MemoryBlock block;
    ASSERT_EQ(book.extract(0, block), 1);
    EXPECT_EQ(block.size(), smallJpeg(30, 20).size());
    // A damaged ZIP is not valid.
    const std::string broken = folder.file("broken.zip");
    ASSERT_TRUE(writeFile(broken, {'P', 'K', 3, 4}));
    EXPECT_EQ(ImageOperatorWrapper(broken).valid, 0);
}

TEST(ImageOperatorWrapper, CbzFixtureOpenedAsZip)
{
    RegistryScope scope;
    TempFolder folder;
    const std::string path = folder.file("photobook.zip");
    ASSERT_TRUE(writeFile(path, readFile(std::string(MEKURI_FIXTURES) + "/books/photobook.cbz")));
    ImageOperatorWrapper book(path);
    ASSERT_EQ(book.valid, 1);
    filterPages(book.pages);
    sortPages(book.pages);
    ASSERT_EQ(book.pages.size(), 14u); // ComicInfo.xml dropped
    EXPECT_EQ(book.pages[0].name, "Page1.jpg");
    EXPECT_EQ(book.pages[1].name, "page10.JPG");
    EXPECT_EQ(book.pages[13].name, "page9.jpg");
    std::vector<std::thread> readers;
    std::vector<int> failures(2, 0);
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([&book, &failures, t] {
            for (int i = t; i < 14; i += 2) {
                MemoryBlock block;
                int w = 0, h = 0;
                std::unique_ptr<unsigned char[]> pixels;
                if (!book.extract(i, block) ||
                    !get_image(&w, &h, pixels, book.pages[i].name, block.data(), block.size()))
                    ++failures[size_t(t)];
                else
                    book.setSizeLabel(w, i, h);
            }
        });
    }
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(failures, (std::vector<int>{0, 0}));
    EXPECT_EQ(book.labelOf(0), "Page1.jpg(900x1350)");
}

TEST(ImageOperatorWrapper, SizeLabelIsSetOnce)
{
    RegistryScope scope;
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("a.jpg"), smallJpeg()));
    ImageOperatorWrapper book(folder.path());
    filterPages(book.pages);
    ASSERT_EQ(book.pages.size(), 1u);
    EXPECT_EQ(book.labelOf(0), "a.jpg");
    book.setSizeLabel(20, 0, 10);
    EXPECT_EQ(book.labelOf(0), "a.jpg(20x10)");
    EXPECT_EQ(book.pages[0].label, "a.jpg(20x10)");
    book.setSizeLabel(99, 0, 99);
    EXPECT_EQ(book.labelOf(0), "a.jpg(20x10)");
    book.setSizeLabel(1, 5, 1);
    EXPECT_EQ(book.labelOf(5), "");
}

TEST(PageOrder, DigitsAndCaseAndUnderscore)
{
    auto pages = pagesNamed({"IMG10.JPG", "img9.jpg", "Img1.jpg"});
    sortPages(pages);
    EXPECT_EQ(namesOf(pages), (std::vector<std::string>{"Img1.jpg", "IMG10.JPG", "img9.jpg"}));
    pages = pagesNamed({"_a.jpg", "b.jpg"});
    sortPages(pages);
    EXPECT_EQ(namesOf(pages), (std::vector<std::string>{"b.jpg", "_a.jpg"}));
    pages = pagesNamed({"ページ02.jpg", "ページ01.jpg", "page.jpg", "漢.jpg", "か.jpg"});
    sortPages(pages);
    EXPECT_EQ(namesOf(pages), (std::vector<std::string>{"page.jpg", "か.jpg", "ページ01.jpg",
                                                        "ページ02.jpg", "漢.jpg"}));
}

TEST(PageOrder, TheNaturalOrderSwitchSortsDigitRunsByValue)
{
    setNaturalNameOrder(true);
    auto pages = pagesNamed({"IMG10.JPG", "img9.jpg", "Img1.jpg", "img01.jpg", "_a.jpg"});
    sortPages(pages);
    auto stable = pagesNamed({"p10.jpg", "P9.JPG", "p9.jpg", "p009.jpg"});
    sortPagesStable(stable);
    setNaturalNameOrder(false);
    EXPECT_EQ(namesOf(pages), (std::vector<std::string>{"Img1.jpg", "img01.jpg", "img9.jpg",
                                                        "IMG10.JPG", "_a.jpg"}));
    EXPECT_EQ(namesOf(stable),
              (std::vector<std::string>{"P9.JPG", "p9.jpg", "p009.jpg", "p10.jpg"}));
}

TEST(PageOrder, TheStableOrderKeepsEqualNamesAsListed)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back((i % 2 ? "A" : "a") + std::to_string(i % 3) + (i % 5 ? ".jpg" : ".JPG"));
    auto pages = pagesNamed(names);
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i].position = static_cast<uint32_t>(i);
    sortPagesStable(pages);
    for (size_t i = 1; i < pages.size(); ++i) {
        if (mbsicmp(pages[i - 1].name, pages[i].name) == 0)
            EXPECT_LT(pages[i - 1].position, pages[i].position) << pages[i].name;
        else
            EXPECT_LT(mbsicmp(pages[i - 1].name, pages[i].name), 0);
    }
}

TEST(PageOrder, LargeListsSortLikeTheComparison)
{
    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i)
        names.push_back((i % 3 == 0 ? "P" : "p") + std::to_string((i * 7919) % 1000) + ".jpg");
    auto pages = pagesNamed(names);
    sortPages(pages);
    for (size_t i = 1; i < pages.size(); ++i)
        ASSERT_LE(mbsicmp(pages[i - 1].name, pages[i].name), 0) << i;
}

TEST(PageFilter, KeepsWhatAPluginOrTheCodecOpens)
{
    RegistryScope scope("registry");
    auto pages = pagesNamed(
        {"a.jpg", "b.JPEG", "c.jpeg.txt", "d/", "e.pic", "f.arc", "g.zz", "h.jpe", "i.JpG"});
    filterPages(pages);
    EXPECT_EQ(namesOf(pages),
              (std::vector<std::string>{"a.jpg", "b.JPEG", "e.pic", "g.zz", "i.JpG"}));
    // Without plug-ins only JPEG names stay.
    unloadPlugins();
    pages = pagesNamed({"a.jpg", "e.pic", "x.png"});
    filterPages(pages);
    EXPECT_EQ(namesOf(pages), (std::vector<std::string>{"a.jpg"}));
}
