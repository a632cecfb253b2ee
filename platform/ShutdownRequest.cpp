#include "ShutdownRequest.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Diagnostics.h"

namespace {

// Constant-initialised, so that a handler may touch it at any moment.
ShutdownRequest processRequest;
int wakeRead = -1;
int wakeWrite = -1;
unsigned watchdogSeconds = kShutdownWatchdogSeconds;
std::atomic<bool> displaySaveRan{false};

const int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// What a handler may use to trace: write(2) of a line put together without any library call
// that could take a lock.
void appendText(char* line, size_t& used, size_t size, const char* text)
{
    while (*text && used + 1 < size)
        line[used++] = *text++;
}

void appendNumber(char* line, size_t& used, size_t size, int number)
{
    char digits[12];
    int n = 0;
    unsigned value = number < 0 ? 0u : static_cast<unsigned>(number);
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < static_cast<int>(sizeof digits));
    while (n > 0 && used + 1 < size)
        line[used++] = digits[--n];
}

void traceFromHandler(const char* before, int number, const char* after)
{
    char line[96];
    size_t used = 0;
    appendText(line, used, sizeof line, before);
    if (number >= 0)
        appendNumber(line, used, sizeof line, number);
    appendText(line, used, sizeof line, after);
    size_t written = 0;
    while (written < used) {
        const ssize_t n = write(STDERR_FILENO, line + written, used - written);
        if (n <= 0)
            return;
        written += static_cast<size_t>(n);
    }
}

void onWatchdog(int)
{
    traceFromHandler("shutdown took too long: ending at once\n", -1, "");
    _exit(128 + processRequest.signal());
}

void onTerminationSignal(int number)
{
    const int savedErrno = errno;
    if (processRequest.onSignal(number) == ShutdownRequest::Outcome::EndNow) {
        traceFromHandler("signal ", number, " again: ending at once\n");
        _exit(128 + number);
    }
    traceFromHandler("signal ", number, ": shutting down\n");
    // The watchdog ends a shut-down that hangs; sigaction and alarm may be called from here.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onWatchdog;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(watchdogSeconds);
    const unsigned char byte = static_cast<unsigned char>(number);
    if (write(wakeWrite, &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
    errno = savedErrno;
}

bool makeWakePipe()
{
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    wakeRead = fds[0];
    wakeWrite = fds[1];
    return true;
}

} // namespace

ShutdownRequest::Outcome ShutdownRequest::onSignal(int signal) noexcept
{
    if (count_.fetch_add(1) > 0)
        return Outcome::EndNow;
    first_.store(signal);
    requested_.store(true);
    return Outcome::ShutDown;
}

ShutdownRequest& shutdownRequest()
{
    return processRequest;
}

bool shuttingDown()
{
    return processRequest.requested();
}

int installShutdownSignals(unsigned seconds)
{
    if (wakeRead < 0 && !makeWakePipe()) {
        debugPrint("shutdown: no wake-up pipe (%s); signals keep their default action\n",
                   std::strerror(errno));
        return -1;
    }
    watchdogSeconds = seconds;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; the event loop's wait returns and sees the pipe.
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        sigaction(number, &action, nullptr);
    return wakeRead;
}

int takeShutdownSignal()
{
    unsigned char bytes[16];
    while (wakeRead >= 0 && read(wakeRead, bytes, sizeof bytes) > 0) {
    }
    return processRequest.signal();
}

void endBySignalIfAsked()
{
    const int number = processRequest.signal();
    if (number == 0)
        return;
    debugPrint("ending by signal %d\n", number);
    alarm(0);
    signal(number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, number);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(number);
    _exit(128 + number);
}

void endAfterDisplayLost(const std::function<void()>& save, const std::function<void(int)>& end)
{
    processRequest.request();
    debugPrint("display connection lost: saving and ending\n");
    if (!displaySaveRan.exchange(true))
        save();
    end(1);
}
