#include "persist/WholeFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

#include "PersistTestSupport.h"
#include "persist/RecentBooks.h"

using namespace persisttest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Runs `body` in a child process (as the unprivileged user "nobody" when `unprivileged` and
// the tests run as root, so that folder permissions bind) and returns its exit status.
int inChild(bool unprivileged, const std::function<bool()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool noTemporariesIn(const std::string& folder)
{
    for (const std::string& name : namesIn(folder))
        if (name.find(".tmp-") != std::string::npos)
            return false;
    return true;
}

} // namespace

TEST(WholeFile, SavesIntoNewPrivateFoldersKeepsModesAndFollowsLinks)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("a/b/c/settings");
    ASSERT_TRUE(writeWholeFile(file, "first\n"));
    EXPECT_EQ(slurp(file), "first\n");
    EXPECT_EQ(modeOf(scratch.file("a")), 0700u);
    EXPECT_EQ(modeOf(scratch.file("a/b/c")), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);

    chmod(file.c_str(), 0640);
    ASSERT_TRUE(writeWholeFile(file, "second\n"));
    EXPECT_EQ(slurp(file), "second\n");
    EXPECT_EQ(modeOf(file), 0640u); // a mode the user chose stays
    EXPECT_EQ(namesIn(scratch.file("a/b/c")), std::vector<std::string>{"settings"});

    // A settings file linked from elsewhere stays linked; the file it names is replaced.
    const std::string link = scratch.file("link");
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(writeWholeFile(link, "through the link\n"));
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(slurp(file), "through the link\n");

    std::string content;
    EXPECT_EQ(readWholeFile(link, content), ReadResult::read);
    EXPECT_EQ(content, "through the link\n");
}

TEST(WholeFile, ReadingRefusesMissingLargeAndOddFilesWithoutBlocking)
{
    ScratchFolder scratch;
    std::string content = "stale";
    EXPECT_EQ(readWholeFile(scratch.file("none"), content), ReadResult::missing);
    EXPECT_EQ(readWholeFile(scratch.file("none/deeper"), content), ReadResult::missing);
    EXPECT_EQ(content, "");

    spit(scratch.file("big"), std::string(4097, 'x'));
    CaptureStderr();
    EXPECT_EQ(readWholeFile(scratch.file("big"), content, 4096), ReadResult::failed);
    EXPECT_NE(GetCapturedStderr().find("is larger than 4096 bytes"), std::string::npos);
    EXPECT_EQ(readWholeFile(scratch.file("big"), content, 4097), ReadResult::read);
    EXPECT_EQ(content.size(), 4097u);

    // A folder, and a pipe nobody writes to (opening it must not wait for a writer).
    ASSERT_EQ(mkfifo(scratch.file("fifo").c_str(), 0600), 0);
    CaptureStderr();
    EXPECT_EQ(readWholeFile(scratch.path(), content), ReadResult::failed);
    EXPECT_EQ(readWholeFile(scratch.file("fifo"), content), ReadResult::failed);
    EXPECT_NE(GetCapturedStderr().find("warning: can't load"), std::string::npos);
}

TEST(WholeFile, AFailedSaveLeavesTheOldFileAndNoTemporary)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("positions");
    spit(file, "old and whole\n");

    // The disk "fills up" halfway through the write.
    EXPECT_EQ(inChild(false,
                      [&] {
                          signal(SIGXFSZ, SIG_IGN);
                          struct rlimit limit = {1000, 1000};
                          setrlimit(RLIMIT_FSIZE, &limit);
                          return !writeWholeFile(file, std::string(5000, 'n'));
                      }),
              0);
    EXPECT_EQ(slurp(file), "old and whole\n");
    EXPECT_TRUE(noTemporariesIn(scratch.path()));

    // The folder cannot be made: a file stands in its place.
    spit(scratch.file("plain"), "");
    CaptureStderr();
    EXPECT_FALSE(writeWholeFile(scratch.file("plain/sub/positions"), "x"));
    EXPECT_NE(GetCapturedStderr().find("warning: can't save"), std::string::npos);
}

TEST(WholeFile, AReadOnlyFolderRefusesTheSaveAndKeepsTheOldFile)
{
    ScratchFolder scratch;
    chmod(scratch.path().c_str(), 0755);
    const std::string folder = scratch.file("state");
    const std::string file = folder + "/recent";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    spit(file, "old\n");
    chmod(file.c_str(), 0644);
    chmod(folder.c_str(), 0555);
    EXPECT_EQ(inChild(true,
                      [&] {
                          RecentBooks recent;
                          recent.add("/b/book.zip", RecentKind::book);
                          return !writeWholeFile(file, "new\n") && !recent.save(file);
                      }),
              0);
    EXPECT_EQ(slurp(file), "old\n");
    EXPECT_TRUE(noTemporariesIn(folder));
    // Reading still works, from a read-only folder.
    EXPECT_EQ(inChild(true,
                      [&] {
                          std::string content;
                          return readWholeFile(file, content) == ReadResult::read &&
                                 content == "old\n";
                      }),
              0);
}

// Two threads saving in turn while a third reads: every read is one whole version.
TEST(WholeFile, ConcurrentSavesFromThreadsNeverShowAPartialFile)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("settings");
    const std::string a = "mekuri settings 1\n" + std::string(300000, 'a') + "\n";
    const std::string b = "mekuri settings 1\n" + std::string(200000, 'b') + "\n";
    ASSERT_TRUE(writeWholeFile(file, a));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        std::string content;
        while (!done) {
            if (readWholeFile(file, content) != ReadResult::read || (content != a && content != b))
                ++torn;
            ++reads;
        }
    });
    std::atomic<int> failed{0};
    auto writer = [&](const std::string& content) {
        for (int i = 0; i < 40; ++i)
            if (!writeWholeFile(file, content))
                ++failed;
    };
    std::thread w1(writer, a), w2(writer, b);
    w1.join();
    w2.join();
    done = true;
    reader.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
    EXPECT_TRUE(noTemporariesIn(scratch.path()));
}

// The same with two programs: two processes save different versions; the last one wins whole.
TEST(WholeFile, ConcurrentSavesFromProcessesLeaveOneWholeVersion)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("positions");
    const std::string a = std::string(250000, 'a');
    const std::string b = std::string(150000, 'b');
    ASSERT_TRUE(writeWholeFile(file, a));
    pid_t children[2];
    for (int k = 0; k < 2; ++k) {
        children[k] = fork();
        if (children[k] == 0) {
            bool ok = true;
            for (int i = 0; i < 30; ++i)
                ok = writeWholeFile(file, k == 0 ? a : b) && ok;
            _exit(ok ? 0 : 1);
        }
    }
    int torn = 0;
    std::string content;
    for (int running = 2; running > 0;) {
        if (readWholeFile(file, content) != ReadResult::read || (content != a && content != b))
            ++torn;
        for (pid_t& child : children) {
            int status = 0;
            if (child > 0 && waitpid(child, &status, WNOHANG) == child) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                child = -1;
                --running;
            }
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(noTemporariesIn(scratch.path()));
}
