#include "app/MainMenu.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BookSteps.h"
#include "app/Commands.h"
#include "app/Opening.h"
#include "app/ZoomCommands.h"

namespace {

// The item the key `key` with the modifiers `state` chooses from the menu bar, as the toolkit
// finds it for a shortcut event.
const Fl_Menu_Item* chosenBy(int state, int key)
{
    Fl::e_state = state;
    Fl::e_keysym = key;
    return mainMenu[0].test_shortcut();
}

// The user data of the items of the menu starting at `first` whose command is `callback`.
std::vector<long> dataOf(const Fl_Menu_Item* first, Fl_Callback* callback)
{
    std::vector<long> data;
    for (const Fl_Menu_Item* item = first; item->text; item = item->next()) {
        if (item->callback() == callback)
            data.push_back(item->argument());
    }
    return data;
}

} // namespace

TEST(MainMenu, AltShortcutsReachTheCatalogCloseAndQuit)
{
    ASSERT_NE(chosenBy(FL_ALT, 'a'), nullptr);
    EXPECT_EQ(chosenBy(FL_ALT, 'a')->callback(), catalog_cb);
    EXPECT_EQ(chosenBy(FL_ALT, 'c')->callback(), close_cb);
    EXPECT_EQ(chosenBy(FL_ALT, 'q')->callback(), quit_cb);
    EXPECT_EQ(chosenBy(0, 'q'), nullptr); // a plain key is the spread view's, not a shortcut
    Fl::e_state = 0;
}

TEST(MainMenu, TheArrowItemsTurnPagesAndFollowTheBinding)
{
    EXPECT_EQ(mainMenu[MENU_LEFT_ARROW].callback(), leftArrow_cb);
    EXPECT_EQ(mainMenu[MENU_RIGHT_ARROW].callback(), rightArrow_cb);
    // Right binding: the left arrow is the next page.
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "次頁(←)");
    EXPECT_STREQ(mainMenu[MENU_RIGHT_ARROW].label(), "(→)前頁");
    setArrowLabels(1);
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "前頁(←)");
    EXPECT_STREQ(mainMenu[MENU_RIGHT_ARROW].label(), "(→)次頁");
    setArrowLabels(0);
    EXPECT_STREQ(mainMenu[MENU_LEFT_ARROW].label(), "次頁(←)");
}

