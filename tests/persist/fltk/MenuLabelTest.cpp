// GoogleTest first: X11's headers define None, a name GoogleTest uses.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "persist/RecentBooks.h"

// Checks menuItemLabel against the toolkit itself: the text a menu item shows for the escaped
// label, with the menu's shortcut underlining on, is the original text, and no symbol is
// drawn at either end. Needs an X server (label gui).

namespace {

struct Shown {
    std::string text; // what is drawn, symbols aside
    int width;        // with the symbols
};

// What the toolkit draws for a menu item labelled `label`.
Shown shownAsMenuLabel(const std::string& label)
{
    fl_draw_shortcut = 1; // as a menu item draws its label
    char buffer[1024];
    int count = 0;
    double width = 0;
    fl_expand_text(label.c_str(), buffer, sizeof buffer, 100000, count, width, 0, 1);
    int w = 0, h = 0;
    fl_measure(label.c_str(), w, h, 1);
    fl_draw_shortcut = 0;
    return Shown{std::string(buffer, static_cast<size_t>(count)), w};
}

// The width of `text` drawn as it is, nothing interpreted.
int plainWidth(const std::string& text)
{
    int w = 0, h = 0;
    fl_measure(text.c_str(), w, h, 0);
    return w;
}

} // namespace

TEST(MenuLabel, TheToolkitShowsTheEscapedLabelAsTheOriginalText)
{
    fl_open_display();
    fl_font(FL_HELVETICA, 14);
    for (const std::string name :
         {"a&b.zip", "@->.zip", "vol1@", "mail@@host", "&&&", "x@y&z", "a/b (c/d)", "back\\slash",
          "_under", "漢字&かな@.zip", "@", "&", "@@@"}) {
        const Shown escaped = shownAsMenuLabel(menuItemLabel(name));
        EXPECT_EQ(escaped.text, name);
        EXPECT_EQ(escaped.width, plainWidth(name)) << name;
    }
    // The escaping is needed: unescaped, the toolkit shows something else.
    for (const std::string name : {"a&b.zip", "@->.zip", "vol1@", "x@y&z"}) {
        const Shown raw = shownAsMenuLabel(name);
        EXPECT_FALSE(raw.text == name && raw.width == plainWidth(name)) << name;
    }
}
