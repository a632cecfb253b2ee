// The file-property window (the catalog window's and the main window's "ﾌﾟﾛﾊﾟﾃｨ") on a real X
// server: listing the book pumps events, and what those events do must not leave a window
// behind that nothing can close.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <gtest/gtest.h>

#include <functional>

#include "platform/UiHooks.h"
#include "tests/catalog/CatalogTestSupport.h"
#include "tools/BookMaker.h"
#include "views/FileProperties.h"

using catalogtest::TempFolder;

namespace {

const char* const kTitle = "ファイルのプロパティ";

std::vector<Fl_Window*> propertyWindows()
{
    std::vector<Fl_Window*> found;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
        if (w->label() && std::string(w->label()) == kTitle)
            found.push_back(w);
    }
    return found;
}

// Lets the deferred deletions of closed windows happen.
void settle()
{
    for (int i = 0; i < 5; ++i)
        Fl::wait(0.01);
}

class FilePropertiesTest : public testing::Test {
  protected:
    void SetUp() override
    {
        book = folder.file("vol1.zip");
        ASSERT_TRUE(writeZip(book, {{"p1.jpg", {1, 2, 3}}, {"p2.jpg", {4, 5, 6}}}));
        owner.show();
        settle();
    }
    void TearDown() override
    {
        setEventPump(nullptr);
        for (Fl_Window* w : propertyWindows())
            delete w;
    }

    // Shows the window as the property commands do: the old one goes first.
    void command()
    {
        delete holder;
        holder = nullptr;
        holder = showFileProperties(book, &owner, &holder);
    }

    TempFolder folder;
    std::string book;
    Fl_Window owner{300, 200, "owner"};
    Fl_Window* holder = nullptr;
};

TEST_F(FilePropertiesTest, AskedAgainWhileListingLeavesOneWindowThatCloses)
{
    int pumps = 0;
    setEventPump([&] {
        if (pumps++ == 0)
            command(); // the menu item chosen again while the archive is being listed
    });
    command();
    ASSERT_GT(pumps, 1);
    EXPECT_EQ(propertyWindows().size(), 1u);
    // Every window shown can be closed with its close box.
    for (Fl_Window* w : propertyWindows())
        w->do_callback();
    settle();
    EXPECT_TRUE(propertyWindows().empty());
    EXPECT_EQ(holder, nullptr);
}

TEST_F(FilePropertiesTest, NotShownOnceItsOwnerWentWhileListing)
{
    setEventPump([&] { owner.hide(); }); // Quit chosen while the archive is being listed
    command();
    EXPECT_EQ(holder, nullptr);
    EXPECT_TRUE(propertyWindows().empty());
}

} // namespace
