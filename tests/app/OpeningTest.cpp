#include "app/Opening.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

TEST(DroppedPath, TakesTheFirstFileUriDecoded)
{
    EXPECT_EQ(firstDroppedPath("file:///home/u/My%20Books/vol1.zip\r\nfile:///other.zip\r\n"),
              "/home/u/My Books/vol1.zip");
    EXPECT_EQ(firstDroppedPath("# comment\nfile://localhost/tmp/%E6%BC%AB%E7%94%BB.cbz\n"),
              "/tmp/漫画.cbz");
    char host[256] = "";
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(firstDroppedPath((std::string("file://") + host + "/tmp/a%20b.zip").c_str()),
              "/tmp/a b.zip");
    EXPECT_EQ(firstDroppedPath("file://elsewhere.invalid/tmp/a.zip"), "");
    EXPECT_EQ(firstDroppedPath("/plain/path.zip"), "/plain/path.zip");
    EXPECT_EQ(firstDroppedPath(""), "");
    EXPECT_EQ(firstDroppedPath(nullptr), "");
}
