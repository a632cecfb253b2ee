#include "thumbnailer/Thumbnailer.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

#include "ThumbnailerTestSupport.h"
#include "tools/BookMaker.h"

namespace {

using Args = std::vector<std::string>;

std::string parse(const Args& args, ThumbnailerRequest& request)
{
    return parseThumbnailerArguments(args, request);
}

} // namespace

TEST(ThumbnailerArguments, InputOutputAndSize)
{
    ThumbnailerRequest r;
    ASSERT_EQ(parse({"/b/book.cbz", "/tmp/out.png", "256"}, r), "");
    EXPECT_EQ(r.input, "/b/book.cbz");
    EXPECT_EQ(r.output, "/tmp/out.png");
    EXPECT_EQ(r.size, 256);
    EXPECT_FALSE(r.verbose);

    ASSERT_EQ(parse({"-v", "a.zip", "o.png", "1"}, r), "");
    EXPECT_TRUE(r.verbose);
    EXPECT_EQ(r.size, 1);
    ASSERT_EQ(parse({"a.zip", "o.png", "4096", "--verbose"}, r), "");
    EXPECT_EQ(r.size, 4096);
    EXPECT_TRUE(r.verbose);
}

TEST(ThumbnailerArguments, FileUrisBecomePaths)
{
    ThumbnailerRequest r;
    ASSERT_EQ(
        parse({"file:///home/u/My%20Books/%E6%9C%AC.cbz", "file://localhost/t/o.png", "128"}, r),
        "");
    EXPECT_EQ(r.input, "/home/u/My Books/本.cbz");
    EXPECT_EQ(r.output, "/t/o.png");
    // A stray percent sign is an ordinary character.
    ASSERT_EQ(parse({"file:///a/100%", "o.png", "128"}, r), "");
    EXPECT_EQ(r.input, "/a/100%");
}

TEST(ThumbnailerArguments, RefusedCommandLinesChangeNothing)
{
    ThumbnailerRequest r;
    r.input = "kept";
    for (const Args& args :
         {Args{}, Args{"a", "b"}, Args{"a", "b", "c", "d"}, Args{"a", "b", "0"},
          Args{"a", "b", "4097"}, Args{"a", "b", "-5"}, Args{"a", "b", "12a"}, Args{"a", "b", ""},
          Args{"a", "b", "99999999999"}, Args{"http://x/a.zip", "b", "9"},
          Args{"file://host/a.zip", "b", "9"}, Args{"file:///a%00b", "b", "9"}, Args{"", "b", "9"},
          Args{"a", "", "9"}}) {
        EXPECT_NE(parse(args, r), "") << ::testing::PrintToString(args);
        EXPECT_EQ(r.input, "kept");
    }
}

TEST(Thumbnailer, WritesThePngOrLeavesTheOutputAlone)
{
    ShippedPlugins plugins;
    ScratchFolder folder;
    ASSERT_TRUE(writeZip(folder.file("b.zip"),
                         {{"1.jpg", encodeJpeg(RgbImage(500, 250, Rgb{0, 200, 0}))}}));
    ThumbnailerRequest r;
    ASSERT_EQ(parse({folder.file("b.zip"), folder.file("t.png"), "100"}, r), "");
    ASSERT_EQ(runThumbnailer(r), "");
    const PngPicture png = readPng(folder.file("t.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 100);
    EXPECT_EQ(png.height, 50);
    EXPECT_NEAR(png.at(50, 25)[1], 200, 8);

    ASSERT_TRUE(writeFile(folder.file("old.png"), {'o', 'l', 'd'}));
    ASSERT_EQ(parse({folder.file("missing.zip"), folder.file("old.png"), "100"}, r), "");
    EXPECT_EQ(runThumbnailer(r), "no such file or folder");
    EXPECT_EQ(readFile(folder.file("old.png")), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

namespace {

// Runs `body` in a child process bounded by limitThumbnailerProcess(pipe, seconds); returns its
// wait status and what it wrote to the pipe. The child is killed after 20 s whatever happens.
std::pair<int, std::string> inLimitedChild(unsigned seconds, void (*body)())
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        limitThumbnailerProcess(fds[1], seconds);
        body();
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[256];
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 20000) > 0) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return {status, text};
}

} // namespace

TEST(ThumbnailerLimits, AStuckThumbnailEndsWithStatus3AndSaysSo)
{
    const auto [status, text] = inLimitedChild(1, [] {
        for (;;)
            pause();
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(text, "mekuri-thumbnailer: gave up: the thumbnail took too long\n");
}

TEST(ThumbnailerLimits, MemoryPastTheBudgetIsRefused)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "no address-space cap under the sanitizers";
#endif
    // Exit status 0: the large block was refused, a small one still given.
    const auto [status, text] = inLimitedChild(60, [] {
        void* large = std::malloc(kThumbnailerMemoryBytes);
        void* small = std::malloc(1 << 20);
        _exit(large == nullptr && small != nullptr ? 0 : 1);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(text, "");
}