TEST(MainMenu, TheZoomMenuOffersTheFiveFitsThenRisingPercentages)
{
    ASSERT_TRUE(mainMenu[MENU_ZOOM].submenu());
    const Fl_Menu_Item* zoomItems = &mainMenu[MENU_ZOOM + 1];
    EXPECT_EQ(dataOf(zoomItems, fit_cb), (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(dataOf(zoomItems, zoomPercent_cb), (std::vector<long>{50, 75, 100, 150, 200}));
    EXPECT_EQ(dataOf(zoomItems, zoomInput_cb).size(), 1u);
    // On the bar itself: the height fit and the whole-spread fit.
    EXPECT_EQ(dataOf(mainMenu, fit_cb), (std::vector<long>{0, 1}));
}

TEST(MainMenu, TheNamedPositionsHoldTheirItems)
{
    const std::vector<std::pair<int, const char*>> named = {
        {MENU_OPEN, "開く(&O)..."},
        {MENU_RECENT, "最近開いたﾌｧｲﾙ"},
        {MENU_NEXT_BOOK, "次のﾌｧｲﾙ"},
        {MENU_PREVIOUS_BOOK, "前のﾌｧｲﾙ"},
        {MENU_CATALOG, "ｶﾀﾛｸﾞ(&A)..."},
        {MENU_CLOSE, "閉じる(&C)"},
        {MENU_QUIT, "終了(&X)"},
        {MENU_QUALITY, "高品質縮小(&Q)"},
        {MENU_SPREAD_UNIT, "見開き単位変更(&1)"},
        {MENU_LEFT_BINDING, "左綴じ(&L)"},
        {MENU_RESUME, "前回の位置から開く"},
        {MENU_NATURAL_ORDER, "数字順に並べる"},
        {MENU_ZOOM_INPUT, "数値入力(&N)..."},
        {MENU_HELP, "&HELP ..."},
        {MENU_ABOUT, "&About Mekuri..."}};
    for (const auto& [index, label] : named)
        EXPECT_STREQ(mainMenu[index].label(), label) << index;
    EXPECT_TRUE(mainMenu[MENU_RECENT].submenu());
    EXPECT_EQ(mainMenu[MAIN_MENU_SIZE - 1].label(), nullptr);
    EXPECT_EQ(mainMenu[MAIN_MENU_SIZE - 2].label(), nullptr);
}

TEST(MainMenu, StartsWithHighQualityReductionAndRightBinding)
{
    EXPECT_EQ(mainMenu[MENU_QUALITY].callback(), quality_cb);
    EXPECT_TRUE(mainMenu[MENU_QUALITY].value());
    EXPECT_EQ(mainMenu[MENU_RIGHT_BINDING].callback(), binding_cb);
    EXPECT_EQ(mainMenu[MENU_LEFT_BINDING].callback(), binding_cb);
    EXPECT_TRUE(mainMenu[MENU_RIGHT_BINDING].value());
    EXPECT_FALSE(mainMenu[MENU_LEFT_BINDING].value());
    EXPECT_EQ(mainMenu[MENU_SPREAD_UNIT].callback(), spreadUnit_cb);
}

TEST(MainMenu, DownPressesToAnItemSkipGreyedItems)
{
    const int flags = mainMenu[MENU_RECENT].flags;
    mainMenu[MENU_RECENT].deactivate();
    const int greyed = keyDownsTo(MENU_PRINT);
    mainMenu[MENU_RECENT].activate();
    const int active = keyDownsTo(MENU_PRINT);
    mainMenu[MENU_RECENT].flags = flags;
    EXPECT_EQ(active, greyed + 1);
    // 開く, ｶﾀﾛｸﾞ, 閉じる, ﾌｧｲﾙ名の変更 and 印刷 are never greyed.
    EXPECT_GE(greyed, 5);
    EXPECT_EQ(keyDownsTo(MENU_OPEN), 1);
    // In the 機能 menu: redraw, 高品質縮小, 見開き単位変更, 右綴じ, 左綴じ, then this one.
    EXPECT_EQ(keyDownsTo(MENU_RESUME), 6);
}

TEST(MainMenu, TheNextBookItemsAndTheNaturalOrderAreLiveWithoutShortcuts)
{
    EXPECT_EQ(mainMenu[MENU_NEXT_BOOK].callback(), nextBook_cb);
    EXPECT_EQ(mainMenu[MENU_PREVIOUS_BOOK].callback(), previousBook_cb);
    EXPECT_EQ(mainMenu[MENU_NATURAL_ORDER].callback(), naturalOrder_cb);
    for (int index : {MENU_NEXT_BOOK, MENU_PREVIOUS_BOOK, MENU_NATURAL_ORDER}) {
        EXPECT_TRUE(mainMenu[index].active()) << index;
        EXPECT_EQ(mainMenu[index].shortcut(), 0) << index;
    }
    // The main window's own keys: the scrollbars would take a menu shortcut's Ctrl + Page
    // Down first.
    for (int key : {FL_Page_Down, FL_Page_Up, FL_Home, FL_End, FL_F + 11})
        EXPECT_EQ(chosenBy(FL_CTRL, key), nullptr) << key;
    Fl::e_state = 0;
    EXPECT_TRUE(mainMenu[MENU_NATURAL_ORDER].checkbox());
    EXPECT_FALSE(mainMenu[MENU_NATURAL_ORDER].value()); // the design's order by default
}
