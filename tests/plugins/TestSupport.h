#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Helpers of the plug-in tests: temporary folders, shell tools, a watchdog against hangs.

// A fresh folder under /tmp, removed with its contents on destruction.
class TempDir {
  public:
    TempDir()
    {
        char pattern[] = "/tmp/mekuri-plugin-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempDir()
    {
        if (!path_.empty())
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Single-quotes a word for /bin/sh.
inline std::string shellQuote(const std::string& word)
{
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// True when the shell finds `tool` on the PATH.
inline bool haveTool(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command in `folder` with a UTF-8 locale, its output discarded; true on exit 0.
inline bool runIn(const std::string& folder, const std::string& command)
{
    const std::string line =
        "cd " + shellQuote(folder) + " && LC_ALL=C.UTF-8 " + command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

// Runs `work` on its own thread and waits at most `seconds` for it. A call that does not come
// back is a hang: the test process is ended with a message instead of blocking the suite.
inline void finishWithin(int seconds, const char* what, const std::function<void()>& work)
{
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto state = std::make_shared<State>();
    std::thread worker([state, work] {
        work();
        std::lock_guard<std::mutex> lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    });
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::seconds(seconds),
                              [&] { return state->finished; })) {
        std::fprintf(stderr, "HANG: %s did not finish within %d s\n", what, seconds);
        std::fflush(stderr);
        std::_Exit(3);
    }
    lock.unlock();
    worker.join();
}
