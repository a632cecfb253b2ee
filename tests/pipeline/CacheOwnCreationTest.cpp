// A thread that runs the event loop while it is itself making a picture: an error box raised on
// the way (the filtering error here) pumps events, and one of them asks for the picture being
// made, or closes the book. The thread must never wait for itself.
#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "Watchdog.h"
#include "platform/Dialogs.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const Rgb kRed{200, 40, 40};
const Rgb kBlue{40, 40, 200};

// The main window's part, with a book that can be replaced as opening another book does.
class ReopeningOwner : public CacheOwner {
  public:
    explicit ReopeningOwner(const std::string& folder) { open(folder); }
    void open(const std::string& folder)
    {
        book = std::make_unique<ImageOperatorWrapper>(folder);
        filterPages(book->pages);
        sortPages(book->pages);
    }
    ImageOperatorWrapper* currentBook() override { return book.get(); }
    int reductionQuality() const override { return 1; }

    std::unique_ptr<ImageOperatorWrapper> book;
};

// Runs `event` as the event loop of the filtering error box would, then answers the box.
class ErrorBoxEvents {
  public:
    explicit ErrorBoxEvents(std::function<void()> event)
    {
        setDialogResponder([this, event](const DialogRequest& request, DialogAnswer&) {
            if (request.text.find("Filtering is not implemented yet") == std::string::npos)
                return false;
            ++boxes;
            event();
            return true;
        });
    }
    ~ErrorBoxEvents() { setDialogResponder(nullptr); }

    int boxes = 0;
};

bool coloured(CacheObject* picture, Rgb colour)
{
    const unsigned char* bgr = picture->pixelAt(picture->width / 2, picture->height / 2);
    return std::abs(bgr[0] - colour.b) < 16 && std::abs(bgr[1] - colour.g) < 16 &&
           std::abs(bgr[2] - colour.r) < 16;
}

// Every cached picture has the new book's size: nothing of the closed book was stored.
void expectOnlyTheNewBook(CacheManager& cache)
{
    for (const auto& entry : cache.snapshot()) {
        if (entry.key.tag == RAWIMG) {
            EXPECT_EQ(entry.width, 80);
        }
        if (entry.key.tag == SCALEDIMG) {
            EXPECT_EQ(entry.width, 40);
        }
    }
}

} // namespace

TEST(CacheOwnCreation, AnEventAskingForThePictureItsThreadIsMakingGetsNone)
{
    TempBook book({{120, 160, kRed}, {120, 160, kRed}});
    BookOwner owner(book.folder);
    CacheManager cache(&owner);
    cache.openCache();
    std::optional<CacheObject*> sameKey;
    std::optional<CacheObject*> above;
    ErrorBoxEvents box([&] {
        // The box's redraw: the filtered picture being made, and a scaled one above it.
        sameKey = cache.prepareEntry(FILTEREDIMG, 0, 2.0f, 0.0f, 100.0f);
        above = cache.prepareEntry(SCALEDIMG, 0, 2.0f, 0.0f, 50.0f);
    });
    CaptureStderr();
    CacheObject* made = nullptr;
    {
        Watchdog watchdog(20, "a redraw waiting for the picture its own thread is making");
        made = cache.prepareEntry(FILTEREDIMG, 0, 2.0f, 0.0f, 100.0f);
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(box.boxes, 1);
    EXPECT_EQ(sameKey, std::optional<CacheObject*>(nullptr));
    EXPECT_EQ(above, std::optional<CacheObject*>(nullptr));
    EXPECT_EQ(countOf(trace, "is being made further up this thread: none"), 2) << trace;
    EXPECT_EQ(countOf(trace, "寝て待つよ"), 0);
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_EQ(cache.referenceSum(), 0);
    for (const auto& entry : cache.snapshot())
        EXPECT_LT(entry.key.tag, FILTEREDIMG) << "nothing is cached for the failed levels";
}

TEST(CacheOwnCreation, ClosingTheBookFromInsideACreationDoesNotWaitForItself)
{
    TempBook oldBook({{120, 160, kRed}, {120, 160, kRed}});
    TempBook newBook({{80, 100, kBlue}, {80, 100, kBlue}});
    ReopeningOwner owner(oldBook.folder);
    CacheManager cache(&owner);
    cache.openCache();
    // The draw holds one page of the spread while it makes the other.
    Held otherPage(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f));
    ASSERT_NE(otherPage.get(), nullptr);
    CacheObject* opened = nullptr;
    size_t keptWhileOpen = 0;
    ErrorBoxEvents box([&] {
        // Another book opened from the box's event loop: closed, replaced, reopened, drawn.
        cache.clearAll();
        owner.open(newBook.folder);
        cache.openCache();
        opened = cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 50.0f);
        keptWhileOpen = cache.retiredCount();
    });
    CaptureStderr();
    CacheObject* made = nullptr;
    {
        Watchdog watchdog(20, "clearAll below the creation of its own thread");
        made = cache.prepareEntry(FILTEREDIMG, 0, 2.0f, 0.0f, 100.0f);
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(made, nullptr);
    ASSERT_NE(opened, nullptr);
    Held newPage(cache, opened);
    EXPECT_EQ(newPage->width, 40);
    EXPECT_TRUE(coloured(newPage.get(), kBlue));
    EXPECT_NE(trace.find("clearAll(): 2 held objects kept until released"), std::string::npos)
        << trace;
    EXPECT_EQ(keptWhileOpen, 2u); // the held page and the raw picture being filtered
    EXPECT_EQ(cache.retiredCount(), 1u);
    // What the draw held is still the old page until it gives it back; then it is freed.
    EXPECT_TRUE(coloured(otherPage.get(), kRed));
    otherPage.reset();
    EXPECT_EQ(cache.retiredCount(), 0u);
    newPage.reset();
    EXPECT_EQ(cache.referenceSum(), 0);
    EXPECT_EQ(cache.creatingCount(), 0u);
    expectOnlyTheNewBook(cache);
}

TEST(CacheOwnCreation, APictureFinishedAfterItsBookClosedIsNotStored)
{
    TempBook oldBook({{120, 160, kRed}});
    TempBook newBook({{80, 100, kBlue}});
    ReopeningOwner owner(oldBook.folder);
    CacheManager cache(&owner);
    cache.openCache();
    bool reopened = false;
    // An event pumped while the old page is being scaled opens the other book.
    cache.setScalingProbe([&](const CacheKey& scaling, int) {
        if (reopened || scaling.page != 0)
            return;
        reopened = true;
        cache.clearAll();
        owner.open(newBook.folder);
        cache.openCache();
    });
    CaptureStderr();
    CacheObject* made = nullptr;
    {
        Watchdog watchdog(20, "clearAll while its own thread scales a picture");
        made = cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 50.0f);
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(reopened);
    EXPECT_EQ(made, nullptr);
    EXPECT_NE(trace.find("---- <<>> 3 p.0 made for a closed book: not stored"), std::string::npos)
        << trace;
    EXPECT_FALSE(hasEntry(cache, key(SCALEDIMG, 0, 50.0f)));
    EXPECT_EQ(cache.retiredCount(), 0u);
    EXPECT_EQ(cache.creatingCount(), 0u);
    Held page(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 50.0f));
    ASSERT_NE(page.get(), nullptr);
    EXPECT_TRUE(coloured(page.get(), kBlue));
    expectOnlyTheNewBook(cache);
}
