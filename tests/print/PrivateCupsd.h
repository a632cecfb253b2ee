#pragma once

// A CUPS scheduler of the test's own: its configuration, spool, logs and socket live in a
// fresh folder under /tmp, and clients in this process (and the lpadmin it runs) are pointed
// at its socket through CUPS_SERVER. The machine's own CUPS set-up is never read or touched.
// Started and stopped by the test; stop() kills only the process it started.

#include <cups/cups.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "PdfTools.h"

class PrivateCupsd {
  public:
    ~PrivateCupsd() { stop(); }

    // Starts cupsd; false with `why` when it cannot run here.
    bool start(std::string& why)
    {
        if (access(kCupsd, X_OK) != 0 || !toolAvailable("lpadmin")) {
            why = "cupsd or lpadmin is not installed (cups, cups-client)";
            return false;
        }
        if (folder_.path().empty()) {
            why = "no temporary folder";
            return false;
        }
        const std::string& dir = folder_.path();
        // Filters run as the unprivileged lp user: they must reach the folder and write the
        // output folder.
        chmod(dir.c_str(), 0755);
        for (const char* sub : {"spool", "cache", "state", "tmp", "log", "root", "out"})
            mkdir((dir + "/" + sub).c_str(), 0755);
        chmod((dir + "/out").c_str(), 0777);
        socket_ = dir + "/cups.sock";
        writeConfig(dir);

        pid_ = fork();
        if (pid_ == 0) {
            // Should the test die without stopping it, the scheduler goes with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const std::string log = dir + "/log/cupsd.out";
            freopen(log.c_str(), "w", stdout);
            freopen(log.c_str(), "a", stderr);
            execl(kCupsd, "cupsd", "-f", "-c", (dir + "/cupsd.conf").c_str(), "-s",
                  (dir + "/cups-files.conf").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ < 0) {
            why = "fork failed";
            return false;
        }
        if (!waitForSocket()) {
            why = "cupsd did not start: " + logTail();
            stop();
            return false;
        }
        pointClientsHere();
        return true;
    }

    // Adds a printer writing its output to out/<file>; false with `why` on failure.
    bool addPrinter(const std::string& name, const std::string& ppd, const std::string& file,
                    std::string& why)
    {
        const std::string command =
            "lpadmin -p " + name + " -v file://" + outputPath(file) + " -E -m " + ppd + " 2>&1";
        const std::string output = commandOutput(command + "; echo \"rc=$?\"");
        if (output.find("rc=0") == std::string::npos) {
            why = "lpadmin failed: " + output;
            return false;
        }
        return true;
    }

    // Runs a CUPS command-line tool against this scheduler; true when it exits with 0.
    bool run(const std::string& command) const
    {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (waitpid(pid_, &status, WNOHANG) == 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
            }
            pid_ = -1;
        }
        if (pointed_) {
            restoreEnv("CUPS_SERVER", savedServer_, hadServer_);
            restoreEnv("HOME", savedHome_, hadHome_);
            cupsSetServer(hadServer_ ? savedServer_.c_str() : nullptr);
            pointed_ = false;
        }
    }

    const std::string& socket() const { return socket_; }
    std::string outputPath(const std::string& file) const
    {
        return folder_.path() + "/out/" + file;
    }

  private:
    static constexpr const char* kCupsd = "/usr/sbin/cupsd";

    void writeConfig(const std::string& dir)
    {
        std::ofstream conf(dir + "/cupsd.conf");
        conf << "Listen " << socket_ << "\n"
             << "Browsing No\nBrowseLocalProtocols none\nLogLevel warn\nWebInterface No\n"
             << "DefaultAuthType None\nMaxLogSize 0\n"
             << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
             << "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n";
        std::ofstream files(dir + "/cups-files.conf");
        files << "FileDevice Yes\n"
              << "ServerRoot " << dir << "/root\n"
              << "RequestRoot " << dir << "/spool\n"
              << "CacheDir " << dir << "/cache\n"
              << "StateDir " << dir << "/state\n"
              << "TempDir " << dir << "/tmp\n"
              << "ErrorLog " << dir << "/log/error_log\n"
              << "AccessLog " << dir << "/log/access_log\n"
              << "PageLog " << dir << "/log/page_log\n"
              << "SystemGroup root\n";
    }

    bool waitForSocket()
    {
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            if (canConnect())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool canConnect() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socket_.copy(address.sun_path, sizeof address.sun_path - 1);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    void pointClientsHere()
    {
        hadServer_ = saveEnv("CUPS_SERVER", savedServer_);
        hadHome_ = saveEnv("HOME", savedHome_);
        setenv("CUPS_SERVER", socket_.c_str(), 1);
        // No lpoptions file of the user's, no default printer from the environment.
        setenv("HOME", folder_.path().c_str(), 1);
        unsetenv("LPDEST");
        unsetenv("PRINTER");
        cupsSetServer(socket_.c_str());
        pointed_ = true;
    }

    static bool saveEnv(const char* name, std::string& value)
    {
        const char* v = std::getenv(name);
        value = v ? v : "";
        return v != nullptr;
    }

    static void restoreEnv(const char* name, const std::string& value, bool had)
    {
        if (had)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }

    std::string logTail() const
    {
        return commandOutput("tail -c 600 '" + folder_.path() + "/log/cupsd.out' '" +
                             folder_.path() + "/log/error_log' 2>/dev/null");
    }

    ScopedTempFolder folder_;
    std::string socket_;
    pid_t pid_ = -1;
    bool pointed_ = false;
    bool hadServer_ = false;
    bool hadHome_ = false;
    std::string savedServer_;
    std::string savedHome_;
};
