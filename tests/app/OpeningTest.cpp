#include "app/Opening.h"

#include <gtest/gtest.h>

TEST(DroppedPath, TakesTheFirstFileUriDecoded)
{
    EXPECT_EQ(firstDroppedPath("file:///home/u/My%20Books/vol1.zip\r\nfile:///other.zip\r\n"),
              "/home/u/My Books/vol1.zip");
    EXPECT_EQ(firstDroppedPath("# comment\nfile://host/tmp/%E6%BC%AB%E7%94%BB.cbz\n"),
              "/tmp/漫画.cbz");
    EXPECT_EQ(firstDroppedPath("/plain/path.zip"), "/plain/path.zip");
    EXPECT_EQ(firstDroppedPath(""), "");
    EXPECT_EQ(firstDroppedPath(nullptr), "");
}
