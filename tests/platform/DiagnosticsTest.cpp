#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(DebugPrint, CutsLongLinesAt1023Bytes)
{
    const std::string longText(2000, 'x');
    CaptureStderr();
    debugPrint("%s|tail\n", longText.c_str());
    const std::string out = GetCapturedStderr();
    EXPECT_EQ(out, std::string(1023, 'x'));
}

TEST(DebugPrint, FormatsFloatsAndAddsNoNewline)
{
    CaptureStderr();
    debugPrint("zoom %.1f", 34.8);
    EXPECT_EQ(GetCapturedStderr(), "zoom 34.8");
}

TEST(AutoLock, ReleaseThenDestroyGivesTheMutexBackOnce)
{
    Mutex mutex;
    CaptureStderr();
    {
        AutoLock lock(mutex);
        EXPECT_TRUE(lock.held());
        EXPECT_TRUE(mutex.ownedByCaller());
        lock.release();
        EXPECT_FALSE(lock.held());
        EXPECT_FALSE(mutex.ownedByCaller());
    }
    const std::string out = GetCapturedStderr();
    char expected[64];
    snprintf(expected, sizeof expected, "Explicit elease mutex success %x\n", mutex.handle());
    EXPECT_EQ(out, expected); // and no "ReleaseMutex failed" from the destructor
}

TEST(AutoLock, ReleasingAMutexNotOwnedIsTracedAsAFailure)
{
    Mutex mutex;
    AutoLock lock(mutex);
    lock.release();
    CaptureStderr();
    AutoLock second(mutex);
    second.release();
    mutex.unlock(); // not owned any more: nothing happens
    EXPECT_FALSE(mutex.ownedByCaller());
    const std::string out = GetCapturedStderr();
    EXPECT_NE(out.find("Explicit elease mutex success"), std::string::npos);
}

TEST(AutoLock, MutexIsRecursive)
{
    Mutex mutex;
    AutoLock outer(mutex);
    {
        AutoLock inner(mutex);
        EXPECT_TRUE(inner.held());
    }
    EXPECT_TRUE(mutex.ownedByCaller());
}

TEST(AutoLock, TryLockForGivesUpOnlyWhileAnotherThreadOwnsTheMutex)
{
    Mutex mutex;
    ASSERT_TRUE(mutex.tryLockFor(0));
    EXPECT_TRUE(mutex.tryLockFor(0)); // the owner takes it again at once
    bool otherGot = true;
    std::chrono::steady_clock::duration waited{};
    std::thread other([&] {
        const auto start = std::chrono::steady_clock::now();
        otherGot = mutex.tryLockFor(30);
        waited = std::chrono::steady_clock::now() - start;
    });
    other.join();
    EXPECT_FALSE(otherGot);
    EXPECT_GE(waited, std::chrono::milliseconds(25));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(mutex.unlock());
    std::thread later([&] {
        otherGot = mutex.tryLockFor(30);
        EXPECT_TRUE(mutex.ownedByCaller());
        mutex.unlock();
    });
    later.join();
    EXPECT_TRUE(otherGot);
    EXPECT_FALSE(mutex.ownedByCaller());
}

TEST(ReportError, ShowsTheBoxTitledErrorThenTracesTheText)
{
    std::vector<DialogRequest> seen;
    setDialogResponder([&](const DialogRequest& r, DialogAnswer&) {
        seen.push_back(r);
        return true;
    });
    CaptureStderr();
    reportError(nullptr, "ファイル(%s)を開けません", "/tmp/x.zip");
    const std::string out = GetCapturedStderr();
    setDialogResponder(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "Error");
    EXPECT_EQ(seen[0].text, "ファイル(/tmp/x.zip)を開けません");
    EXPECT_EQ(seen[0].icon, BoxIcon::Warning);
    EXPECT_NE(out.find("ファイル(/tmp/x.zip)を開けません"), std::string::npos);
}
