// The reduction quality toggled while the worker scales a page down: the picture it is making
// at the old quality must not be stored nor handed to anyone; the thread that asked for it
// gets one made at the new quality.
#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "pipeline/Bgr24.h"
#include "pipeline/CacheWorker.h"
#include "pipeline/Decoders.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// The quality is the main window's plain field, written by the menu command.
class QualityOwner : public BookOwner {
  public:
    using BookOwner::BookOwner;
    int reductionQuality() const override { return quality; }
    int quality = 1;
};

// A page of fine detail, where the two reduction methods give different pixels.
std::vector<unsigned char> detailedPage(int width, int height)
{
    RgbImage image(width, height, Rgb{0, 0, 0});
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const auto level = static_cast<unsigned char>(seed >> 24);
            image.fillRect(x, y, 1, 1, Rgb{level, static_cast<unsigned char>(255 - level), 90});
        }
    }
    return encodeJpeg(image, 95);
}

std::vector<unsigned char> reduced(CacheObject* raw, float scale, int highQuality)
{
    int width = 0;
    int height = 0;
    const unsigned char* pixels = raw->imageData(&width, &height);
    const int newWidth = static_cast<int>(width * (scale / 100.0));
    const int newHeight = static_cast<int>(height * (scale / 100.0));
    std::vector<unsigned char> out(pictureBytes(newWidth, newHeight));
    scaleImage(pixels, width, height, newWidth, newHeight, out.data(), highQuality);
    return out;
}

// Stops the worker inside its scaling step until released.
class ScalingGate {
  public:
    void pauseHere(int quality)
    {
        std::unique_lock<std::mutex> hold(mutex_);
        qualitySeen_ = quality;
        paused_ = true;
        changed_.notify_all();
        changed_.wait(hold, [this] { return released_; });
    }
    int waitUntilPaused()
    {
        std::unique_lock<std::mutex> hold(mutex_);
        changed_.wait_for(hold, std::chrono::seconds(20), [this] { return paused_; });
        return paused_ ? qualitySeen_ : -1;
    }
    void release()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        released_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool paused_ = false;
    bool released_ = false;
    int qualitySeen_ = -1;
};

} // namespace

TEST(CacheReductionQuality, APageScaledWhileTheQualityChangesIsMadeAgainAtTheNewOne)
{
    const float scale = 30.0f;
    TempBook book({{200, 260, Rgb{0, 0, 0}}});
    writeFile(book.folder + "/" + book.names[0], detailedPage(200, 260));
    QualityOwner owner(book.folder);
    CacheManager cache(&owner);
    cache.openCache();
    ScalingGate gate;
    std::vector<int> viewQualities; // the test thread's scalings
    const std::thread::id viewThread = std::this_thread::get_id();
    bool toggleInView = false;
    cache.setScalingProbe([&](const CacheKey&, int quality) {
        if (std::this_thread::get_id() != viewThread) {
            gate.pauseHere(quality);
            return;
        }
        viewQualities.push_back(quality);
        if (toggleInView) {
            toggleInView = false;
            owner.quality = 1;
            cache.invalidate_scaled_entries();
        }
    });
    WorkerBlock worker;
    ASSERT_TRUE(startWorker(worker, cache));
    CaptureStderr();
    cache.requestChain(key(SCALEDIMG, 0, scale));
    const int workerQuality = gate.waitUntilPaused();
    // The menu toggles the quality while the view waits for the worker's picture.
    std::thread menu([&] {
        EXPECT_TRUE(eventually([&] { return cache.waiterCount() == 1; }));
        owner.quality = 0;
        cache.invalidate_scaled_entries();
        gate.release();
    });
    Held shown(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, scale));
    menu.join();
    EXPECT_TRUE(
        eventually([&] { return cache.creatingCount() == 0 && cache.queuedRequests().empty(); }));
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();

    EXPECT_EQ(workerQuality, 1);
    EXPECT_EQ(viewQualities, std::vector<int>{0});
    EXPECT_NE(trace.find("Scaling p.0 began before the reduction quality changed: not stored"),
              std::string::npos)
        << trace;
    ASSERT_NE(shown.get(), nullptr);
    Held raw(cache, cache.prepareEntry(RAWIMG, 0, 1.0f, 0.0f, 100.0f));
    const std::vector<unsigned char> lowQuality = reduced(raw.get(), scale, 0);
    ASSERT_NE(lowQuality, reduced(raw.get(), scale, 1)) << "the page cannot tell the methods apart";
    ASSERT_EQ(pictureBytes(shown->width, shown->height), lowQuality.size());
    EXPECT_EQ(std::memcmp(shown->imageData(nullptr, nullptr), lowQuality.data(), lowQuality.size()),
              0)
        << "the view got a picture scaled at the old quality";
    int scaledEntries = 0;
    for (const auto& entry : cache.snapshot())
        scaledEntries += entry.key == key(SCALEDIMG, 0, scale) ? 1 : 0;
    EXPECT_EQ(scaledEntries, 1);

    // The view's own scaling overtaken by a change: made again at once at the new quality.
    viewQualities.clear();
    toggleInView = true;
    const float other = 40.0f;
    Held again(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, other));
    EXPECT_EQ(viewQualities, (std::vector<int>{0, 1}));
    ASSERT_NE(again.get(), nullptr);
    const std::vector<unsigned char> highQuality = reduced(raw.get(), other, 1);
    ASSERT_EQ(pictureBytes(again->width, again->height), highQuality.size());
    EXPECT_EQ(
        std::memcmp(again->imageData(nullptr, nullptr), highQuality.data(), highQuality.size()), 0);
    shown.reset();
    again.reset();
    raw.reset();
    cache.clearAll();
}
