#include "TestHooks.h"

#include <FL/Fl.H>
#include <FL/Fl_Output.H>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "MainMenu.h"
#include "Mekuri.h"
#include "catalog/ui/CatalogBuildingMonitor.h"
#include "catalog/ui/CatalogPage.h"
#include "catalog/ui/CatalogView.h"
#include "pipeline/CacheManager.h"
#include "platform/Diagnostics.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

namespace {

bool stateEnabled = false;
std::string lastState;
std::string probeInput; // bytes of the probe pipe not yet ending a line

void addWindow(std::string& list, const std::string& token)
{
    if (!list.empty())
        list += ",";
    list += token;
}

WindowNames shownWindows(Mekuri* w)
{
    WindowNames names;
    CatalogView* catalog = w->catalogView;
    for (Fl_Window* win = Fl::first_window(); win; win = Fl::next_window(win)) {
        const char* label = win->label() ? win->label() : "";
        if (win == w)
            names.main = true;
        else if (catalog && win == catalog)
            names.catalog = true;
        else if (catalog && win == static_cast<Fl_Window*>(catalog->monitor))
            names.monitor = true;
        else if (win == w->propertyWindow)
            names.property = true;
        else if (catalog && win == catalog->propertyWindow)
            names.catProperty = true;
        else if (win == w->loupeWindow)
            names.loupe = true;
        else if (win == w->printDialog)
            names.print = true;
        else if (win->parent() == nullptr && std::string(label) == "popup")
            names.tip = true;
        else if (win->override())
            names.menus = true;
        else
            addWindow(names.others, (win->modal() ? "box:" : "window:") + stateField(label));
    }
    return names;
}

std::string stateLine(Mekuri* w)
{
    std::string line = "state: title=" + stateField(w->label() ? w->label() : "");
    line += "\tline=" + std::to_string(w->pageList->value());
    line += "\tzoom=" + stateField(w->zoomField->value() ? w->zoomField->value() : "");
    line += "\tpage=" + std::to_string(w->currentPage);
    line += "\tpages=" + std::to_string(w->pageCount());
    line += "\tshift=" + std::to_string(w->spreadShift);
    line += "\tbinding=" + std::to_string(w->binding);
    line += "\tmode=" + std::to_string(w->pages->mode);
    line += "\tview=" + std::to_string(w->pages->x()) + "," + std::to_string(w->pages->y()) + "," +
            std::to_string(w->pages->w()) + "," + std::to_string(w->pages->h());
    CatalogView* catalog = w->catalogView;
    line += "\tcatalog=" + (catalog ? stateField(catalog->model.folderPath) : std::string());
    line += "\tcatsel=" + std::to_string(catalog ? catalog->model.selectedIndex : -1);
    line += "\tcatentries=" + std::to_string(catalog ? catalog->model.entries.size() : 0);
    const int selected = catalog ? catalog->model.selectedIndex : -1;
    const bool named = selected >= 0 && selected < static_cast<int>(catalog->model.entries.size());
    line += "\tcatname=" + (named ? stateField(entryName(*catalog->model.entries[selected])) : "");
    line += "\tcatrename=" + std::to_string(catalog && catalog->renameOpen() ? 1 : 0);
    line +=
        "\tcatscroll=" +
        std::to_string(catalog && catalog->scrollArea() ? catalog->scrollArea()->yposition() : 0);
    line += "\tresume=" + std::to_string(w->resume() ? 1 : 0);
    line += "\tprintdowns=" + std::to_string(keyDownsTo(MENU_PRINT));
    line += "\twindows=" + windowList(shownWindows(w));
    return line + "\n";
}

// Whether the main window can be read: shut-down hides it before deleting it.
Mekuri* readableMainWindow()
{
    Mekuri* w = mainWindow;
    return w && w->shown() && w->pageList && w->zoomField && w->pages ? w : nullptr;
}

void traceStateIfChanged(void*)
{
    Mekuri* w = readableMainWindow();
    if (!w)
        return;
    std::string line = stateLine(w);
    if (line != lastState) {
        debugPrint("%s", line.c_str());
        lastState = std::move(line);
    }
}

void answerProbeLine(const std::string& line)
{
    if (line.compare(0, 5, "ping ") != 0)
        return;
    if (stateEnabled) {
        if (Mekuri* w = readableMainWindow()) {
            lastState = stateLine(w);
            debugPrint("%s", lastState.c_str());
        }
    }
    debugPrint("probe: alive %s\n", stateField(line.substr(5)).c_str());
}

void probeReadable(int fd, void*)
{
    char buffer[256];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        probeInput.append(buffer, static_cast<size_t>(n));
    }
    size_t end;
    while ((end = probeInput.find('\n')) != std::string::npos) {
        answerProbeLine(probeInput.substr(0, end));
        probeInput.erase(0, end + 1);
    }
    if (probeInput.size() > 4096) // not a probe's line: drop it rather than grow
        probeInput.clear();
}

void installProbe(const char* path)
{
    // Opened for writing too, so that the pipe never reports its end when the robot's writer
    // closes: the descriptor would otherwise stay readable and spin the event loop.
    const int fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        debugPrint("test probe: cannot open %s\n", path);
        return;
    }
    Fl::add_fd(fd, FL_READ, probeReadable);
    debugPrint("test probe: listening\n");
}

} // namespace

std::string stateField(const std::string& text)
{
    std::string field = text;
    for (char& c : field) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return field;
}

std::string windowList(const WindowNames& names)
{
    std::string list;
    const std::pair<bool, const char*> known[] = {{names.main, "main"},
                                                  {names.catalog, "catalog"},
                                                  {names.monitor, "monitor"},
                                                  {names.property, "property"},
                                                  {names.catProperty, "catproperty"},
                                                  {names.loupe, "loupe"},
                                                  {names.print, "print"},
                                                  {names.tip, "tip"},
                                                  {names.menus, "menu"}};
    for (const auto& [shown, name] : known) {
        if (shown)
            addWindow(list, name);
    }
    if (!names.others.empty())
        addWindow(list, names.others);
    return list;
}

unsigned parseCacheLimit(const char* text)
{
    if (!text || *text < '0' || *text > '9')
        return 0;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > 4294967295ull)
        return 0;
    return static_cast<unsigned>(value);
}

void installTestHooks()
{
    if (const unsigned limit = parseCacheLimit(std::getenv("MEKURI_TEST_CACHE_LIMIT"))) {
        cacheLimit = limit;
        debugPrint("test: cache limit %u\n", limit);
    }
    const char* state = std::getenv("MEKURI_TEST_STATE");
    if (state && *state && std::string(state) != "0") {
        stateEnabled = true;
        Fl::add_check(traceStateIfChanged);
    }
    const char* probe = std::getenv("MEKURI_TEST_PROBE");
    if (probe && *probe)
        installProbe(probe);
}
