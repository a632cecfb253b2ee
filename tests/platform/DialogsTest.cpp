#include "platform/Dialogs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/pipeline/Watchdog.h"

TEST(Dialogs, ResponderAnswersAndReceivesTheButtons)
{
    setDialogResponder([](const DialogRequest& r, DialogAnswer& a) {
        EXPECT_EQ(r.buttons, (std::vector<std::string>{"OK", "ｷｬﾝｾﾙ"}));
        a.button = 1;
        return true;
    });
    EXPECT_EQ(messageBox(nullptr, "t", "x", BoxIcon::Information, {"OK", "ｷｬﾝｾﾙ"}), 1);
    setDialogResponder(nullptr);
}

TEST(Dialogs, WithoutResponderOrPresenterNothingIsShown)
{
    setDialogResponder(nullptr);
    setMessageBoxPresenter(nullptr);
    EXPECT_EQ(messageBox(nullptr, "no such title", "x", BoxIcon::Error), 0);
}

TEST(Dialogs, PresenterShowsWhatTheSeamDoesNotAnswer)
{
    setDialogResponder(nullptr);
    std::string shown;
    setMessageBoxPresenter([&](const void*, const DialogRequest& r) {
        shown = r.title + ":" + r.text;
        return 2;
    });
    EXPECT_EQ(messageBox(nullptr, "検索", "この先に該当するファイルはありません", BoxIcon::Plain),
              2);
    EXPECT_EQ(shown, "検索:この先に該当するファイルはありません");
    setMessageBoxPresenter(nullptr);
}

namespace {

// An answer file named by MEKURI_DIALOG_ANSWERS for one test; appended to while "running".
class AnswerFile {
  public:
    // Named after the process too: ctest runs each test in a process of its own, two at once.
    AnswerFile()
        : path_(testing::TempDir() + "answers-" + std::to_string(getpid()) + "-" +
                std::to_string(++counter_))
    {
        std::remove(path_.c_str());
        setDialogResponder(nullptr);
        setMessageBoxPresenter(nullptr);
        setenv("MEKURI_DIALOG_ANSWERS", path_.c_str(), 1);
    }
    ~AnswerFile()
    {
        unsetenv("MEKURI_DIALOG_ANSWERS");
        std::remove(path_.c_str());
    }
    void append(const std::string& text)
    {
        std::ofstream out(path_, std::ios::app | std::ios::binary);
        out << text;
    }

    const std::string& path() const { return path_; }

  private:
    static int counter_;
    std::string path_;
};

int AnswerFile::counter_ = 0;

int ask(const std::string& title)
{
    return messageBox(nullptr, title, "x", BoxIcon::Plain, {"a", "b", "c"});
}

} // namespace

TEST(Dialogs, AnswersAppendedWhileRunningAreReadAndEachIsUsedOnce)
{
    AnswerFile file;
    EXPECT_EQ(ask("T"), 0); // no file yet: nothing answers (0 is "nothing shown")
    file.append("T\t2\tv\nU\t1\n");
    EXPECT_EQ(ask("T"), 2);
    EXPECT_EQ(ask("T"), 0); // used up
    // A line still being written is not read until its newline arrives.
    file.append("T\t1");
    EXPECT_EQ(ask("T"), 0);
    file.append("\n");
    EXPECT_EQ(ask("T"), 1);
    // Answers keep their order per title; other titles keep theirs.
    file.append("T\t1\nT\t2\n");
    EXPECT_EQ(ask("T"), 1);
    EXPECT_EQ(ask("U"), 1);
    EXPECT_EQ(ask("T"), 2);
    DialogRequest request;
    request.title = "V";
    file.append("V\t0\tfield text\n");
    DialogAnswer answer;
    ASSERT_TRUE(answeredBySeam(request, answer));
    EXPECT_EQ(answer.value, "field text");
}

TEST(Dialogs, WithdrawDropsOnlyTheAnswersBeforeIt)
{
    AnswerFile file;
    file.append("T\t1\nU\t2\nwithdraw\nU\t1\n");
    EXPECT_EQ(ask("T"), 0);
    EXPECT_EQ(ask("U"), 1);
    EXPECT_EQ(ask("U"), 0);
    // A withdraw read in the same pass as an answer still drops it.
    file.append("T\t2\nwithdraw\n");
    EXPECT_EQ(ask("T"), 0);
    file.append("T\t2\n");
    EXPECT_EQ(ask("T"), 2);
}

TEST(Dialogs, AnAnswerFileThatIsNoRegularFileIsNotRead)
{
    AnswerFile file;
    // A pipe nobody writes to would block the open; the program would hang at its first box.
    ASSERT_EQ(mkfifo(file.path().c_str(), 0600), 0);
    {
        const cachetest::Watchdog watchdog(10, "asking with a pipe as the answer file");
        EXPECT_EQ(ask("T"), 0);
    }
}

TEST(Dialogs, AnOverlongLineIsSkippedAndTheAnswersAfterItAreRead)
{
    AnswerFile file;
    file.append("T\t1\n" + std::string(200 * 1024, 'x') + "\nT\t2\n");
    EXPECT_EQ(ask("T"), 1);
    EXPECT_EQ(ask("T"), 2);
    EXPECT_EQ(ask("T"), 0);
}
