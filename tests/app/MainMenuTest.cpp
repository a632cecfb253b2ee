#include "app/MainMenu.h"

#include <gtest/gtest.h>

#include <string>

TEST(MainMenu, ArrowItemsAreEntriesSixteenAndSeventeen)
{
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "次頁(←)");
    EXPECT_STREQ(mainMenu[MENU_RIGHT_ARROW].label(), "(→)前頁");
    EXPECT_EQ(MENU_LEFT_ARROW, 16);
    EXPECT_EQ(MENU_RIGHT_ARROW, 17);
}

TEST(MainMenu, ArrowLabelsFollowTheBinding)
{
    setArrowLabels(1);
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "前頁(←)");
    EXPECT_STREQ(mainMenu[MENU_RIGHT_ARROW].label(), "(→)次頁");
    setArrowLabels(0);
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "次頁(←)");
}

TEST(MainMenu, TableMatchesTheMenuBarLayout)
{
    EXPECT_STREQ(mainMenu[0].label(), "ﾌｧｲﾙ(&F)");
    EXPECT_TRUE(mainMenu[0].flags & FL_SUBMENU);
    EXPECT_EQ(mainMenu[8].text, nullptr);
    EXPECT_STREQ(mainMenu[MENU_QUIT].label(), "終了(&X)");
    EXPECT_EQ(mainMenu[MENU_QUIT].shortcut(), FL_ALT + 'q');
    EXPECT_EQ(mainMenu[MENU_CATALOG].shortcut(), FL_ALT + 'a');
    EXPECT_EQ(mainMenu[MENU_CLOSE].shortcut(), FL_ALT + 'c');
    EXPECT_TRUE(mainMenu[MENU_QUIT].flags & MENU_WITH_WINDOW);
    EXPECT_TRUE(mainMenu[MENU_PROPERTIES].flags & FL_MENU_DIVIDER);
    EXPECT_STREQ(mainMenu[MENU_ZOOM].label(), "      % ▽(&Z)");
    EXPECT_TRUE(mainMenu[MENU_QUALITY].flags & FL_MENU_TOGGLE);
    EXPECT_TRUE(mainMenu[MENU_QUALITY].flags & FL_MENU_VALUE);
    EXPECT_TRUE(mainMenu[MENU_RIGHT_BINDING].flags & FL_MENU_RADIO);
    EXPECT_TRUE(mainMenu[MENU_LEFT_BINDING].flags & FL_MENU_RADIO);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mainMenu[MENU_FIT_FIRST + i].user_data(), reinterpret_cast<void*>(intptr_t(i)));
    const int percents[5] = {50, 75, 100, 150, 200};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mainMenu[MENU_ZOOM_50 + i].user_data(),
                  reinterpret_cast<void*>(intptr_t(percents[i])));
    EXPECT_STREQ(mainMenu[MENU_ABOUT].label(), "&About Mekuri...");
    EXPECT_EQ(mainMenu[MAIN_MENU_SIZE - 1].text, nullptr);
}
