#include "FileProperties.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>

#include "PropertyBrowser.h"
#include "PropertyLines.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Diagnostics.h"

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 400;

// The OK button and the window's close box: the window goes once the callback has returned.
void closeCb(Fl_Widget*, void* data)
{
    auto** holder = static_cast<Fl_Window**>(data);
    if (*holder) {
        (*holder)->hide();
        Fl::delete_widget(*holder);
        *holder = nullptr;
    }
}

} // namespace

Fl_Window* showFileProperties(const std::string& path, Fl_Window* owner, Fl_Window** holder)
{
    ImageOperatorWrapper book(path);
    if (!book.valid) {
        debugPrint("showFileProperties: %s cannot be listed\n", path.c_str());
        return nullptr;
    }
    sortPagesStable(book.pages);
    const std::vector<std::string> lines = propertyLines(path, book.bookTime, book.pages);
    book.close();

    Fl_Group* current = Fl_Group::current();
    Fl_Group::current(nullptr);
    const int x = owner ? owner->x() + (owner->w() - kWidth) / 2 : 0;
    const int y = owner ? owner->y() + 80 : 0;
    // Given a position, the window is placed there (forced).
    auto* window = new Fl_Window(x, y, kWidth, kHeight, "ファイルのプロパティ");
    auto* ok = new Fl_Button(230, 375, 50, 20, "OK");
    ok->callback(closeCb, holder);
    auto* listing = new PropertyBrowser(0, 0, kWidth, 370);
    for (const std::string& line : lines)
        listing->add(line.c_str());
    window->end();
    window->callback(closeCb, holder);
    Fl_Group::current(current);
    window->set_modal();
    window->show();
    return window;
}
