#include "catalog/CatalogThumbnail.h"

#include <gtest/gtest.h>

#include "CatalogTestSupport.h"
#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"
#include "resources/Resources.h"
#include "tools/BookMaker.h"

using namespace catalogtest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes jpegPage(int width, int height, Rgb colour)
{
    return encodeJpeg(RgbImage(width, height, colour), 90);
}

// A folder model with one entry per archive name, in the given order.
CatalogModel modelWith(const TempFolder& folder, const std::vector<std::string>& names)
{
    CatalogModel model;
    model.folderPath = folder.path();
    model.sortOrder = kSortNone;
    for (const auto& name : names) {
        auto entry = newCatalogEntry();
        setEntryName(*entry, name);
        model.entries.push_back(entry);
    }
    return model;
}

Bytes placeholderPixels()
{
    BmpView view;
    EXPECT_TRUE(viewBmp24(noImageResource(), view));
    return Bytes(view.pixels, view.pixels + kThumbnailBytes);
}

} // namespace

TEST(CatalogThumbnail, PortraitPageIsFittedAndCentred)
{
    TempFolder folder;
    ASSERT_TRUE(writeZip(folder.file("book.zip"), {{"p1.jpg", jpegPage(250, 375, {200, 30, 30})}}));
    CatalogModel model = modelWith(folder, {"book.zip"});
    CaptureStderr();
    const ThumbnailResult result = makeEntryThumbnail(model, 0, nullptr);
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(result.fromPage);
    EXPECT_FALSE(result.placeholder);
    EXPECT_EQ(result.index, 0);
    EXPECT_TRUE(model.modified);
    const CatalogEntry& e = *model.entries[0];
    EXPECT_EQ(e.hasThumbnail, 1);
    EXPECT_EQ(e.thumbWidth, 85);
    EXPECT_EQ(e.thumbHeight, 128);
    EXPECT_EQ(e.thumbOffsetX, 21);
    EXPECT_EQ(e.thumbOffsetY, 0);
    // Red page: the middle pixel is mostly red (BGR order).
    const size_t middle = thumbRowStride(85) * 64 + 42 * 3;
    EXPECT_GT(e.thumbPixels[middle + 2], 150);
    EXPECT_LT(e.thumbPixels[middle], 80);
    EXPECT_NE(trace.find("extract success\n    getthumbnail in\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("    getthumbnail out\n"), std::string::npos);
}

TEST(CatalogThumbnail, LandscapeAndSmallPages)
{
    TempFolder folder;
    ASSERT_TRUE(writeZip(folder.file("wide.zip"), {{"a.jpg", jpegPage(375, 250, {0, 0, 255})}}));
    ASSERT_TRUE(writeZip(folder.file("small.zip"), {{"a.jpg", jpegPage(60, 40, {0, 255, 0})}}));
    CatalogModel model = modelWith(folder, {"wide.zip", "small.zip"});
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(makeEntryThumbnail(model, i, nullptr).fromPage) << i;
        const CatalogEntry& e = *model.entries[i];
        EXPECT_EQ(e.thumbWidth, 128) << i;
        EXPECT_EQ(e.thumbHeight, 85) << i;
        EXPECT_EQ(e.thumbOffsetX, 0) << i;
        EXPECT_EQ(e.thumbOffsetY, 21) << i;
    }
}

TEST(CatalogThumbnail, FirstDecodablePageIsTheOneUsed)
{
    TempFolder folder;
    ASSERT_TRUE(writeZip(folder.file("book.zip"), {{"0-readme.txt", Bytes{'h', 'i'}},
                                                   {"2.jpg", jpegPage(100, 100, {0, 0, 0})},
                                                   {"1.jpg", jpegPage(128, 64, {255, 255, 255})}}));
    CatalogModel model = modelWith(folder, {"book.zip"});
    ASSERT_TRUE(makeEntryThumbnail(model, 0, nullptr).fromPage);
    EXPECT_EQ(model.entries[0]->thumbHeight, 64); // 1.jpg, by reading order
}

TEST(CatalogThumbnail, UnreadableArchivesGetThePlaceholderWithoutModifying)
{
    TempFolder folder;
    writeText(folder.file("garbage.zip"), "this is not a zip archive");
    ASSERT_TRUE(writeZip(folder.file("text.zip"), {{"a.txt", Bytes{'x'}}}));
    ASSERT_TRUE(writeZip(folder.file("broken-page.zip"), {{"a.jpg", Bytes{0xFF, 0xD8, 0, 1, 2}}}));
    CatalogModel model =
        modelWith(folder, {"garbage.zip", "text.zip", "broken-page.zip", "gone.zip"});
    const Bytes placeholder = placeholderPixels();
    for (int i = 0; i < 4; ++i) {
        const ThumbnailResult result = makeEntryThumbnail(model, i, nullptr);
        EXPECT_FALSE(result.fromPage) << i;
        EXPECT_TRUE(result.placeholder) << i;
        const CatalogEntry& e = *model.entries[i];
        EXPECT_EQ(e.hasThumbnail, 1);
        EXPECT_EQ(e.thumbWidth, 128);
        EXPECT_EQ(e.thumbHeight, 128);
        EXPECT_EQ(e.thumbOffsetX, 0);
        EXPECT_EQ(e.thumbOffsetY, 0);
        EXPECT_EQ(Bytes(e.thumbPixels, e.thumbPixels + kThumbnailBytes), placeholder) << i;
    }
    EXPECT_FALSE(model.modified);
}

TEST(CatalogThumbnail, FailedRemakeKeepsTheOldThumbnail)
{
    TempFolder folder;
    writeText(folder.file("book.zip"), "not an archive any more");
    CatalogModel model = modelWith(folder, {"book.zip"});
    auto old = makeEntry("book.zip", 1, 1, 40, 30, 7);
    model.entries[0] = old;
    const Bytes before(old->thumbPixels, old->thumbPixels + kThumbnailBytes);
    const ThumbnailResult result = makeEntryThumbnail(model, 0, nullptr);
    EXPECT_FALSE(result.fromPage);
    EXPECT_FALSE(result.placeholder);
    EXPECT_EQ(old->thumbWidth, 40);
    EXPECT_EQ(Bytes(old->thumbPixels, old->thumbPixels + kThumbnailBytes), before);
}

TEST(CatalogThumbnail, IndexOutOfRangeDoesNothing)
{
    TempFolder folder;
    CatalogModel model = modelWith(folder, {"a.zip"});
    EXPECT_EQ(makeEntryThumbnail(model, 1, nullptr).index, -1);
    EXPECT_EQ(makeEntryThumbnail(model, -1, nullptr).index, -1);
    EXPECT_EQ(model.entries[0]->hasThumbnail, 0);
}

TEST(CatalogBuild, LoadSyncAndThumbnailStepsOverAFolder)
{
    TempFolder folder;
    ASSERT_TRUE(writeZip(folder.file("b.zip"), {{"1.jpg", jpegPage(64, 64, {9, 9, 9})}}));
    ASSERT_TRUE(writeZip(folder.file("a.zip"), {{"1.jpg", jpegPage(64, 32, {9, 9, 9})}}));
    CatalogModel model;
    model.folderPath = folder.path();
    EXPECT_EQ(loadAndSyncCatalog(model), 2);
    EXPECT_TRUE(model.modified);
    EXPECT_EQ(namesOf(model.entries), (std::vector<std::string>{"a.zip", "b.zip"}));

    int next = 0;
    ThumbnailResult made;
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr, &made, nullptr), ThumbnailStep::Made);
    EXPECT_EQ(next, 1);
    EXPECT_EQ(made.index, 0);
    EXPECT_EQ(thumbnailStep(model, next, true, nullptr, &made, nullptr), ThumbnailStep::End);
    EXPECT_EQ(next, 1);
    // Cancelled: b.zip is left without a thumbnail, and the file keeps what was made.
    closeCatalogModel(model, nullptr);
    EXPECT_TRUE(model.entries.empty());
    EXPECT_FALSE(model.modified);

    EXPECT_EQ(loadAndSyncCatalog(model), 1);
    EXPECT_EQ(model.entries[0]->hasThumbnail, 1);
    next = 0;
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr, &made, nullptr), ThumbnailStep::Skipped);
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr, &made, nullptr), ThumbnailStep::Made);
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr, &made, nullptr), ThumbnailStep::End);
    closeCatalogModel(model, nullptr);
    EXPECT_EQ(loadAndSyncCatalog(model), 0);
    EXPECT_FALSE(model.modified);
}

