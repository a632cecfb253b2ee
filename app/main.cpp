#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "IdleProbe.h"
#include "LastingCommands.h"
#include "MainMenu.h"
#include "Mekuri.h"
#include "Shutdown.h"
#include "StartOptions.h"
#include "TestHooks.h"
#include "ToolkitHooks.h"
#include "WheelInput.h"
#include "ZoomIcons.h"
#include "pipeline/CacheManager.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"
#include "platform/ShutdownRequest.h"
#include "platform/SystemInfo.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

namespace {

// Static start-up, before main runs: the cache limit from the machine's memory and the
// plug-ins next to the program file. The plug-ins are unloaded at process exit.
struct StaticStartup {
    StaticStartup()
    {
        cacheLimit = computeCacheLimit(physicalMemorySize());
        loadPlugins();
    }
    ~StaticStartup() { unloadPlugins(); }
} staticStartup;

void useUtf8Locale()
{
    std::setlocale(LC_ALL, "");
    // Archive names and the toolkit's text need a UTF-8 character type.
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

// When the background grey and its darkened mix come out nearly the same (a theme with a very
// dark grey), lighten the background so that frames stay visible.
void checkBackgroundGrey()
{
    const Fl_Color mix = fl_color_average(FL_BLACK, FL_BACKGROUND_COLOR, 0.33f);
    uchar r1, g1, b1, r2, g2, b2;
    Fl::get_color(mix, r1, g1, b1);
    Fl::get_color(FL_BACKGROUND_COLOR, r2, g2, b2);
    if (std::abs(r1 - r2) < 7 && std::abs(g1 - g2) < 7 && std::abs(b1 - b2) < 7)
        Fl::background(160, 170, 180);
}

} // namespace

int main(int argc, char** argv)
{
    useUtf8Locale();
    std::vector<std::string> args(argv + 1, argv + argc);
    const StartOptions options = parseOptions(args);

    Fl::lock(); // lets other threads wake the event loop with Fl::awake
    // WM_CLASS "mekuri", "Mekuri": desktops match the windows to the installed mekuri.desktop.
    Fl_Window::default_xclass("mekuri");
    installToolkitHooks();
    const char* font = japaneseFontName();
    if (*font)
        Fl::set_font(FL_HELVETICA, font);

    int workX, workY, workW, workH;
    Fl::screen_work_area(workX, workY, workW, workH);
    int width, height;
    mainWindowSize(workW, workH, width, height);

    auto* window = new Mekuri(width, height, options);
    window->size_range(200, 100);
    Fl::get_system_colors();
    checkBackgroundGrey();
    if (Fl_RGB_Image* icon = windowIcon())
        window->icon(icon);
    window->show();
    window->pages->take_focus(); // key presses go to the spread view, then to the window
    installInputHandlers();
    installShutdownHandling();
    installTestHooks();
    installIdleProbe();

    Fl::run();

    keepSettingsAtExit(window);
    window->pageList->removepopupNow();
    delete window;
    debugPrint("Mekuri ended\n");
    endBySignalIfAsked();
    return 0;
}
