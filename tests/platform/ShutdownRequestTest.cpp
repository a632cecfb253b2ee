#include "platform/ShutdownRequest.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "platform/Dialogs.h"

TEST(ShutdownRequest, TheFirstSignalAsksForAShutDownAndASecondEndsAtOnce)
{
    ShutdownRequest request;
    EXPECT_FALSE(request.requested());
    EXPECT_EQ(request.signal(), 0);
    EXPECT_EQ(request.onSignal(SIGTERM), ShutdownRequest::Outcome::ShutDown);
    EXPECT_TRUE(request.requested());
    EXPECT_EQ(request.onSignal(SIGINT), ShutdownRequest::Outcome::EndNow);
    EXPECT_EQ(request.onSignal(SIGTERM), ShutdownRequest::Outcome::EndNow);
    EXPECT_EQ(request.signal(), SIGTERM) << "the first signal is the one the program ends by";

    // A lost display asks without a signal; the first signal after it still shuts down.
    ShutdownRequest lost;
    lost.request();
    EXPECT_TRUE(lost.requested());
    EXPECT_EQ(lost.signal(), 0);
    EXPECT_EQ(lost.onSignal(SIGHUP), ShutdownRequest::Outcome::ShutDown);
}

namespace {

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

// In a forked child: the handlers installed, one SIGTERM handled. Ends the child with a
// distinct status when anything is not as it should be.
void firstSigtermHandled(unsigned watchdogSeconds)
{
    const int fd = installShutdownSignals(watchdogSeconds);
    if (fd < 0 || readable(fd) || shuttingDown())
        _exit(10);
    raise(SIGTERM);
    if (!readable(fd) || !shuttingDown())
        _exit(11);
    if (takeShutdownSignal() != SIGTERM || readable(fd))
        _exit(12);
    // Nobody may be there to answer a box now: it is traced, not shown.
    setMessageBoxPresenter([](const void*, const DialogRequest&) -> int { _exit(13); });
    if (messageBox(nullptr, "t", "x", BoxIcon::Error, {"はい", "いいえ"}) != 1)
        _exit(14);
}

} // namespace

TEST(ShutdownRequestDeathTest, ASecondSignalEndsTheProcessAtOnce)
{
    EXPECT_EXIT(
        {
            firstSigtermHandled(kShutdownWatchdogSeconds);
            raise(SIGHUP);
            _exit(15);
        },
        testing::ExitedWithCode(128 + SIGHUP),
        "signal 15: shutting down\n(.|\n)*dialog not shown: shutting down\n(.|\n)*"
        "signal 1 again: ending at once\n");
}

TEST(ShutdownRequestDeathTest, TheWatchdogEndsAShutDownThatHangs)
{
    EXPECT_EXIT(
        {
            firstSigtermHandled(1);
            for (int i = 0; i < 50; ++i)
                usleep(100000);
            _exit(15);
        },
        testing::ExitedWithCode(128 + SIGTERM), "shutdown took too long: ending at once\n");
}

TEST(ShutdownRequestDeathTest, AfterTheShutDownTheProcessEndsByItsSignal)
{
    EXPECT_EXIT(
        {
            firstSigtermHandled(kShutdownWatchdogSeconds);
            endBySignalIfAsked();
            _exit(15);
        },
        testing::KilledBySignal(SIGTERM), "ending by signal 15\n");
    // Without a signal it returns.
    endBySignalIfAsked();
}

namespace {

// In a forked child: the display lost and the handler entered twice (a second error report).
// The first end returns so that the second entry can be seen.
void displayLostTwice()
{
    setMessageBoxPresenter([](const void*, const DialogRequest&) -> int { _exit(13); });
    int saves = 0;
    int ends = 0;
    const auto save = [&saves] {
        ++saves;
        messageBox(nullptr, "ファイル名変更失敗", "x", BoxIcon::Error);
    };
    const auto end = [&](int status) {
        if (++ends == 2)
            _exit(saves == 1 ? status : 16);
    };
    endAfterDisplayLost(save, end);
    endAfterDisplayLost(save, end);
    _exit(15);
}

} // namespace

TEST(ShutdownRequestDeathTest, ALostDisplaySavesOnceWithoutABoxAndEndsWithStatus1)
{
    EXPECT_EXIT(displayLostTwice(), testing::ExitedWithCode(1),
                "display connection lost: saving and ending\n");
}
