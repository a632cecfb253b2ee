#include "Thumbnailer.h"

#include "platform/Text.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "thumbnailer/BookThumbnail.h"
#include "thumbnailer/PngFile.h"

namespace {

// "file:///a/b%20c" → "/a/b c"; other text is taken as a path already. False for a URI that
// names no local file.
bool pathFromArgument(const std::string& argument, std::string& path)
{
    const std::string scheme = "file://";
    if (argument.compare(0, scheme.size(), scheme) != 0) {
        if (argument.find("://") != std::string::npos)
            return false;
        path = argument;
        return true;
    }
    const size_t slash = argument.find('/', scheme.size());
    const std::string host = argument.substr(scheme.size(), slash - scheme.size());
    if (slash == std::string::npos || (!host.empty() && host != "localhost"))
        return false;
    path.clear();
    for (size_t i = slash; i < argument.size(); ++i) {
        const int high = i + 2 < argument.size() ? hexDigitValue(argument[i + 1]) : -1;
        const int low = i + 2 < argument.size() ? hexDigitValue(argument[i + 2]) : -1;
        if (argument[i] == '%' && high >= 0 && low >= 0) {
            const char byte = static_cast<char>(high * 16 + low);
            if (byte == '\0')
                return false;
            path += byte;
            i += 2;
        } else {
            path += argument[i];
        }
    }
    return true;
}

bool parseSize(const std::string& text, int& size)
{
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxThumbnailSide)
        return false;
    size = value;
    return true;
}

volatile sig_atomic_t deadlineFd = STDERR_FILENO;

void onDeadline(int)
{
    static const char text[] = "mekuri-thumbnailer: gave up: the thumbnail took too long\n";
    if (write(deadlineFd, text, sizeof text - 1) < 0) {
        // nothing more can be said
    }
    _exit(3);
}

} // namespace

std::string parseThumbnailerArguments(const std::vector<std::string>& args,
                                      ThumbnailerRequest& request)
{
    ThumbnailerRequest made;
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "-v" || arg == "--verbose")
            made.verbose = true;
        else
            rest.push_back(arg);
    }
    if (rest.size() != 3)
        return "expected INPUT OUTPUT SIZE";
    if (!pathFromArgument(rest[0], made.input) || made.input.empty())
        return "INPUT must be a local path or a file:// URI: " + rest[0];
    if (!pathFromArgument(rest[1], made.output) || made.output.empty())
        return "OUTPUT must be a local path or a file:// URI: " + rest[1];
    if (!parseSize(rest[2], made.size))
        return "SIZE must be a whole number from 1 to " + std::to_string(kMaxThumbnailSide) + ": " +
               rest[2];
    request = made;
    return std::string();
}

std::string runThumbnailer(const ThumbnailerRequest& request)
{
    BookPicture picture;
    std::string problem = makeBookThumbnail(request.input, request.size, picture);
    if (problem.empty())
        problem = writePng(request.output, picture.width, picture.height, picture.pixels.get());
    return problem;
}

void limitThumbnailerProcess(int messageFd, unsigned seconds)
{
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers reserve terabytes of shadow memory: no address-space cap under them.
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 &&
        (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > kThumbnailerMemoryBytes)) {
        limit.rlim_cur = static_cast<rlim_t>(kThumbnailerMemoryBytes);
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
    deadlineFd = messageFd;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onDeadline;
    sigaction(SIGALRM, &action, nullptr);
    alarm(seconds);
}
