#include "reading/RenameFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/Dialogs.h"
#include "platform/FileOps.h"

class RenameFileTest : public testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/mekuri-rename-XXXXXX";
        dir = mkdtemp(pattern);
        setDialogResponder([this](const DialogRequest& r, DialogAnswer&) {
            boxes.push_back(r);
            return true;
        });
    }
    void TearDown() override { setDialogResponder(nullptr); }

    std::string dir;
    std::vector<DialogRequest> boxes;
};

TEST_F(RenameFileTest, EqualNamesSucceedWithoutTouchingTheFile)
{
    EXPECT_EQ(renameFile(dir + "/none.zip", dir + "/none.zip"), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RenameFileTest, MovesTheFile)
{
    std::ofstream(dir + "/a.zip") << "A";
    EXPECT_EQ(renameFile(dir + "/a.zip", dir + "/b.zip"), 1);
    EXPECT_TRUE(pathExists(dir + "/b.zip"));
    EXPECT_FALSE(pathExists(dir + "/a.zip"));
}

TEST_F(RenameFileTest, NeverReplacesAFileThatTookTheNameAndSaysWhy)
{
    std::ofstream(dir + "/a.zip") << "A";
    std::ofstream(dir + "/b.zip") << "B";
    EXPECT_EQ(renameFile(dir + "/a.zip", dir + "/b.zip"), 0);
    std::ifstream b(dir + "/b.zip");
    std::string content;
    b >> content;
    EXPECT_EQ(content, "B");
    EXPECT_TRUE(pathExists(dir + "/a.zip"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "ファイル名変更失敗");
    EXPECT_EQ(boxes[0].text.rfind(
                  "ファイル名の変更に失敗しました\n(ファイル名の変更はされません)\n(原因: ", 0),
              0u);
}

TEST_F(RenameFileTest, AFileMovedAwayIsReportedAtClose)
{
    EXPECT_EQ(renameFile(dir + "/gone.zip", dir + "/new.zip"), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "ファイル名変更失敗");
}
