// The reading model's longer steps: Home and End under both spread units, the next and previous
// book of a folder (archives and folders mixed, a pending rename, the natural order, the ends,
// a book that fails), and the open book listed again when the name order changes.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ReadingTestSupport.h"
#include "pipeline/PluginRegistry.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"
#include "reading/NextBook.h"

using readingtest::Reader;
using readingtest::Shelf;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Puts the process-wide name order back whatever a test did.
class NameOrderReset {
  public:
    ~NameOrderReset() { setNaturalNameOrder(false); }
};

// A ZIP book whose pages carry the given names.
std::string namedPages(Shelf& shelf, const std::string& name, const std::vector<std::string>& pages)
{
    std::vector<std::pair<std::string, std::vector<unsigned char>>> entries;
    for (const std::string& page : pages)
        entries.push_back({page, encodeJpeg(RgbImage(16, 24, Rgb{90, 90, 90}), 80)});
    const std::string path = shelf.folder + "/" + name;
    EXPECT_TRUE(writeZip(path, entries));
    return path;
}

// A folder book `name` with one page, or with only a text file when `withPage` is false.
void folderBook(Shelf& shelf, const std::string& name, bool withPage)
{
    const std::string folder = shelf.folder + "/" + name;
    mkdir(folder.c_str(), 0755);
    if (withPage)
        writeFile(folder + "/p1.jpg", encodeJpeg(RgbImage(16, 24, Rgb{1, 2, 3}), 80));
    else
        writeFile(folder + "/notes.txt", {'x'});
}

// Steps once and returns the name of the book open afterwards ("" for none).
std::string step(Reader& r, bool forward)
{
    (void)r.openNeighbourBook(forward, r.cache, 1004, 704);
    return r.bookOpen ? r.bookFileName : std::string();
}

} // namespace

TEST(ReadingEnds, HomeAndEndShowTheFirstAndLastSpreadUnderBothUnits)
{
    struct Case {
        int pages, shift, last;
    };
    // c = 2 ⌊(n − 1 + s) / 2⌋: with s = 1 and n even the pseudo last page.
    for (const Case& k : {Case{5, 1, 4}, Case{5, 0, 4}, Case{4, 1, 4}, Case{4, 0, 2}, Case{1, 1, 0},
                          Case{1, 0, 0}, Case{2, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << k.pages << " pages, s = " << k.shift);
        Shelf shelf;
        Reader r;
        r.setStartOptions(RIGHT_BINDING, k.shift);
        ASSERT_TRUE(r.open(shelf.pages("book.zip", k.pages)).opened);
        (void)r.takeJumpRequest();

        ReadingChange end = r.showEndSpread(true);
        EXPECT_EQ(r.currentPage, k.last);
        EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
        EXPECT_TRUE(end.spread);
        EXPECT_EQ(end.listLine, r.lineCount()); // the last line
        EXPECT_EQ(end.prefetch, k.last - k.shift + 2);

        ReadingChange home = r.showEndSpread(false);
        EXPECT_EQ(r.currentPage, 0);
        EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
        EXPECT_EQ(home.listLine, 1);
        EXPECT_EQ(home.prefetch, 2 - k.shift);
        // Shown again from where it is: the placement still applies.
        (void)r.showEndSpread(false);
        EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
    }
}

TEST(ReadingEnds, WithoutAPageNothingHappens)
{
    Shelf shelf;
    Reader r;
    ReadingChange none = r.showEndSpread(true);
    EXPECT_FALSE(none.spread);
    EXPECT_EQ(none.prefetch, ReadingChange::kNoPrefetch);
    (void)r.open(shelf.pages("empty.zip", 0)); // open, but with no page
    none = r.showEndSpread(true);
    EXPECT_FALSE(none.spread);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_NONE);
}

