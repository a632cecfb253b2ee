// The guard the book-replacing commands and the print command ask first.

#include "app/PrintJobGuard.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/Dialogs.h"
#include "print/PrintJob.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(PrintJobGuard, RefusesWithTheWarningBoxOnlyWhileAJobExists)
{
    std::vector<DialogRequest> boxes;
    setDialogResponder([&boxes](const DialogRequest& r, DialogAnswer&) {
        boxes.push_back(r);
        return true;
    });
    CaptureStderr();
    const bool before = refusedWhilePrinting();
    bool during = false;
    {
        const PrintJob job(PrintSettings(), {0}, true); // accepted at ＯＫ, not yet begun
        during = refusedWhilePrinting();
    }
    const bool after = refusedWhilePrinting();
    const std::string trace = GetCapturedStderr();
    setDialogResponder(nullptr);
    EXPECT_FALSE(before);
    EXPECT_TRUE(during);
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "印刷");
    EXPECT_EQ(boxes[0].text, "印刷中は操作できません");
    EXPECT_EQ(boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(trace, "dialog [印刷] 印刷中は操作できません\n");
}
