#include "Dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "Diagnostics.h"
#include "ShutdownRequest.h"

namespace {

struct ScriptedAnswer {
    std::string title;
    DialogAnswer answer;
    bool used = false;
};

struct Seam {
    std::mutex mutex;
    DialogResponder responder;
    MessageBoxPresenter presenter;
    std::vector<ScriptedAnswer> script;
    bool scriptLoaded = false;
};

Seam& seam()
{
    static Seam s;
    return s;
}

void loadScript(Seam& s)
{
    s.scriptLoaded = true;
    const char* path = std::getenv("MEKURI_DIALOG_ANSWERS");
    if (!path || !*path)
        return;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab1 = line.find('\t');
        if (tab1 == std::string::npos)
            continue;
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
            if (!s.scriptLoaded)
                loadScript(s);
            for (ScriptedAnswer& entry : s.script) {
                if (!entry.used && entry.title == request.title) {
                    entry.used = true;
                    answer = entry.answer;
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