// Thumbnails made through an archive plug-in, whose extraction calls the progress callback:
// the events pumped there may change the catalog under the maker's feet.
class CatalogThumbnailThroughPlugin : public testing::Test {
  protected:
    void SetUp() override
    {
        unloadPlugins();
        loadPluginsFrom(MEKURI_CATALOG_SPI);
        const Bytes page = jpegPage(250, 375, {10, 200, 10});
        ASSERT_TRUE(writeFile(folder.file("page.jpg"), page));
        writeText(folder.file("book.lzh"), "entry -lh5- - p1.jpg " + std::to_string(page.size()) +
                                               " " + std::to_string(page.size()) + " 0 " +
                                               folder.file("page.jpg") + "\n");
        model = modelWith(folder, {"book.lzh"});
        current = this;
        pumped = 0;
    }
    void TearDown() override
    {
        setEventPump(nullptr);
        setDialogResponder(nullptr);
        unloadPlugins();
        current = nullptr;
    }

    TempFolder folder;
    CatalogModel model;
    int pumped = 0;
    std::function<void()> duringExtraction;
    static CatalogThumbnailThroughPlugin* current;

    static int progress(int, int, long)
    {
        if (current->duringExtraction)
            current->duringExtraction();
        return 0;
    }
};

CatalogThumbnailThroughPlugin* CatalogThumbnailThroughPlugin::current = nullptr;

