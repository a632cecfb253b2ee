#include "AboutHelp.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <jpeglib.h>
#include <zlib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <opencv2/core/version.hpp>

#include "Mekuri.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/SystemInfo.h"

extern char** environ;

std::vector<LibraryVersion> linkedLibraries()
{
    char fltk[32];
    std::snprintf(fltk, sizeof fltk, "%d.%d.%d", Fl::api_version() / 10000,
                  Fl::api_version() / 100 % 100, Fl::api_version() % 100);
    char jpeg[32];
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
    std::snprintf(jpeg, sizeof jpeg, "%d.%d.%d", LIBJPEG_TURBO_VERSION_NUMBER / 1000000,
                  LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000, LIBJPEG_TURBO_VERSION_NUMBER % 1000);
#else
    std::snprintf(jpeg, sizeof jpeg, "API %d", JPEG_LIB_VERSION);
#endif
    return {
        {"FLTK", fltk},
        {"libjpeg-turbo", jpeg},
        {"OpenCV", CV_VERSION},
        {"zlib", zlibVersion()},
        {"minizip", MEKURI_MINIZIP_VERSION},
    };
}

std::string aboutText(const std::vector<LibraryVersion>& libraries, const std::string& plugins,
                      uint64_t cacheUsed, uint32_t cacheMax)
{
    std::string text = "Mekuri 0.1.0\n";
    text += "A viewer for scanned books and comics: two facing pages at a time.\n\n";
    text += "thanks to ...\n";
    for (const LibraryVersion& lib : libraries)
        text += "   - " + lib.name + " " + lib.version + "\n";
    text += "\nLoaded plug-ins:\n" + plugins;
    char figures[96];
    std::snprintf(figures, sizeof figures, "\n\n%u MB cache used. (max %u MB)\n",
                  static_cast<unsigned>(cacheUsed / 1024000), cacheMax / 1024000);
    text += figures;
    return text;
}

std::string helpFilePath(const std::string& programPath)
{
    const size_t slash = programPath.rfind('/');
    const size_t dot = programPath.rfind('.');
    const std::string stem =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            ? programPath.substr(0, dot)
            : programPath;
    for (const char* extension : {".chm", ".html"}) {
        if (isRegularFile(stem + extension))
            return stem + extension;
    }
    return std::string();
}

namespace {

// A help viewer started by the Help command, watched until it ends.
struct HelpViewer {
    pid_t pid;
    std::string page;
};

void showHelpFailure(const std::string& page)
{
    messageBox(nullptr, "HELP ERROR", "HELPファイルを開けませんでした\n(" + page + ")",
               BoxIcon::Error);
}

// Polls the viewer from a timeout: waiting for it would stop the event loop, and xdg-open may
// not return before the page's viewer is closed.
void watchHelpViewer(void* data)
{
    int status = 0;
    const pid_t ended = waitpid(static_cast<HelpViewer*>(data)->pid, &status, WNOHANG);
    if (ended == 0) {
        Fl::repeat_timeout(0.25, watchHelpViewer, data);
        return;
    }
    const std::unique_ptr<HelpViewer> viewer(static_cast<HelpViewer*>(data));
    if (ended < 0) {
        debugPrint("help: the viewer's status is unknown (%s)\n", errorText(errno).c_str());
        return;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    debugPrint("help: xdg-open ended with %d\n", code);
    if (code != 0)
        showHelpFailure(viewer->page);
}

} // namespace

void help_cb(Fl_Widget*, void*)
{
    const std::string path = helpFilePath(programPath());
    if (path.empty()) {
        messageBox(nullptr, "HELP ERROR", "HELPファイルがみつかりません", BoxIcon::Error);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    pid_t pid = 0;
    const int failed =
        posix_spawnp(&pid, "xdg-open", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        debugPrint("help: xdg-open could not be started (%s)\n", errorText(failed).c_str());
        showHelpFailure(path);
        return;
    }
    Fl::add_timeout(0.25, watchHelpViewer, new HelpViewer{pid, path});
}

void about_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    messageBox(
        w, "About Mekuri",
        aboutText(linkedLibraries(), pluginListText(), w->cacheManager.memoryInUse(), cacheLimit),
        BoxIcon::Program);
}
