#include "FileProperties.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>

#include "PropertyBrowser.h"
#include "PropertyLines.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/ShutdownRequest.h"

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 400;

// Closes `window` once the callback that asked has returned, and makes its holder forget it.
void closeWindow(Fl_Window* window, Fl_Window** holder)
{
    if (*holder == window)
        *holder = nullptr;
    window->hide();
    Fl::delete_widget(window);
}

// The OK button and the window's close box close their own window, whichever the holder
// refers to by then.
void closeCb(Fl_Widget* widget, void* data)
{
    Fl_Window* window = widget->as_window() ? widget->as_window() : widget->window();
    if (window)
        closeWindow(window, static_cast<Fl_Window**>(data));
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
    // The listing pumps events. Once the owner has gone (Quit, the catalog closed) or the
    // program is being ended from outside, no window comes up; one a repeated command showed
    // meanwhile gives way to this one, so that the holder owns the only window.
    if (shuttingDown() || (owner && !owner->shown())) {
        debugPrint("showFileProperties: %s listed after its window went\n", path.c_str());
        return nullptr;
    }
    if (*holder)
        closeWindow(*holder, holder);

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
