#include "persist/WholeFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "PersistTestSupport.h"
#include "persist/RecentBooks.h"

using namespace persisttest;

namespace {

// Runs `body` in a child process, as the user "nobody" when `unprivileged` and the tests run as
// root (so that folder permissions bind); true when it returned true.
bool inChild(bool unprivileged, const std::function<bool()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

unsigned modeOf(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST(WholeFile, SavesIntoNewPrivateFoldersKeepsModesAndFollowsLinks)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("a/b/settings");
    ASSERT_TRUE(writeWholeFile(file, "first\n"));
    EXPECT_EQ(modeOf(scratch.file("a")), 0700u);
    EXPECT_EQ(modeOf(scratch.file("a/b")), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
    chmod(file.c_str(), 0640);
    const std::string link = scratch.file("link"); // kept with the user's other dot files
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(writeWholeFile(link, "second\n"));
    struct stat st;
    EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(slurp(file), "second\n");
    EXPECT_EQ(modeOf(file), 0640u);
    EXPECT_TRUE(noTemporariesIn(scratch.file("a/b")));
}

TEST(WholeFile, ReadingRefusesLargeAndOddFilesWithoutBlocking)
{
    ScratchFolder scratch;
    std::string content = "stale";
    EXPECT_EQ(readWholeFile(scratch.file("none/deeper"), content), ReadResult::missing);
    EXPECT_EQ(content, "");
    spit(scratch.file("big"), std::string(4097, 'x'));
    EXPECT_EQ(readWholeFile(scratch.file("big"), content, 4096), ReadResult::failed);
    EXPECT_EQ(readWholeFile(scratch.file("big"), content, 4097), ReadResult::read);
    ASSERT_EQ(mkfifo(scratch.file("fifo").c_str(), 0600), 0); // no writer: must not wait
    EXPECT_EQ(readWholeFile(scratch.file("fifo"), content), ReadResult::failed);
    EXPECT_EQ(readWholeFile(scratch.path(), content), ReadResult::failed);
}

TEST(WholeFile, AFailedSaveLeavesTheOldFileAndNoTemporary)
{
    ScratchFolder scratch;
    chmod(scratch.path().c_str(), 0755);
    const std::string file = scratch.file("recent");
    spit(file, "old and whole\n");
    EXPECT_TRUE(inChild(false, [&] { // the disk fills up halfway through the write
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        return !writeWholeFile(file, std::string(5000, 'n'));
    }));
    chmod(scratch.path().c_str(), 0555); // a read-only folder
    EXPECT_TRUE(inChild(true, [&] {
        RecentBooks recent;
        recent.add("/b/book.zip", RecentKind::book);
        std::string content;
        return !recent.save(file) && readWholeFile(file, content) == ReadResult::read;
    }));
    EXPECT_EQ(slurp(file), "old and whole\n");
    EXPECT_TRUE(noTemporariesIn(scratch.path()));
    EXPECT_FALSE(writeWholeFile(file + "/cannot/be/a/folder", "x"));
}

// Two programs save different versions while a third reads: every read is one whole version.
TEST(WholeFile, ConcurrentSavesFromProcessesNeverShowAPartialFile)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("positions");
    const std::string a(250000, 'a'), b(150000, 'b');
    ASSERT_TRUE(writeWholeFile(file, a));
    pid_t children[2];
    for (int k = 0; k < 2; ++k)
        if ((children[k] = fork()) == 0) {
            bool ok = true;
            for (int i = 0; i < 30; ++i)
                ok = writeWholeFile(file, k == 0 ? a : b) && ok;
            _exit(ok ? 0 : 1);
        }
    int torn = 0, running = 2;
    while (running > 0) {
        std::string content;
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
