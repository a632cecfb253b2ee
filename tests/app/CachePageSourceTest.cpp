// Print pages fetched through the image cache: the full-size picture of the page, given back
// when the page object goes.

#include "app/CachePageSource.h"

#include <gtest/gtest.h>

#include "pipeline/CacheManager.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "tests/pipeline/CacheBookSupport.h"
#include "views/ViewerState.h"

namespace {

using cachetest::PageSpec;
using cachetest::TempBook;

// The main window's book side over a real cache: the folder opened through the reading model.
class CacheViewer : public ViewerState, public CacheOwner {
  public:
    explicit CacheViewer(const std::string& folder) : cache(this)
    {
        EXPECT_TRUE(openBook(folder, cache, 800, 600).opened);
    }
    ~CacheViewer() override { cache.drainAndClose(); }

    ImageOperatorWrapper* currentBook() override { return bookOpen ? book.get() : nullptr; }
    int reductionQuality() const override { return 1; }
    CacheObject* prepareEntry(int tag, int page, float p1, float p2, float scale) override
    {
        requested.push_back(CacheKey{tag, page, p1, p2, scale});
        return cache.prepareEntry(tag, page, p1, p2, scale);
    }
    void releaseEntry(CacheObject* object) override { cache.release(object); }
    void applyLiveZoom(float) override {}
    void leftArrow() override {}
    void rightArrow() override {}
    void prefetch(int) override {}
    Fl_Window* topWindow() override { return nullptr; }

    CacheManager cache;
    std::vector<CacheKey> requested;
};

} // namespace

TEST(CachePageSource, HandsOutTheFullSizeFilteredPictureAndGivesItBack)
{
    TempBook book({{120, 80, {200, 40, 40}}, {64, 96, {40, 40, 200}}});
    CacheViewer viewer(book.folder);
    CachePageSource source(viewer);
    ASSERT_EQ(source.pageCount(), 2);
    {
        std::unique_ptr<PrintPage> page = source.fetch(1);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->width(), 64);
        EXPECT_EQ(page->height(), 96);
        // BGR: a blue page.
        const unsigned char* p = page->pixels();
        EXPECT_GT(p[0], 150);
        EXPECT_LT(p[2], 90);
        ASSERT_EQ(viewer.requested.size(), 1u);
        EXPECT_EQ(viewer.requested[0], (CacheKey{FILTEREDIMG, 1, 1.0f, 0.0f, 100.0f}));
        EXPECT_GT(viewer.cache.referenceSum(), 0);
    }
    EXPECT_EQ(viewer.cache.referenceSum(), 0);
}

TEST(CachePageSource, TwoPagesHeldAtOnceAreBothGivenBack)
{
    TempBook book({{50, 70, {10, 200, 10}}, {70, 50, {200, 200, 10}}});
    CacheViewer viewer(book.folder);
    CachePageSource source(viewer);
    std::unique_ptr<PrintPage> a = source.fetch(0);
    std::unique_ptr<PrintPage> b = source.fetch(1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width(), 50);
    EXPECT_EQ(b->width(), 70);
    a.reset();
    EXPECT_GT(viewer.cache.referenceSum(), 0);
    b.reset();
    EXPECT_EQ(viewer.cache.referenceSum(), 0);
}

TEST(CachePageSource, PagesOutsideTheBookAreNotAsked)
{
    TempBook book({{40, 40, {90, 90, 90}}});
    CacheViewer viewer(book.folder);
    CachePageSource source(viewer);
    EXPECT_FALSE(source.fetch(-1));
    EXPECT_FALSE(source.fetch(1));
    EXPECT_TRUE(viewer.requested.empty());
    EXPECT_EQ(viewer.cache.referenceSum(), 0);
}