TEST_F(CatalogThumbnailThroughPlugin, ProgressPumpsEventsOnceAndGoesOn)
{
    setEventPump([this] { ++pumped; });
    EXPECT_EQ(thumbnailProgress(0, 10, 0), 0);
    EXPECT_EQ(pumped, 1);
    // Listing and extracting through the plug-in both keep the windows alive.
    const ThumbnailResult result = makeEntryThumbnail(model, 0);
    EXPECT_TRUE(result.fromPage);
    EXPECT_GT(pumped, 1);
    EXPECT_EQ(model.entries[0]->thumbWidth, 85);
}

TEST_F(CatalogThumbnailThroughPlugin, AFolderClosedDuringExtractionIsLeftAlone)
{
    duringExtraction = [this] {
        model.entries.clear(); // the user closed the folder
        model.modified = false;
    };
    const ThumbnailResult result = makeEntryThumbnail(model, 0, progress);
    EXPECT_TRUE(result.fromPage);
    EXPECT_EQ(result.index, -1);
    EXPECT_FALSE(model.modified); // the change belongs to a folder no longer open
    EXPECT_TRUE(model.entries.empty());
}

TEST_F(CatalogThumbnailThroughPlugin, AListSortedDuringExtractionGetsTheThumbnailInTheRightPlace)
{
    model.entries.insert(model.entries.begin(), makeEntry("a.zip", 1, 1));
    duringExtraction = [this] { std::swap(model.entries[0], model.entries[1]); };
    const ThumbnailResult result = makeEntryThumbnail(model, 1, progress);
    EXPECT_EQ(result.index, 0);
    EXPECT_EQ(entryName(*model.entries[0]), "book.lzh");
    EXPECT_EQ(model.entries[0]->thumbWidth, 85);
    EXPECT_EQ(model.entries[1]->hasThumbnail, 0);
    EXPECT_TRUE(model.modified);
}

TEST_F(CatalogThumbnailThroughPlugin, AStepEnteredAgainFromItsOwnEventsIsRefused)
{
    std::string shown;
    setDialogResponder([&](const DialogRequest& r, DialogAnswer&) {
        shown = r.text;
        return true;
    });
    int nestedNext = 0;
    ThumbnailStep nested = ThumbnailStep::End;
    duringExtraction = [&] { nested = thumbnailStep(model, nestedNext, false, nullptr); };
    int next = 0;
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr, nullptr, progress), ThumbnailStep::Made);
    EXPECT_EQ(nested, ThumbnailStep::Reentered);
    EXPECT_EQ(nestedNext, 0);
    EXPECT_EQ(shown, "idle callback が再入された。マズー\n");
    EXPECT_EQ(next, 1);
    // The guard is down again afterwards.
    EXPECT_EQ(thumbnailStep(model, next, false, nullptr), ThumbnailStep::End);
}
