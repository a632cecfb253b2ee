// mekuri-thumbnailer [-v] INPUT OUTPUT SIZE
//
// Writes the thumbnail of a book (an archive or a folder of pictures) as a PNG of at most
// SIZE × SIZE pixels, for file managers (see the mekuri.thumbnailer entry). The plug-ins are
// the viewer's, found next to this program file. Exit status: 0 done, 1 no thumbnail (the
// reason on standard error), 2 bad command line, 3 gave up after the time limit.

#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <opencv2/core.hpp>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "pipeline/PluginRegistry.h"
#include "thumbnailer/Thumbnailer.h"

namespace {

void useUtf8Locale()
{
    std::setlocale(LC_ALL, "");
    // Archive names need a UTF-8 character type.
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

// The pipeline's trace lines go to standard error; unless asked for, they are dropped so that
// a file manager's log holds only the one line that says why a thumbnail failed. Returns the
// descriptor that line goes to.
int messageChannel(bool verbose)
{
    if (verbose)
        return STDERR_FILENO;
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0)
        return STDERR_FILENO;
    dup2(null, STDERR_FILENO);
    close(null);
    return saved;
}

void say(int fd, const std::string& text)
{
    const std::string line = "mekuri-thumbnailer: " + text + "\n";
    if (write(fd, line.data(), line.size()) < 0) {
        // nowhere else to say it
    }
}

} // namespace

int main(int argc, char** argv)
{
    useUtf8Locale();
    ThumbnailerRequest request;
    const std::string usage =
        parseThumbnailerArguments(std::vector<std::string>(argv + 1, argv + argc), request);
    if (!usage.empty()) {
        say(STDERR_FILENO, usage);
        say(STDERR_FILENO, "usage: mekuri-thumbnailer [-v] INPUT OUTPUT SIZE");
        return 2;
    }
    const int messages = messageChannel(request.verbose);
    limitThumbnailerProcess(messages);
    cv::setNumThreads(0); // one picture at a time: no worker threads to start or to budget for

    std::string problem;
    try {
        loadPlugins();
        problem = runThumbnailer(request);
    } catch (const std::bad_alloc&) {
        problem = "not enough memory";
    }
    unloadPlugins();
    if (!problem.empty()) {
        say(messages, request.input + ": " + problem);
        return 1;
    }
    return 0;
}
