#include "Dialogs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "Diagnostics.h"
#include "ShutdownRequest.h"

namespace {

struct ScriptedAnswer {
    std::string title;
    DialogAnswer answer;
};

// The line that withdraws every answer read before it and not used yet.
const char* const kWithdrawLine = "withdraw";

struct Seam {
    std::mutex mutex;
    DialogResponder responder;
    MessageBoxPresenter presenter;
    std::vector<ScriptedAnswer> script;
    std::string scriptPath; // the answer file the script was read from
    off_t scriptOffset = 0; // bytes of it read so far: whole lines only
};

Seam& seam()
{
    static Seam s;
    return s;
}

void addScriptLine(Seam& s, const std::string& line)
{
    if (line == kWithdrawLine) {
        s.script.clear();
        return;
    }
    const size_t tab1 = line.find('\t');
    if (tab1 == std::string::npos)
        return;
    const size_t tab2 = line.find('\t', tab1 + 1);
    ScriptedAnswer entry;
    entry.title = line.substr(0, tab1);
    const std::string button =
        line.substr(tab1 + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab1 - 1);
    entry.answer.button = std::atoi(button.c_str());
    if (tab2 != std::string::npos)
        entry.answer.value = line.substr(tab2 + 1);
    s.script.push_back(entry);
}

// An answer line longer than this is skipped, unread: no answer is that long.
constexpr size_t kMaxAnswerLine = 64 * 1024;

// Reads the lines appended to the answer file since the last read, so that a test can answer
// while the program runs. A line still being written (no newline yet) waits for the next read.
// Only a regular file is read (a pipe without a writer would block the open, a device might
// never end), and never more than one line at a time is held.
void readNewScriptLines(Seam& s)
{
    const char* env = std::getenv("MEKURI_DIALOG_ANSWERS");
    const std::string path = env ? env : "";
    if (path != s.scriptPath) {
        s.scriptPath = path;
        s.scriptOffset = 0;
        s.script.clear();
    }
    if (path.empty())
        return;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        debugPrint("dialog answers: %s is not a regular file\n", path.c_str());
        close(fd);
        return;
    }
    std::string line;
    bool overlong = false;
    off_t offset = s.scriptOffset;
    char buffer[4096];
    ssize_t n;
    while ((n = pread(fd, buffer, sizeof buffer, offset)) > 0 || (n < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                overlong = overlong || line.size() >= kMaxAnswerLine;
                if (!overlong)
                    line += buffer[i];
                continue;
            }
            if (!overlong)
                addScriptLine(s, line);
            line.clear();
            overlong = false;
            s.scriptOffset = offset + i + 1;
        }
        offset += n > 0 ? n : 0;
    }
    close(fd);
}

} // namespace

void setDialogResponder(DialogResponder responder)
{
    std::lock_guard<std::mutex> hold(seam().mutex);
    seam().responder = std::move(responder);
}

void setMessageBoxPresenter(MessageBoxPresenter presenter)
{
    std::lock_guard<std::mutex> hold(seam().mutex);
    seam().presenter = std::move(presenter);
}

bool answeredBySeam(const DialogRequest& request, DialogAnswer& answer)
{
    debugPrint("dialog [%s] %s\n", request.title.c_str(), request.text.c_str());
    DialogResponder responder;
    {
        std::lock_guard<std::mutex> hold(seam().mutex);
        Seam& s = seam();
        responder = s.responder;
        if (!responder) {
            readNewScriptLines(s);
            // Each answer is used once: the first unused one with the title, in file order.
            for (auto entry = s.script.begin(); entry != s.script.end(); ++entry) {
                if (entry->title == request.title) {
                    answer = entry->answer;
                    s.script.erase(entry);
                    debugPrint("dialog answered: button %d\n", answer.button);
                    return true;
                }
            }
            return false;
        }
    }
    return responder(request, answer);
}

int messageBox(const void* owner, const std::string& title, const std::string& text, BoxIcon icon,
               std::vector<std::string> buttons)
{
    DialogRequest request;
    request.title = title;
    request.text = text;
    request.icon = icon;
    request.buttons = buttons.empty() ? std::vector<std::string>{"OK"} : std::move(buttons);
    DialogAnswer answer;
    if (answeredBySeam(request, answer))
        return answer.button;
    if (shuttingDown()) {
        // Nobody may be there to answer (a log-out), and the display may be gone.
        debugPrint("dialog not shown: shutting down\n");
        return static_cast<int>(request.buttons.size()) - 1;
    }
    MessageBoxPresenter presenter;
    {
        std::lock_guard<std::mutex> hold(seam().mutex);
        presenter = seam().presenter;
    }
    return presenter ? presenter(owner, request) : 0;
}