TEST(NextBook, FoldersWithPagesAndArchivesMixedInTheNameOrder)
{
    Shelf shelf;
    Reader r;
    shelf.pages("a.zip", 2);
    folderBook(shelf, "B", true);
    folderBook(shelf, "c-empty", false); // no page: not a book
    shelf.pages("D.ZIP", 1);
    writeFile(shelf.folder + "/e.txt", {'x'}); // not a book
    folderBook(shelf, "f", true);
    ASSERT_TRUE(r.open(shelf.folder + "/a.zip").opened);

    EXPECT_EQ(step(r, true), "B");
    EXPECT_EQ(r.pageCount(), 1);
    EXPECT_EQ(step(r, true), "D.ZIP");
    EXPECT_EQ(step(r, true), "f");
    EXPECT_EQ(step(r, false), "D.ZIP");
    EXPECT_EQ(step(r, false), "B");
    EXPECT_EQ(step(r, false), "a.zip");
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(NextBook, AtEitherEndNothingOpensAndTheTraceSaysSo)
{
    Shelf shelf;
    Reader r;
    shelf.pages("first.zip", 1);
    const std::string last = shelf.pages("last.zip", 3);
    ASSERT_TRUE(r.open(last).opened);
    (void)r.forwardPage(JUMP_TO_START);

    CaptureStderr();
    const ReadingChange none = r.openNeighbourBook(true, r.cache, 1004, 704);
    EXPECT_NE(GetCapturedStderr().find("次のﾌｧｲﾙはありません\n"), std::string::npos);
    EXPECT_FALSE(none.spread);
    EXPECT_EQ(r.bookFileName, "last.zip");
    EXPECT_EQ(r.currentPage, 2); // untouched

    EXPECT_EQ(step(r, false), "first.zip");
    CaptureStderr();
    EXPECT_EQ(step(r, false), "first.zip");
    EXPECT_NE(GetCapturedStderr().find("前のﾌｧｲﾙはありません\n"), std::string::npos);

    Reader closed; // no book, no step before: nothing at all
    CaptureStderr();
    EXPECT_EQ(step(closed, true), "");
    EXPECT_EQ(GetCapturedStderr().find("ありません"), std::string::npos);
}

TEST(NextBook, TheStepStartsFromThePendingRenamesName)
{
    Shelf shelf;
    Reader r;
    shelf.pages("a.zip", 1);
    const std::string b = shelf.pages("b.zip", 1);
    shelf.pages("c.zip", 1);
    ASSERT_TRUE(r.open(b).opened);
    ASSERT_TRUE(r.requestRename("z.zip"));

    // From z.zip there is nothing further; the rename still waits for the close.
    EXPECT_EQ(step(r, true), "b.zip");
    EXPECT_TRUE(pathExists(b));
    // Back from z.zip is c.zip (b.zip is the book itself); the close renames it first.
    EXPECT_EQ(step(r, false), "c.zip");
    EXPECT_FALSE(pathExists(b));
    EXPECT_TRUE(pathExists(shelf.folder + "/z.zip"));
    EXPECT_EQ(step(r, true), "z.zip");

    // A rename to the front: the next book is the first one after the new name.
    ASSERT_TRUE(r.requestRename("0.zip"));
    EXPECT_EQ(step(r, true), "a.zip");
    EXPECT_TRUE(pathExists(shelf.folder + "/0.zip"));
}

TEST(NextBook, TheNaturalOrderComparesDigitRunsByValue)
{
    NameOrderReset reset;
    Shelf shelf;
    Reader r;
    for (const char* name : {"vol2.zip", "vol9.zip", "vol10.zip"})
        shelf.pages(name, 1);
    ASSERT_TRUE(r.open(shelf.folder + "/vol9.zip").opened);
    EXPECT_EQ(step(r, true), "vol9.zip"); // "vol10" < "vol2" < "vol9": the last
    EXPECT_EQ(step(r, false), "vol2.zip");
    EXPECT_EQ(step(r, false), "vol10.zip");

    setNaturalNameOrder(true);
    EXPECT_EQ(step(r, true), "vol10.zip"); // the last now
    EXPECT_EQ(step(r, false), "vol9.zip");
    EXPECT_EQ(step(r, false), "vol2.zip");
    EXPECT_EQ(step(r, false), "vol2.zip");
}

TEST(NextBook, ABookThatFailsShowsItsBoxAndTheNextPressGoesPastIt)
{
    Shelf shelf;
    Reader r;
    shelf.pages("a.zip", 1);
    writeFile(shelf.folder + "/b.zip", {'n', 'o', 't'});
    shelf.pages("c.zip", 0); // opens, with no page
    shelf.pages("d.zip", 2);
    ASSERT_TRUE(r.open(shelf.folder + "/a.zip").opened);

    EXPECT_EQ(step(r, true), "");
    ASSERT_EQ(shelf.boxes.size(), 1u);
    EXPECT_NE(shelf.boxes[0].find("ファイル(" + shelf.folder + "/b.zip)を開けません"),
              std::string::npos);
    EXPECT_EQ(step(r, true), "c.zip");
    EXPECT_EQ(shelf.boxes.size(), 2u); // no picture in it
    EXPECT_EQ(step(r, true), "d.zip");
    EXPECT_EQ(step(r, false), "c.zip");
    EXPECT_EQ(step(r, false), "");
    EXPECT_EQ(step(r, false), "a.zip"); // back past the broken one too

    // Any other open forgets the failed step.
    EXPECT_EQ(step(r, true), "");
    (void)r.open(shelf.folder + "/missing.zip");
    EXPECT_EQ(step(r, true), "");
    EXPECT_FALSE(r.bookOpen);
}

TEST(NextBook, ThePluginsArchiveKindsTakePartAndEqualNamesStillStep)
{
    Shelf shelf;
    for (const char* name : {"a.cbz", "A.ZIP", "b.7z", "c.tar", "d.txt"})
        writeFile(shelf.folder + "/" + name, {'x'});
    unloadPlugins();
    EXPECT_EQ(neighbourBookName(shelf.folder, "a.cbz", true, false), "A.ZIP");
    EXPECT_EQ(neighbourBookName(shelf.folder, "A.ZIP", true, false), "");
    loadPluginsFrom(MEKURI_BIN_DIR);
    // "a.cbz" < "A.ZIP" < "b.7z" < "c.tar", letter case aside.
    EXPECT_EQ(neighbourBookName(shelf.folder, "A.ZIP", true, false), "b.7z");
    EXPECT_EQ(neighbourBookName(shelf.folder, "A.ZIP", false, false), "a.cbz");
    EXPECT_EQ(neighbourBookName(shelf.folder, "b.7z", true, false), "c.tar");
    EXPECT_EQ(neighbourBookName(shelf.folder, "c.tar", true, false), "");
    EXPECT_EQ(neighbourBookName(shelf.folder, "a.cbz", false, false), "");
    unloadPlugins();
}

TEST(NextBook, NamesEqualInTheOrderAreSteppedThroughByTheirBytes)
{
    Shelf shelf;
    for (const char* name : {"a.zip", "A.zip", "A.ZIP"})
        writeFile(shelf.folder + "/" + name, {'x'});
    std::vector<std::string> seen = {"A.ZIP"};
    for (std::string name = "A.ZIP";
         !(name = neighbourBookName(shelf.folder, name, true, false)).empty();)
        seen.push_back(name);
    EXPECT_EQ(seen, (std::vector<std::string>{"A.ZIP", "A.zip", "a.zip"}));
    EXPECT_EQ(neighbourBookName(shelf.folder, "a.zip", false, false), "A.zip");
}

TEST(NaturalOrderSwitch, TheOpenBookIsListedAgainAtThePageItShowed)
{
    NameOrderReset reset;
    Shelf shelf;
    Reader r;
    const std::string path = namedPages(
        shelf, "book.zip", {"p1.jpg", "p2.jpg", "p3.jpg", "p9.jpg", "p10.jpg", "p11.jpg"});
    ASSERT_TRUE(r.open(path).opened);
    // Pages p1 p10 p11 p2 p3 p9; the spread at 2 holds p10 and p11 (s = 1).
    (void)r.forwardPage(JUMP_TO_START);
    ASSERT_EQ(r.book->pages[1].name, "p10.jpg");
    ASSERT_TRUE(r.setZoom(150).window);
    ASSERT_TRUE(r.requestRename("renamed.zip"));
    CacheObject* held = r.cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 150.0f);
    ASSERT_NE(held, nullptr);
    r.cache.release(held);
    ASSERT_GT(r.cache.memoryInUse(), 0u);

    const ReadingChange c = r.setNaturalOrder(true, r.cache);
    // p1 p2 p3 p9 p10 p11: p10 is page 4, in the spread at 4 (pages 3 and 4).
    EXPECT_EQ(r.book->pages[0].name, "p1.jpg");
    EXPECT_EQ(r.book->pages[4].name, "p10.jpg");
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_TRUE(c.list);
    EXPECT_TRUE(c.spread);
    EXPECT_TRUE(c.newBook);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
    EXPECT_EQ(r.zoomPercent, 150.0f);
    EXPECT_EQ(r.newFileName, "renamed.zip"); // still waiting
    EXPECT_TRUE(pathExists(path));
    EXPECT_EQ(r.cache.memoryInUse(), 0u); // emptied as a close empties it
    CacheObject* again = r.cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 150.0f);
    EXPECT_NE(again, nullptr); // and open again
    if (again)
        r.cache.release(again);

    // Back: the lower page shown now, p9, is page 5 again, in the spread at 6.
    (void)r.setNaturalOrder(false, r.cache);
    EXPECT_EQ(r.book->pages[5].name, "p9.jpg");
    EXPECT_EQ(r.currentPage, 6);
    // The same order again changes nothing.
    EXPECT_FALSE(r.setNaturalOrder(false, r.cache).spread);
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(NaturalOrderSwitch, ABookOpenedByARelativePathIsListedAgain)
{
    // Opening makes the book's folder the current directory: the path as given (here from the
    // folder above) no longer names the book afterwards.
    NameOrderReset reset;
    Shelf shelf;
    Reader r;
    ASSERT_EQ(mkdir((shelf.folder + "/sub").c_str(), 0755), 0);
    (void)namedPages(shelf, "sub/book.zip", {"p1.jpg", "p2.jpg", "p10.jpg"});
    ASSERT_EQ(chdir(shelf.folder.c_str()), 0);
    ASSERT_TRUE(r.open("sub/book.zip").opened);
    (void)r.setNaturalOrder(true, r.cache);
    EXPECT_TRUE(r.bookOpen);
    ASSERT_EQ(r.pageCount(), 3);
    EXPECT_EQ(r.book->pages[2].name, "p10.jpg");
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(NaturalOrderSwitch, WithoutABookOnlyTheOrderChanges)
{
    NameOrderReset reset;
    Reader r;
    const ReadingChange c = r.setNaturalOrder(true, r.cache);
    EXPECT_TRUE(naturalNameOrder());
    EXPECT_FALSE(c.spread);
    EXPECT_FALSE(c.list);
}

TEST(NaturalOrderSwitch, ABookThatCannotBeListedAgainIsClosedWithItsBoxAndRenamed)
{
    // Gone, or damaged meanwhile: the book closes with its box; no later close would carry out
    // the rename it was waiting for, so it is carried out then.
    NameOrderReset reset;
    for (const bool gone : {true, false}) {
        Shelf shelf;
        Reader r;
        const std::string path = shelf.pages("vol1.zip", 3);
        ASSERT_TRUE(r.open(path).opened);
        ASSERT_TRUE(r.requestRename("第1巻.zip"));
        if (gone)
            ASSERT_EQ(std::remove(path.c_str()), 0);
        else
            writeFile(path, {'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'});
        const ReadingChange c = r.setNaturalOrder(!naturalNameOrder(), r.cache);
        EXPECT_FALSE(r.bookOpen);
        EXPECT_TRUE(c.title && c.list);
        EXPECT_FALSE(pathExists(path));
        EXPECT_EQ(pathExists(shelf.folder + "/第1巻.zip"), !gone);
        ASSERT_EQ(shelf.boxes.size(), 1u) << gone;
        EXPECT_NE(shelf.boxes[0].find("を開けません"), std::string::npos);
    }
}
