#include "AboutHelp.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <jpeglib.h>
#include <zlib.h>

#include <sys/wait.h>
#include <spawn.h>

#include <cstdio>
#include <opencv2/core/version.hpp>

#include "Mekuri.h"
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
    const std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                                 ? programPath.substr(0, dot)
                                 : programPath;
    for (const char* extension : {".chm", ".html"}) {
        if (isRegularFile(stem + extension))
            return stem + extension;
    }
    return std::string();
}

void help_cb(Fl_Widget*, void*)
{
    const std::string path = helpFilePath(programPath());
    if (path.empty()) {
        messageBox(nullptr, "HELP ERROR", "HELPファイルがみつかりません", BoxIcon::Error);
        return;
    }
    // A short-lived shell starts the viewer in the background, so nothing is left to reap.
    const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", path.c_str(),
                          nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0)
        waitpid(pid, nullptr, 0);
}
