#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

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
    EXPECT_EQ(messageBox(nullptr, "検索", "この先に該当するファイルはありません", BoxIcon::Plain), 2);
    EXPECT_EQ(shown, "検索:この先に該当するファイルはありません");
    setMessageBoxPresenter(nullptr);
}
